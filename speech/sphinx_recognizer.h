#pragma once

#include "media/audio_buffer.h"
#include "speech/speech_bias.h"
#include "speech/speech_input_stream.h"
#include "speech/sphinx_model.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

namespace tandrel {

// What the recogniser reports, called on its own thread.
struct SphinxCallbacks
{
    // Once, after loading the model: empty on success, else the reason.
    std::function<void(const QString &error)> loaded;
    // The text of the current utterance: pending while it is spoken, final
    // when the utterance ends (an empty final clears a pending text).
    // `audioTime` is the capture time of the end of the audio decoded so far.
    std::function<void(const QString &text, bool final, double audioTime)> result;
    // Once, when the input stream has ended and everything in it is decoded.
    std::function<void()> finished;
};

struct SphinxOptions
{
    SphinxModel model;
    QString script;
    SpeechBiasMode bias = SpeechBiasMode::ScriptNgram;
    // Further decoder options as name, value pairs ("-lw", "10"); for tuning.
    QStringList decoderArguments;
};

// PocketSphinx decoding on a thread of its own. The thread loads the model
// biased towards the script, then decodes the input stream until it is
// finished, splitting it into utterances at pauses (voice activity). It keeps
// itself alive while it runs, so dropping the last outside reference never
// blocks the caller.
class SphinxRecognizer : public std::enable_shared_from_this<SphinxRecognizer>
{
public:
    // The audio the recogniser takes: 16 kHz, mono, signed 16-bit.
    static AudioFormat inputFormat();

    static std::shared_ptr<SphinxRecognizer>
    start(SphinxOptions options, std::shared_ptr<SpeechInputStream> stream, SphinxCallbacks callbacks);

    // No callback runs after this returns; the thread ends at its next chunk.
    void cancel();

    // Seconds of audio decoded and seconds of thread time spent decoding.
    double audioSeconds() const { return m_audioSeconds.load(); }
    double decodeSeconds() const { return m_decodeSeconds.load(); }

private:
    SphinxRecognizer(SphinxOptions options, std::shared_ptr<SpeechInputStream> stream,
                     SphinxCallbacks callbacks);
    void run();
    bool isCancelled() const { return m_cancelled.load(); }

    SphinxOptions m_options;
    std::shared_ptr<SpeechInputStream> m_stream;
    SphinxCallbacks m_callbacks;
    std::mutex m_callbackMutex; // held while a callback runs, so `cancel` waits for it
    std::atomic<bool> m_cancelled{false};
    std::atomic<double> m_audioSeconds{0};
    std::atomic<double> m_decodeSeconds{0};
};

} // namespace tandrel
