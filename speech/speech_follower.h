#pragma once

#include "media/audio_tap.h"
#include "speech/follow_state.h"
#include "speech/script_aligner.h"
#include "speech/speech_audio_sink.h"
#include "speech/speech_bias.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

namespace tandrel {

class SphinxRecognizer;

// Follows a speaker through a script: listens to the selected microphone,
// PocketSphinx turns the speech into text on its own thread, and the growing
// transcript of the run moves the reading position of the follower's own
// aligner. Publishes the position, where the run stands (with an error text
// when it failed) and the last transcript; whoever shows them makes the words.
//
// Main thread only; the recogniser's thread only posts results here. Every
// run carries a generation; `stop` increases it, and
// any step or result of an older run is dropped, so an old run still
// unwinding can no longer touch the state, the transcripts or the position.
class SpeechFollower : public QObject
{
    Q_OBJECT
    Q_PROPERTY(tandrel::FollowState state READ state NOTIFY stateChanged)
    Q_PROPERTY(qint64 cursor READ cursor NOTIFY cursorChanged)
    Q_PROPERTY(qint64 lookahead READ lookahead NOTIFY lookaheadChanged)
    Q_PROPERTY(QString lastHeard READ lastHeard NOTIFY lastHeardChanged)
    Q_PROPERTY(bool isListening READ isListening NOTIFY isListeningChanged)
    Q_PROPERTY(QString scriptLanguage READ scriptLanguage NOTIFY languagesChanged)
    Q_PROPERTY(QString modelLanguage READ modelLanguage NOTIFY languagesChanged)

public:
    explicit SpeechFollower(QObject *parent = nullptr);
    ~SpeechFollower() override;

    FollowState state() const { return m_state; }
    // Why the last run failed; empty unless the state is `failed`.
    // Why the run failed while `state` is `failed`; none otherwise.
    FollowFailure failure() const { return m_failure; }
    // The script being followed and the reading position within it.
    const ScriptAligner &aligner() const { return m_aligner; }
    qint64 cursor() const { return m_aligner.cursor(); }
    qint64 lookahead() const { return m_aligner.lookahead(); }
    QString lastHeard() const { return m_lastHeard; }
    bool isListening() const { return m_isListening; }
    quint64 runGeneration() const { return m_runGeneration; }
    SpeechAudioSink &sink() { return *m_sink; }

    // Where the recogniser's models are looked for (empty: every model
    // folder, sphinxModelRoots), and the locale that leads the choice among
    // them (the system locale by default).
    void setModelRoot(const QString &root) { m_modelRoot = root; }
    void setPreferredLocale(const QString &locale) { m_preferredLocale = locale; }
    void setBiasMode(SpeechBiasMode mode) { m_biasMode = mode; }
    // The language scripts are written in ("de"); empty: told by each
    // script's words (detectScriptLanguage), else the preferred locale's.
    // Takes effect with the next start.
    void setFixedScriptLanguage(const QString &language) { m_fixedLanguage = language; }
    QString fixedScriptLanguage() const { return m_fixedLanguage; }

    // The language of the script the current (or last) run follows, and of
    // the model it listens with; empty before a model was chosen. When they
    // differ, the model hears the script through espeak-ng's pronunciations.
    QString scriptLanguage() const { return m_scriptLanguage; }
    QString modelLanguage() const { return m_modelLanguage; }

    // Begins a new run on `script` after ending any earlier one. `capture`
    // must outlive the run or be stopped first.
    void start(ScriptDocumentPtr script, AudioTapHost &capture);
    void start(const QString &script, AudioTapHost &capture) { start(ScriptDocument::make(script), capture); }
    // Ends the current run at once; a failure stays visible.
    void stop(AudioTapHost &capture);
    // An edited script: the reader stays on the word to be read next where
    // the new script still holds it. A running recogniser keeps its model.
    void loadScript(ScriptDocumentPtr script);
    void loadScript(const QString &script) { loadScript(ScriptDocument::make(script)); }
    // Back to the first word; the next transcript starts from nothing, so
    // the words heard before cannot carry the position forward again.
    void rewind();

    // Result intake on the main thread: the recogniser's text of the current
    // utterance, pending or final, tagged with the run it belongs to.
    // `audioTime` is the capture time of the audio heard when it came.
    void handleAnalyzerResult(const QString &text, bool isFinal, quint64 generation, double audioTime = 0);

    // The thread time the current run has spent decoding.
    double decodingSeconds() const;
    // Recogniser threads not yet joined: the current run's, and those of
    // stopped runs whose model was still loading.
    int recognizerThreads() const { return int(m_retired.size()) + (m_analyzer ? 1 : 0); }

signals:
    void stateChanged();
    void failureChanged();
    void cursorChanged();
    void lookaheadChanged();
    void lastHeardChanged();
    void isListeningChanged();
    void languagesChanged();
    // A result of the current run has moved (or kept) the reading position.
    void resultHandled(double audioTime, const QString &transcript, bool isFinal);
    // The run ended by itself after its input stream finished (not by `stop`).
    void runEnded();

private:
    void run(quint64 generation);
    void modelLoaded(quint64 generation, const SpeechProblem &error);
    void recognizerFinished(quint64 generation);
    void recognitionFailed(quint64 generation, const SpeechProblem &description);
    void tearDownRecognizer();
    void releaseRun();
    void joinEndedRecognizers();
    bool isCurrent(quint64 generation) const { return generation == m_runGeneration; }
    void setState(FollowState state, quint64 generation, const FollowFailure &failure = {});
    void setLastHeard(const QString &text);
    void setListening(bool listening);
    void resetTexts();
    void setLanguages(const QString &script, const QString &model);
    // Applies `change` to the aligner and notifies what it moved.
    template<typename Change> void moveAligner(Change change);

    FollowState m_state = FollowState::idle;
    FollowFailure m_failure;
    ScriptAligner m_aligner;
    QString m_lastHeard;
    bool m_isListening = false;
    bool m_runPending = false; // the run's first step is queued
    std::unique_ptr<SphinxRecognizer> m_analyzer;
    // Cancelled while loading their model; joined once their thread has ended.
    std::vector<std::unique_ptr<SphinxRecognizer>> m_retired;
    std::shared_ptr<SpeechAudioSink> m_sink; // shared with the installed tap
    std::shared_ptr<SpeechInputStream> m_stream;
    double m_decoding = 0;
    QString m_analyzerCommitted;
    QString m_analyzerVolatile;
    quint64 m_runGeneration = 0;
    AudioTapHost *m_capture = nullptr;

    QString m_modelRoot;
    QString m_preferredLocale;
    QString m_fixedLanguage;
    QString m_scriptLanguage;
    QString m_modelLanguage;
    SpeechBiasMode m_biasMode = SpeechBiasMode::ScriptNgram;
};

} // namespace tandrel
