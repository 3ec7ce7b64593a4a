#include "speech/sphinx_decoder.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace tandrel {

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

Decoder loadSphinxDecoder(const SphinxOptions &options, SpeechProblem *problem, const QStringList &extra)
{
    QTemporaryDir folder;
    if (!folder.isValid()) {
        *problem = {.kind = SpeechProblem::Kind::reported, .detail = folder.errorString()};
        return nullptr;
    }
    Result<SpeechBiasFiles, SpeechProblem> files = writeSpeechBias(
            options.model, options.script, options.bias, folder.path(), options.background, options.language);
    if (!files) {
        *problem = files.error();
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
    for (const QString &a : options.decoderArguments + extra)
        arguments << a.toUtf8();
    std::vector<char *> argv;
    for (QByteArray &a : arguments)
        argv.push_back(a.data());
    cmd_ln_t *config = cmd_ln_parse_r(nullptr, ps_args(), int(argv.size()), argv.data(), TRUE);
    if (!config) {
        *problem = {.kind = SpeechProblem::Kind::badOptions,
                    .detail = options.decoderArguments.join(QLatin1Char(' '))};
        return nullptr;
    }
    Decoder ps(ps_init(config));
    cmd_ln_free_r(config);
    if (!ps)
        *problem = {.kind = SpeechProblem::Kind::modelNotLoaded, .path = options.model.acousticModel};
    return ps;
}

} // namespace tandrel
