#pragma once

#include "media/speech_interval.h"

#include <QList>

namespace tandrel {

// Voice-activity detector of one take: fed one level per audio buffer, it
// keeps an adaptive noise floor, opens an interval when a level lies clearly
// above it, closes the interval after a stretch of quiet and drops intervals
// too short to be speech. Levels are 32-bit dBFS values and the floor is kept
// in 32-bit arithmetic; times are seconds from the start of the take.
//
// A plain value without locks; its owner serialises process, reset and finish.
class SpeechActivityTracker
{
public:
    static constexpr float initialNoiseFloor = -62.0f;
    // How far above the floor a level must lie to count as voice.
    static constexpr float margin = 11.0f;
    // The lowest level that can ever count as voice.
    static constexpr float absoluteGate = -46.0f;
    // Quiet time after the last voiced level that closes an interval.
    static constexpr double hangover = 0.5;
    // Shortest interval that is kept.
    static constexpr double minimumSpeech = 0.18;

    float noiseFloor() const { return m_noiseFloor; }
    bool speaking() const { return m_speaking; }
    double speechStart() const { return m_speechStart; }
    double lastVoice() const { return m_lastVoice; }
    const QList<SpeechInterval> &intervals() const { return m_intervals; }

    // The level a buffer must exceed to count as voice.
    float threshold() const;

    // Back to the state of a new tracker (at the start of every recording).
    void reset();
    // One detector step for one buffer. A non-finite level is quiet; a
    // negative or undefined time counts as 0, and a time earlier than one
    // already fed counts as that one, so intervals stay ordered.
    void process(float level, double time);
    // Closes an open interval at its last voiced level (if it lasted long
    // enough) and hands out all intervals. `latestTime` is the latest time fed.
    QList<SpeechInterval> finish(double endTime, double latestTime);

    bool operator==(const SpeechActivityTracker &) const = default;

private:
    void close(double end);

    float m_noiseFloor = initialNoiseFloor;
    bool m_speaking = false;
    double m_speechStart = 0;
    double m_lastVoice = 0;
    QList<SpeechInterval> m_intervals;
    double m_latestTime = 0; // the latest (clamped) time processed
};

} // namespace tandrel
