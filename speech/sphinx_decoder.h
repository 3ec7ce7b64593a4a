#pragma once

#include "speech/sphinx_recognizer.h"

#include <QString>
#include <QStringList>

#include <pocketsphinx.h>

#include <memory>

namespace tandrel {

struct SphinxDecoderDeleter
{
    void operator()(ps_decoder_t *ps) const { ps_free(ps); }
};
using Decoder = std::unique_ptr<ps_decoder_t, SphinxDecoderDeleter>;

// A PocketSphinx decoder for `options` (the model, biased towards the
// script), with `extra` decoder options after the options' own; none with
// the reason in `problem`. Blocks for as long as the model takes to load.
Decoder loadSphinxDecoder(const SphinxOptions &options, SpeechProblem *problem,
                          const QStringList &extra = {});

// The hypothesis as plain words: PocketSphinx marks fillers such as <sil> and
// [NOISE], alternative pronunciations as "word(2)", and a grammar search can
// leave "(NULL)" entries behind.
QString cleanHypothesis(const char *hyp);

// Mixes white noise of `rms` (16-bit units) into the samples before they are
// decoded; `state` carries the noise from one call to the next. The acoustic
// models learnt from microphone recordings, whose noise floor covers every
// frequency band; a signal without one (a noise-suppressing or gated
// microphone, a virtual source, synthetic speech) has spectral bands near
// zero, whose logarithms the model has never seen, and is heard far worse.
// At -50 dBFS the floor is 30 dB below a speaker at a normal level.
void addNoiseFloor(int16 *samples, size_t count, double rms, quint32 &state);

} // namespace tandrel
