#pragma once

#include "media/audio_tap.h"
#include "media/wav_file.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tandrel {

// A microphone made of a WAV file: once a tap is installed it plays the file
// into it from a thread of its own, in 20 ms buffers stamped with their time
// in the file, either in real time or as fast as the tap takes them. Stands
// in for the capture controller where audio comes from a file.
class WavTapHost : public AudioTapHost
{
public:
    WavTapHost(WavAudio audio, bool realTime);
    ~WavTapHost() override;

    // Called on the playing thread after the last buffer went into the tap.
    void setOnFinished(std::function<void()> done) { m_onFinished = std::move(done); }

    std::optional<QString> selectedMicrophoneID() const override { return QStringLiteral("wav"); }
    void setAudioTap(AudioTap tap) override;

private:
    void play();

    WavAudio m_audio;
    bool m_realTime;
    std::function<void()> m_onFinished;
    std::mutex m_mutex;
    AudioTap m_tap;
    std::thread m_player;
    std::atomic<bool> m_quit{false};
};

} // namespace tandrel
