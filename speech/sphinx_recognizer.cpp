#include "speech/sphinx_recognizer.h"

#include "speech/sphinx_decoder.h"

#include <pocketsphinx.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>

namespace tandrel {

namespace {

double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
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

void SphinxRecognizer::waitForInstall(SpeechProblem *problem)
{
    // An install takes as long as its download; the loading state shows it.
    while (!isCancelled() && sphinxInstallRunning(m_options.model))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const QString folder = m_options.model.folder;
    if (std::optional<SphinxModel> model = sphinxModelIn(folder, m_options.model.locale))
        m_options.model = *model;
    else
        *problem = {.kind = SpeechProblem::Kind::installUnfinished, .detail = m_options.model.locale};
}

void SphinxRecognizer::decode()
{
    auto report = [this](auto &&call) {
        std::lock_guard lock(m_callbackMutex);
        if (!m_cancelled)
            call();
    };

    SpeechProblem problem;
    if (m_options.model.installing)
        waitForInstall(&problem);
    Decoder ps = isCancelled() || problem.kind != SpeechProblem::Kind::none
            ? nullptr
            : loadSphinxDecoder(m_options, &problem);
    m_loading = false;
    report([&] {
        if (m_callbacks.loaded)
            m_callbacks.loaded(ps ? SpeechProblem() : problem);
    });
    if (!ps)
        return;

    auto fail = [&](const SpeechProblem &why) {
        report([&] {
            if (m_callbacks.failed)
                m_callbacks.failed(why);
        });
    };
    if (ps_start_utt(ps.get()) < 0)
        return fail({.kind = SpeechProblem::Kind::decoderNotStarted});
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
            return fail({.kind = SpeechProblem::Kind::audioNotProcessed, .seconds = chunk.time});
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
                return fail({.kind = SpeechProblem::Kind::decoderNotStarted});
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
