#include "speech/sphinx_recognizer.h"

#include <QTemporaryDir>

#include <pocketsphinx.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>

namespace tandrel {

namespace {

struct DecoderDeleter
{
    void operator()(ps_decoder_t *ps) const { ps_free(ps); }
};
using Decoder = std::unique_ptr<ps_decoder_t, DecoderDeleter>;

// The hypothesis as plain words: PocketSphinx marks fillers such as <sil> and
// [NOISE], and a grammar search can leave "(NULL)" entries behind.
QString cleanHypothesis(const char *hyp)
{
    if (!hyp)
        return {};
    QStringList words;
    for (const QString &w : QString::fromUtf8(hyp).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (w == QLatin1String("(NULL)") || w.startsWith(QLatin1Char('<')) || w.startsWith(QLatin1Char('[')))
            continue;
        int paren = w.indexOf(QLatin1Char('('));
        words.append(paren > 0 ? w.left(paren) : w);
    }
    return words.join(QLatin1Char(' '));
}

// Mixes white noise of `rms` (16-bit units) into the samples. The acoustic
// models learnt from microphone recordings, whose noise floor covers every
// frequency band; a signal without one (a noise-suppressing or gated
// microphone, a virtual source, synthetic speech) has spectral bands near
// zero, whose logarithms the model has never seen, and is heard far worse.
// At -50 dBFS the floor is 30 dB below a speaker at a normal level.
void addNoiseFloor(int16 *samples, size_t count, double rms, quint32 &state)
{
    if (rms <= 0)
        return;
    // The sum of four uniform values is close enough to Gaussian, with a
    // variance of 4/12: scaled by sqrt(3) it has unit variance.
    const double scale = rms * std::sqrt(3.0);
    for (size_t i = 0; i < count; ++i) {
        double u = 0;
        for (int k = 0; k < 4; ++k) {
            state = state * 1664525u + 1013904223u;
            u += double(state >> 8) / double(1u << 24) - 0.5;
        }
        samples[i] = int16(std::clamp(samples[i] + u * scale, -32768.0, 32767.0));
    }
}

double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

Decoder loadDecoder(const SphinxOptions &options, QString *error)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        *error = folder.errorString();
        return nullptr;
    }
    Result<SpeechBiasFiles> files
            = writeSpeechBias(options.model, options.script, options.bias, folder.path(),
                                   options.background, options.language);
    if (!files) {
        *error = files.error();
        return nullptr;
    }
    QList<QByteArray> arguments{"-hmm", options.model.acousticModel.toUtf8(), "-dict",
                                files->dictionary.toUtf8(),
                                // The library logs to stderr unless told otherwise.
                                "-logfn", "/dev/null", "-samprate", "16000",
                                // Digital silence (a muted or idle microphone gives exact zeros)
                                // upsets the noise and voice detectors; a fixed seed keeps
                                // decoding repeatable.
                                "-dither", "yes", "-seed", "1"};
    if (!files->languageModel.isEmpty())
        arguments << "-lm" << files->languageModel.toUtf8();
    else
        arguments << "-jsgf" << files->grammar.toUtf8();
    // Measured on espeak-ng readings (follow_bench): with a model of the
    // script alone, a heavier language weight and a lower word insertion
    // penalty keep stray short words ("the", "are") out, which would
    // otherwise carry the reading position ahead of the speaker; scoring
    // eight Gaussians a frame instead of four hears German words through
    // the English model better (word errors 14 % -> 12 %) for a third more
    // decoding time.
    if (options.bias == SpeechBiasMode::ScriptNgram || options.bias == SpeechBiasMode::ScriptNgramAlone) {
        for (const auto &[name, value] :
             {std::pair{"-lw", "10"}, std::pair{"-wip", "0.2"}, std::pair{"-topn", "8"}}) {
            if (!options.decoderArguments.contains(QLatin1String(name)))
                arguments << name << value;
        }
    }
    for (const QString &a : options.decoderArguments)
        arguments << a.toUtf8();
    std::vector<char *> argv;
    for (QByteArray &a : arguments)
        argv.push_back(a.data());
    cmd_ln_t *config = cmd_ln_parse_r(nullptr, ps_args(), int(argv.size()), argv.data(), TRUE);
    if (!config) {
        *error = QStringLiteral("Ungültige Decoder-Optionen: %1")
                         .arg(options.decoderArguments.join(QLatin1Char(' ')));
        return nullptr;
    }
    Decoder ps(ps_init(config));
    cmd_ln_free_r(config);
    if (!ps)
        *error = QStringLiteral("Das Sprachmodell in %1 konnte nicht geladen werden.")
                         .arg(options.model.acousticModel);
    return ps;
}

} // namespace

AudioFormat SphinxRecognizer::inputFormat()
{
    return AudioFormat{16000, 1, SampleFormat::Int16};
}

std::unique_ptr<SphinxRecognizer> SphinxRecognizer::start(SphinxOptions options,
                                                          std::shared_ptr<SpeechInputStream> stream,
                                                          SphinxCallbacks callbacks)
{
    return std::unique_ptr<SphinxRecognizer>(
            new SphinxRecognizer(std::move(options), std::move(stream), std::move(callbacks)));
}

SphinxRecognizer::SphinxRecognizer(SphinxOptions options, std::shared_ptr<SpeechInputStream> stream,
                                   SphinxCallbacks callbacks)
    : m_options(std::move(options)), m_stream(std::move(stream)), m_callbacks(std::move(callbacks))
{
    m_thread = std::thread([this] { run(); });
}

SphinxRecognizer::~SphinxRecognizer()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
}

void SphinxRecognizer::cancel()
{
    {
        std::lock_guard lock(m_callbackMutex);
        m_cancelled = true;
    }
    // Wakes the decode loop if it waits for audio; it then sees the cancel.
    if (m_stream)
        m_stream->finish();
}

void SphinxRecognizer::run()
{
    decode();
    m_ended = true;
    if (m_callbacks.threadEnded)
        m_callbacks.threadEnded();
}

void SphinxRecognizer::waitForInstall(QString *error)
{
    // An install takes as long as its download; the loading state shows it.
    while (!isCancelled() && sphinxInstallRunning(m_options.model))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const QString folder = m_options.model.folder;
    if (std::optional<SphinxModel> model = sphinxModelIn(folder, m_options.model.locale))
        m_options.model = *model;
    else
        *error = QStringLiteral("Das Sprachmodell für %1 wurde nicht fertig installiert.")
                         .arg(m_options.model.locale);
}

void SphinxRecognizer::decode()
{
    auto report = [this](auto &&call) {
        std::lock_guard lock(m_callbackMutex);
        if (!m_cancelled)
            call();
    };

    QString error;
    if (m_options.model.installing)
        waitForInstall(&error);
    Decoder ps = isCancelled() || !error.isEmpty() ? nullptr : loadDecoder(m_options, &error);
    m_loading = false;
    report([&] {
        if (m_callbacks.loaded)
            m_callbacks.loaded(ps ? QString() : error);
    });
    if (!ps)
        return;

    auto fail = [&](const QString &description) {
        report([&] {
            if (m_callbacks.failed)
                m_callbacks.failed(description);
        });
    };
    if (ps_start_utt(ps.get()) < 0)
        return fail(QStringLiteral("Der Decoder ließ sich nicht starten."));
    bool inUtterance = false;
    QString pending;
    double streamTime = 0;
    double lastHypothesisTime = 0;
    auto finishUtterance = [&] {
        ps_end_utt(ps.get());
        QString text = cleanHypothesis(ps_get_hyp(ps.get(), nullptr));
        if (!text.isEmpty() || !pending.isEmpty())
            report([&] { m_callbacks.result(text, true, streamTime); });
        pending.clear();
    };

    SpeechChunk chunk;
    quint32 noiseState = 1; // the same noise on every run: decoding stays repeatable
    while (!isCancelled() && m_stream->next(chunk)) {
        const double began = threadSeconds();
        const auto samples = chunk.samples.size() / 2;
        addNoiseFloor(reinterpret_cast<int16 *>(chunk.samples.data()), samples, m_options.noiseFloor,
                      noiseState);
        if (ps_process_raw(ps.get(), reinterpret_cast<const int16 *>(chunk.samples.constData()),
                           size_t(samples), FALSE, FALSE)
            < 0) {
            ps_end_utt(ps.get());
            return fail(QStringLiteral("Der Decoder hat Audio bei %1 s nicht verarbeitet.")
                                .arg(QString::number(chunk.time, 'f', 1)));
        }
        m_audioSeconds = m_audioSeconds + double(samples) / 16000.0;
        streamTime = chunk.time + double(samples) / 16000.0;
        const bool speaking = ps_get_in_speech(ps.get());
        if (speaking) {
            inUtterance = true;
            // Under backlog, decode what is queued before asking for a
            // hypothesis (the newest words matter, not every step to them),
            // but still report twice a second of audio.
            if (m_stream->pending() == 0 || streamTime - lastHypothesisTime >= 0.5) {
                lastHypothesisTime = streamTime;
                QString text = cleanHypothesis(ps_get_hyp(ps.get(), nullptr));
                if (!text.isEmpty() && text != pending) {
                    pending = text;
                    report([&] { m_callbacks.result(text, false, streamTime); });
                }
            }
        } else if (inUtterance) {
            finishUtterance();
            if (ps_start_utt(ps.get()) < 0)
                return fail(QStringLiteral("Der Decoder ließ sich nicht starten."));
            inUtterance = false;
        }
        m_decodeSeconds = m_decodeSeconds + (threadSeconds() - began);
    }
    if (!isCancelled())
        finishUtterance();
    else
        ps_end_utt(ps.get());
    report([&] {
        if (m_callbacks.finished)
            m_callbacks.finished();
    });
}

} // namespace tandrel
