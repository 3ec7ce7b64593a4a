#include "media/wav_tap_host.h"

#include <chrono>

namespace tandrel {

WavTapHost::WavTapHost(WavAudio audio, bool realTime) : m_audio(std::move(audio)), m_realTime(realTime)
{ }

WavTapHost::~WavTapHost()
{
    m_quit = true;
    if (m_player.joinable())
        m_player.join();
}

void WavTapHost::setAudioTap(AudioTap tap)
{
    std::lock_guard lock(m_mutex);
    m_tap = std::move(tap);
    if (m_tap && !m_player.joinable())
        m_player = std::thread([this] { play(); });
}

void WavTapHost::play()
{
    const qint64 step = std::max(1, m_audio.format.sampleRate / 50);
    const auto began = std::chrono::steady_clock::now();
    for (qint64 first = 0; first < m_audio.frames && !m_quit; first += step) {
        AudioBuffer buffer = m_audio.slice(first, step);
        if (m_realTime)
            std::this_thread::sleep_until(began + std::chrono::duration<double>(buffer.time));
        std::lock_guard lock(m_mutex);
        if (!m_tap)
            return; // the listener went away
        m_tap(buffer);
    }
    if (m_onFinished && !m_quit)
        m_onFinished();
}

} // namespace tandrel
