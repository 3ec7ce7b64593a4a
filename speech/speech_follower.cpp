#include "speech/speech_follower.h"

#include "platform/main_thread.h"
#include "speech/sphinx_model.h"
#include "speech/sphinx_recognizer.h"
#include "teleprompter/teleprompter_state.h"

#include <QLocale>
#include <QTimer>

namespace tandrel {

namespace {

QString startingText()
{
    return QStringLiteral("Starte lokales Sprachmodell…");
}
QString preparingText()
{
    return QStringLiteral("Bereite lokales Sprachmodell vor…");
}
QString loadingText()
{
    return QStringLiteral("Lade lokales Sprachmodell…");
}
QString listeningText()
{
    return QStringLiteral("Hört zu…");
}

} // namespace

bool SpeechFollower::isTransientStatus(const QString &status)
{
    return status == startingText() || status == preparingText() || status == loadingText()
            || status == listeningText();
}

SpeechFollower::SpeechFollower(QObject *parent)
    : QObject(parent), m_sink(std::make_shared<SpeechAudioSink>()), m_modelRoot(defaultSphinxModelRoot()),
      m_preferredLocale(QLocale::system().name())
{ }

SpeechFollower::~SpeechFollower()
{
    // The capture may already be gone at shutdown; the tap holds its own
    // reference to the sink, and a reset sink drops whatever still arrives.
    if (m_analyzer)
        m_analyzer->cancel();
    m_sink->reset();
    if (m_stream)
        m_stream->finish();
}

void SpeechFollower::start(const QString &script, AudioTapHost &capture, TeleprompterState &state)
{
    stop(capture);
    m_state = &state;
    m_capture = &capture;
    state.loadScript(script);
    disconnect(m_resetConnection);
    // The teleprompter rewound to the first word: the next transcript must
    // start from nothing, or the aligner would jump straight back.
    m_resetConnection
            = connect(&state, &TeleprompterState::followResetRequested, this, [this] { resetTexts(); });
    resetTexts();
    const quint64 generation = m_runGeneration;
    setStatus(startingText(), generation);
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
    // A run stopped while its model loads has not handed the stream to the
    // sink yet; finishing it here lets the recogniser's thread end.
    if (m_stream)
        m_stream->finish();
    m_stream.reset();
    setListening(false);
    if (m_statusMessage.isEmpty() || isTransientStatus(m_statusMessage)) {
        if (!m_statusMessage.isEmpty()) {
            m_statusMessage.clear();
            emit statusMessageChanged();
        }
        if (m_state)
            m_state->setFollowStatus(QString());
    }
}

void SpeechFollower::run(quint64 generation)
{
    if (!isCurrent(generation) || !m_runPending)
        return;
    m_runPending = false;
    if (!m_capture->selectedMicrophoneID()) {
        setStatus(QStringLiteral("Keine Audioquelle fürs Mitlaufen. Mikrofon wählen."), generation);
        return;
    }
    // Recognition runs on this machine; there is nothing to authorise.
    setStatus(preparingText(), generation);
    std::optional<SphinxModel> model
            = chooseSphinxModel(installedSphinxModels(m_modelRoot), m_preferredLocale);
    if (!model) {
        setStatus(QStringLiteral("Keine lokale Spracherkennung für diese Sprache."), generation);
        return;
    }
    setStatus(loadingText(), generation);
    m_stream = std::make_shared<SpeechInputStream>();
    const QString script = m_state ? m_state->script() : QString();
    QPointer<TeleprompterState> state = m_state;
    SphinxCallbacks callbacks;
    callbacks.loaded = [this, generation](const QString &error) {
        runOnMain(this, [this, generation, error] { modelLoaded(generation, error); });
    };
    callbacks.result = [this, generation, state](const QString &text, bool isFinal, double audioTime) {
        runOnMain(this, [this, generation, state, text, isFinal, audioTime] {
            handleAnalyzerResult(text, isFinal, state.data(), generation, audioTime);
        });
    };
    callbacks.finished
            = [this, generation] { runOnMain(this, [this, generation] { recognizerFinished(generation); }); };
    m_analyzer = SphinxRecognizer::start({*model, script, m_biasMode}, m_stream, std::move(callbacks));
}

void SpeechFollower::modelLoaded(quint64 generation, const QString &error)
{
    if (!isCurrent(generation))
        return;
    if (!error.isEmpty()) {
        tearDownRecognizer();
        m_sink->reset();
        setListening(false);
        setStatus(QStringLiteral("Sprachmodell: ") + error, generation);
        return;
    }
    m_sink->prepareAnalyzer(SphinxRecognizer::inputFormat(), m_stream);
    std::shared_ptr<SpeechAudioSink> sink = m_sink;
    m_capture->setAudioTap([sink](const AudioBuffer &buffer) { sink->append(buffer); });
    setListening(true);
    setStatus(listeningText(), generation);
}

void SpeechFollower::recognizerFinished(quint64 generation)
{
    if (!isCurrent(generation))
        return;
    m_capture->setAudioTap({});
    m_sink->reset();
    tearDownRecognizer();
    m_stream.reset();
    setListening(false);
    if (m_statusMessage == listeningText()) {
        m_statusMessage.clear();
        emit statusMessageChanged();
        if (m_state)
            m_state->setFollowStatus(QString());
    }
    emit runEnded();
}

void SpeechFollower::tearDownRecognizer()
{
    if (!m_analyzer)
        return;
    m_analyzer->cancel();
    m_decodedAudio = m_analyzer->audioSeconds();
    m_decoding = m_analyzer->decodeSeconds();
    m_analyzer.reset();
}

double SpeechFollower::decodedAudioSeconds() const
{
    return m_analyzer ? m_analyzer->audioSeconds() : m_decodedAudio;
}

double SpeechFollower::decodingSeconds() const
{
    return m_analyzer ? m_analyzer->decodeSeconds() : m_decoding;
}

void SpeechFollower::handleAnalyzerResult(const QString &text, bool isFinal, TeleprompterState *state,
                                          quint64 generation, double audioTime)
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
    if (state)
        state->ingestRecognized(transcript, isFinal);
    emit resultHandled(audioTime, transcript, isFinal);
    if (m_statusMessage != listeningText() && isCurrent(generation))
        setStatus(listeningText(), generation);
}

void SpeechFollower::setStatus(const QString &text, quint64 generation)
{
    if (!isCurrent(generation))
        return;
    if (m_statusMessage != text) {
        m_statusMessage = text;
        emit statusMessageChanged();
    }
    if (m_state)
        m_state->setFollowStatus(text);
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

void SpeechFollower::resetTexts()
{
    m_analyzerCommitted.clear();
    m_analyzerVolatile.clear();
    setLastHeard(QString());
}

} // namespace tandrel
