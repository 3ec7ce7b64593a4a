#pragma once

#include "media/audio_buffer.h"
#include "speech/speech_bias.h"
#include "speech/speech_input_stream.h"
#include "speech/sphinx_model.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tandrel {

// What the recogniser reports, called on its own thread.
struct SphinxCallbacks
{
    // Once, after loading the model: none on success, else the reason.
    std::function<void(const SpeechProblem &problem)> loaded;
    // The text of the current utterance: pending while it is spoken, final
    // when the utterance ends (an empty final clears a pending text).
    // `audioTime` is the capture time of the end of the audio decoded so far.
    std::function<void(const QString &text, bool final, double audioTime)> result;
    // Once, when the input stream has ended and everything in it is decoded.
    std::function<void()> finished;
    // Instead of `finished`, when the decoder refused the audio: the reason.
    // Decoding stops there.
    std::function<void(const SpeechProblem &problem)> failed;
    // The last thing the thread does, also after `cancel`: joining it no
    // longer waits. Must not block.
    std::function<void()> threadEnded;
};

struct SphinxOptions
{
    SphinxModel model;
    QString script;
    SpeechBiasMode bias = SpeechBiasMode::ScriptNgram;
    SpeechBackground background;
    // Further decoder options as name, value pairs ("-lw", "10"); for tuning.
    QStringList decoderArguments;
    // The language the script is written in ("de"); empty: the model's.
    QString language;
    // RMS of the noise mixed into the audio before decoding, in 16-bit
    // units (100 is -50 dBFS); 0 for none. See sphinx_recognizer.cpp.
    double noiseFloor = 100;
};

// PocketSphinx decoding on a thread of its own, which the recogniser owns:
// destroying it cancels and joins. The thread loads the model biased towards
// the script (first waiting for a model still being installed), then decodes the input stream until it is
// finished, splitting it into utterances at pauses (voice activity).
//
// Joining a decoding recogniser is brief: a cancel ends its input stream and
// the loop stops before the next chunk. Loading the model cannot be cut
// short; whoever must not wait for it keeps the recogniser until its
// `threadEnded` callback has come (see `isLoading`).
class SphinxRecognizer
{
public:
    // The audio the recogniser takes: 16 kHz, mono, signed 16-bit.
    static AudioFormat inputFormat();

    static std::unique_ptr<SphinxRecognizer>
    start(SphinxOptions options, std::shared_ptr<SpeechInputStream> stream, SphinxCallbacks callbacks);

    // Cancels and waits for the thread to end.
    ~SphinxRecognizer();
    SphinxRecognizer(const SphinxRecognizer &) = delete;
    SphinxRecognizer &operator=(const SphinxRecognizer &) = delete;

    // No callback but `threadEnded` runs after this returns; the input stream
    // is finished, so the thread stops before its next chunk. Any thread.
    void cancel();
    // The model is still being loaded; joining would wait for it.
    bool isLoading() const { return m_loading.load(); }
    // The thread has done its work; joining returns at once.
    bool hasEnded() const { return m_ended.load(); }

    // Seconds of audio decoded and seconds of thread time spent decoding.
    double audioSeconds() const { return m_audioSeconds.load(); }
    double decodeSeconds() const { return m_decodeSeconds.load(); }

private:
    SphinxRecognizer(SphinxOptions options, std::shared_ptr<SpeechInputStream> stream,
                     SphinxCallbacks callbacks);
    void run();
    void decode();
    // Waits, on the thread, for the install of the model to end and takes
    // the installed model; the reason when there is none.
    void waitForInstall(SpeechProblem *problem);
    bool isCancelled() const { return m_cancelled.load(); }

    SphinxOptions m_options;
    std::shared_ptr<SpeechInputStream> m_stream;
    SphinxCallbacks m_callbacks;
    std::mutex m_callbackMutex; // held while a callback runs, so `cancel` waits for it
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_loading{true};
    std::atomic<bool> m_ended{false};
    std::atomic<double> m_audioSeconds{0};
    std::atomic<double> m_decodeSeconds{0};
    std::thread m_thread; // last: starts once everything it uses exists
};

} // namespace tandrel
