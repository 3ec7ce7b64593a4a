#include "speech/speech_follower.h"

#include "platform/main_thread.h"
#include "speech/anchored_transcript.h"
#include "speech/script_language.h"
#include "speech/sphinx_model.h"
#include "speech/sphinx_recognizer.h"

#include <QLocale>
#include <QTimer>

namespace tandrel {

SpeechFollower::SpeechFollower(QObject *parent)
    : QObject(parent), m_sink(std::make_shared<SpeechAudioSink>()),
      m_preferredLocale(QLocale::system().name())
{ }

SpeechFollower::~SpeechFollower()
{
    // The capture may already be gone at shutdown; the tap holds its own
    // reference to the sink, and a reset sink drops whatever still arrives.
    m_sink->reset();
    // Joins every recogniser thread (one still loading its model is waited
    // for): none may post to this object once it is gone.
    m_analyzer.reset();
    m_retired.clear();
}

void SpeechFollower::start(ScriptDocumentPtr script, AudioTapHost &capture)
{
    stop(capture);
    m_capture = &capture;
    loadScript(std::move(script));
    resetTexts();
    const quint64 generation = m_runGeneration;
    setState(FollowState::starting, generation);
    m_runPending = true;
    QTimer::singleShot(0, this, [this, generation] { run(generation); });
}

void SpeechFollower::stop(AudioTapHost &capture)
{
    ++m_runGeneration;
    m_runPending = false;
    tearDownRecognizer();
    capture.setAudioTap({});
    m_sink->reset();
    m_stream.reset();
    setListening(false);
    if (m_state != FollowState::failed && m_state != FollowState::idle) {
        m_state = FollowState::idle;
        emit stateChanged();
    }
}

template<typename Change> void SpeechFollower::moveAligner(Change change)
{
    const qint64 cursorBefore = m_aligner.cursor();
    const qint64 lookaheadBefore = m_aligner.lookahead();
    change(m_aligner);
    // Both fields are in place before either signal goes out, so a listener
    // reading the whole position never sees half of a move.
    if (m_aligner.cursor() != cursorBefore)
        emit cursorChanged();
    if (m_aligner.lookahead() != lookaheadBefore)
        emit lookaheadChanged();
}

void SpeechFollower::loadScript(ScriptDocumentPtr script)
{
    moveAligner([&](ScriptAligner &aligner) { aligner.replaceScript(std::move(script)); });
}

void SpeechFollower::rewind()
{
    moveAligner([](ScriptAligner &aligner) {
        aligner.setCursor(0);
        aligner.setLookahead(0);
    });
    resetTexts();
}

void SpeechFollower::run(quint64 generation)
{
    if (!isCurrent(generation) || !m_runPending)
        return;
    m_runPending = false;
    if (!m_capture->selectedMicrophoneID()) {
        setState(FollowState::failed, generation, {FollowFailure::Kind::noMicrophone, {}});
        return;
    }
    // Recognition runs on this machine; there is nothing to authorise.
    setState(FollowState::preparing, generation);
    QString language = m_fixedLanguage.isEmpty() ? detectScriptLanguage(m_aligner.script()) : m_fixedLanguage;
    if (language.isEmpty())
        language = languageOf(m_preferredLocale);
    std::optional<SphinxModel> model
            = chooseSphinxModel(m_modelRoot.isEmpty() ? installedSphinxModels(sphinxModelRoots())
                                                      : installedSphinxModels(m_modelRoot),
                                m_preferredLocale, language);
    setLanguages(language, model ? languageOf(model->locale) : QString());
    if (!model) {
        setState(FollowState::failed, generation, {FollowFailure::Kind::noRecognizer, {}});
        return;
    }
    setState(FollowState::loading, generation);
    m_stream = std::make_shared<SpeechInputStream>();
    SphinxCallbacks callbacks;
    callbacks.loaded = [this, generation](const SpeechProblem &problem) {
        runOnMain(this, [this, generation, problem] { modelLoaded(generation, problem); });
    };
    callbacks.result = [this, generation](const QString &text, bool isFinal, double audioTime) {
        runOnMain(this, [this, generation, text, isFinal, audioTime] {
            handleAnalyzerResult(text, isFinal, generation, audioTime);
        });
    };
    callbacks.finished
            = [this, generation] { runOnMain(this, [this, generation] { recognizerFinished(generation); }); };
    callbacks.failed = [this, generation](const SpeechProblem &problem) {
        runOnMain(this, [this, generation, problem] { recognitionFailed(generation, problem); });
    };
    callbacks.threadEnded = [this] { runOnMain(this, [this] { joinEndedRecognizers(); }); };
    SphinxOptions options;
    options.model = *model;
    options.script = m_aligner.script();
    options.bias = m_biasMode;
    options.language = language;
    m_analyzer = SphinxRecognizer::start(std::move(options), m_stream, std::move(callbacks));
}

void SpeechFollower::modelLoaded(quint64 generation, const SpeechProblem &error)
{
    if (!isCurrent(generation))
        return;
    if (error.kind != SpeechProblem::Kind::none) {
        tearDownRecognizer();
        m_sink->reset();
        setListening(false);
        setState(FollowState::failed, generation, {FollowFailure::Kind::modelNotLoaded, error});
        return;
    }
    m_sink->prepareAnalyzer(SphinxRecognizer::inputFormat(), m_stream);
    std::shared_ptr<SpeechAudioSink> sink = m_sink;
    m_capture->setAudioTap([sink](const AudioBuffer &buffer) { sink->append(buffer); });
    setListening(true);
    setState(FollowState::listening, generation);
}

// The run's microphone tap, sink, recogniser and stream go; the state stays.
void SpeechFollower::releaseRun()
{
    m_capture->setAudioTap({});
    m_sink->reset();
    tearDownRecognizer();
    m_stream.reset();
    setListening(false);
}

void SpeechFollower::recognizerFinished(quint64 generation)
{
    if (!isCurrent(generation))
        return;
    releaseRun();
    if (m_state == FollowState::listening)
        setState(FollowState::idle, generation);
    emit runEnded();
}

void SpeechFollower::recognitionFailed(quint64 generation, const SpeechProblem &description)
{
    if (!isCurrent(generation))
        return;
    releaseRun();
    setState(FollowState::failed, generation, {FollowFailure::Kind::recognitionFailed, description});
}

void SpeechFollower::tearDownRecognizer()
{
    if (!m_analyzer)
        return;
    m_analyzer->cancel();
    m_decoding = m_analyzer->decodeSeconds();
    // A decoding thread stops within one chunk, so joining it here is brief;
    // loading a model cannot be cut short, and the main thread does not wait
    // for it.
    if (m_analyzer->isLoading() && !m_analyzer->hasEnded())
        m_retired.push_back(std::move(m_analyzer));
    m_analyzer.reset();
}

void SpeechFollower::joinEndedRecognizers()
{
    std::erase_if(m_retired, [](const std::unique_ptr<SphinxRecognizer> &r) { return r->hasEnded(); });
}

double SpeechFollower::decodingSeconds() const
{
    return m_analyzer ? m_analyzer->decodeSeconds() : m_decoding;
}

void SpeechFollower::handleAnalyzerResult(const QString &text, bool isFinal, quint64 generation,
                                          double audioTime)
{
    if (!isCurrent(generation))
        return;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        if (!isFinal)
            return;
        m_analyzerVolatile.clear();
    } else if (isFinal) {
        m_analyzerCommitted = (m_analyzerCommitted + QLatin1Char(' ') + trimmed).trimmed();
        m_analyzerVolatile.clear();
    } else {
        m_analyzerVolatile = trimmed;
    }
    QStringList parts;
    for (const QString &part : {m_analyzerCommitted, m_analyzerVolatile}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    const QString transcript = parts.join(QLatin1Char(' '));
    setLastHeard(transcript);
    // Only the part of the transcript that is confidently the script moves
    // the position: chatter and an ad-lib leave it where it is.
    moveAligner([&](ScriptAligner &aligner) {
        aligner.ingest(anchoredTranscript(aligner.tokens(), transcript), isFinal);
    });
    emit resultHandled(audioTime, transcript, isFinal);
    // A result proves that the follower hears, whatever was reported before.
    if (m_state != FollowState::listening)
        setState(FollowState::listening, generation);
}

void SpeechFollower::setState(FollowState state, quint64 generation, const FollowFailure &failure)
{
    if (!isCurrent(generation))
        return;
    // The failure changes first: a listener of the state reads both.
    if (m_failure != failure) {
        m_failure = failure;
        emit failureChanged();
    }
    if (m_state != state) {
        m_state = state;
        emit stateChanged();
    }
}

void SpeechFollower::setLastHeard(const QString &text)
{
    if (m_lastHeard != text) {
        m_lastHeard = text;
        emit lastHeardChanged();
    }
}

void SpeechFollower::setListening(bool listening)
{
    if (m_isListening != listening) {
        m_isListening = listening;
        emit isListeningChanged();
    }
}

void SpeechFollower::setLanguages(const QString &script, const QString &model)
{
    if (m_scriptLanguage != script || m_modelLanguage != model) {
        m_scriptLanguage = script;
        m_modelLanguage = model;
        emit languagesChanged();
    }
}

void SpeechFollower::resetTexts()
{
    m_analyzerCommitted.clear();
    m_analyzerVolatile.clear();
    setLastHeard(QString());
}

} // namespace tandrel
