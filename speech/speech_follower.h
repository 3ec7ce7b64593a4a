#pragma once

#include "media/audio_tap.h"
#include "speech/speech_audio_sink.h"
#include "speech/speech_bias.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

namespace tandrel {

class SphinxRecognizer;
class TeleprompterState;

// Listens to the selected microphone while the teleprompter follows the
// voice: PocketSphinx turns the speech into text on its own thread, and the
// growing transcript of the run goes through the teleprompter state to its
// aligner. Publishes one status line and the last transcript.
//
// Main thread only. Every run carries a generation; `stop` increases it, and
// any step or result of an older run is dropped, so an old run still
// unwinding can no longer touch the status, the transcripts or the state.
class SpeechFollower : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString statusMessage READ statusMessage NOTIFY statusMessageChanged)
    Q_PROPERTY(QString lastHeard READ lastHeard NOTIFY lastHeardChanged)
    Q_PROPERTY(bool isListening READ isListening NOTIFY isListeningChanged)

public:
    explicit SpeechFollower(QObject *parent = nullptr);
    ~SpeechFollower() override;

    QString statusMessage() const { return m_statusMessage; }
    QString lastHeard() const { return m_lastHeard; }
    bool isListening() const { return m_isListening; }
    quint64 runGeneration() const { return m_runGeneration; }
    SpeechAudioSink &sink() { return *m_sink; }

    // Where the recogniser's models are looked for, and the locale that
    // leads the choice among them (the system locale by default).
    void setModelRoot(const QString &root) { m_modelRoot = root; }
    void setPreferredLocale(const QString &locale) { m_preferredLocale = locale; }
    void setBiasMode(SpeechBiasMode mode) { m_biasMode = mode; }

    // Begins a new run after ending any earlier one. `capture` and `state`
    // must outlive the run or be stopped first.
    void start(const QString &script, AudioTapHost &capture, TeleprompterState &state);
    // Ends the current run at once; an error text stays visible.
    void stop(AudioTapHost &capture);

    // Result intake on the main thread: the recogniser's text of the current
    // utterance, pending or final, tagged with the run it belongs to.
    // `audioTime` is the capture time of the audio heard when it came.
    void handleAnalyzerResult(const QString &text, bool isFinal, TeleprompterState *state, quint64 generation,
                              double audioTime = 0);

    // Whether a status text only tells of progress (as opposed to an error).
    static bool isTransientStatus(const QString &status);

    // Seconds of audio the current run has decoded and the thread time that took.
    double decodedAudioSeconds() const;
    double decodingSeconds() const;

signals:
    void statusMessageChanged();
    void lastHeardChanged();
    void isListeningChanged();
    // A result of the current run went to the teleprompter state.
    void resultHandled(double audioTime, const QString &transcript, bool isFinal);
    // The run ended by itself after its input stream finished (not by `stop`).
    void runEnded();

private:
    void run(quint64 generation);
    void modelLoaded(quint64 generation, const QString &error);
    void recognizerFinished(quint64 generation);
    void tearDownRecognizer();
    bool isCurrent(quint64 generation) const { return generation == m_runGeneration; }
    void setStatus(const QString &text, quint64 generation);
    void clearTransientStatus();
    void setLastHeard(const QString &text);
    void setListening(bool listening);
    void resetTexts();

    QString m_statusMessage;
    QString m_lastHeard;
    bool m_isListening = false;
    bool m_runPending = false; // the run's first step is queued
    std::shared_ptr<SphinxRecognizer> m_analyzer;
    std::shared_ptr<SpeechAudioSink> m_sink; // shared with the installed tap
    std::shared_ptr<SpeechInputStream> m_stream;
    double m_decodedAudio = 0;
    double m_decoding = 0;
    QString m_analyzerCommitted;
    QString m_analyzerVolatile;
    quint64 m_runGeneration = 0;
    QPointer<TeleprompterState> m_state;
    AudioTapHost *m_capture = nullptr;
    QMetaObject::Connection m_resetConnection;

    QString m_modelRoot;
    QString m_preferredLocale;
    SpeechBiasMode m_biasMode = SpeechBiasMode::ScriptNgram;
};

} // namespace tandrel
