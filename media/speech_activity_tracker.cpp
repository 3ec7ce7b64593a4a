#include "media/speech_activity_tracker.h"

#include <algorithm>
#include <cmath>

namespace tandrel {

float SpeechActivityTracker::threshold() const
{
    const float raised = m_noiseFloor + margin;
    return std::max(absoluteGate, raised);
}

void SpeechActivityTracker::reset()
{
    *this = SpeechActivityTracker();
}

void SpeechActivityTracker::process(float level, double time)
{
    // Buffers can arrive with times that step back (clock corrections); an
    // interval ending before it starts, or overlapping its predecessor, would
    // cut the take wrongly, so time never runs backwards here.
    const double t = std::max(time >= 0 ? time : 0.0, m_latestTime);
    m_latestTime = t;

    const float limit = threshold();
    if (std::isfinite(level) && level > limit) {
        if (!m_speaking) {
            m_speaking = true;
            m_speechStart = t;
        }
        m_lastVoice = t;
        return; // the floor holds still while voice is heard
    }

    const float v = std::isfinite(level) ? level : m_noiseFloor;
    // Two float products, then their sum (built with -ffp-contract=off, so
    // no fused multiply-add changes the rounding).
    const float kept = m_noiseFloor * 0.92f;
    const float added = std::min(v, limit) * 0.08f;
    m_noiseFloor = kept + added;

    if (m_speaking && t - m_lastVoice >= hangover)
        close(m_lastVoice);
}

QList<SpeechInterval> SpeechActivityTracker::finish(double endTime, double latestTime)
{
    if (m_speaking) {
        // An undefined time says nothing about the end; it must not cut the
        // interval down to nothing.
        const bool endKnown = !std::isnan(endTime);
        const bool latestKnown = !std::isnan(latestTime);
        double end = m_lastVoice;
        if (endKnown || latestKnown) {
            const double e = !endKnown ? latestTime : !latestKnown ? endTime : std::max(endTime, latestTime);
            end = m_lastVoice <= e ? m_lastVoice : std::max(m_speechStart, e);
        }
        close(end);
    }
    return m_intervals;
}

void SpeechActivityTracker::close(double end)
{
    if (end - m_speechStart >= minimumSpeech)
        m_intervals.append(SpeechInterval{m_speechStart, end});
    m_speaking = false;
}

} // namespace tandrel
