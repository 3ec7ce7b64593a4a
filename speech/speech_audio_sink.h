#pragma once

#include "media/audio_tap.h"
#include "speech/speech_input_stream.h"

#include <memory>
#include <mutex>
#include <optional>

namespace tandrel {

class AudioConverter;

// The one door through which microphone audio reaches speech recognition.
// Idle, it drops every buffer. Prepared for the recogniser it converts each
// buffer to the recogniser's format and yields it into the recogniser's input
// stream, with the buffer's capture time as the chunk's start time. Prepared
// with a pass-through callback it hands buffers on unchanged.
//
// `append` runs on the capture's output queue; the other operations on the
// main thread. One lock guards the state; callbacks and the finishing of the
// stream run outside it.
class SpeechAudioSink
{
public:
    SpeechAudioSink();
    ~SpeechAudioSink();
    SpeechAudioSink(const SpeechAudioSink &) = delete;
    SpeechAudioSink &operator=(const SpeechAudioSink &) = delete;

    void prepareAnalyzer(const AudioFormat &format, std::shared_ptr<SpeechInputStream> continuation);
    void prepareLegacy(AudioTap legacyAppend);
    // Ends the input stream (the recogniser then finishes its run) and drops
    // every buffer until the next prepare.
    void reset();
    void append(const AudioBuffer &buffer);

    // How many converters have been created so far; one per change of format.
    int convertersCreated() const;

private:
    struct State
    {
        std::optional<AudioFormat> targetFormat;
        std::shared_ptr<SpeechInputStream> continuation;
        AudioTap legacyAppend;
        std::unique_ptr<AudioConverter> converter;
        int convertersCreated = 0;
    };

    std::optional<SpeechChunk> convertLocked(const AudioBuffer &buffer);

    mutable std::mutex m_mutex;
    State m_state;
};

} // namespace tandrel
