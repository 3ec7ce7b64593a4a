#pragma once

#include "library/word_time.h"
#include "media/wav_file.h"
#include "platform/result.h"
#include "speech/script_document.h"
#include "speech/speech_problem.h"
#include "speech/sphinx_model.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

namespace tandrel {

// When each word of a script was said in a whole take. The recogniser hears
// the take utterance by utterance (cut at its pauses) with the same model of
// the script as following uses, and reports each word it heard with its
// frames; those words are lined up with the script's tokens (the most words
// that match, in order), and a matched token takes its word's time. Tokens
// between two matched ones that the time between them leaves room for were
// said but misheard: they share that time by their length. Tokens with no
// room (a skipped sentence) and heard words that match no token (an ad-lib)
// get none.
struct WordAlignment
{
    QList<WordTime> words; // in script order
    double audioSeconds = 0;
    double decodeSeconds = 0; // thread time the recogniser took
};

// `audio` is mono 16-bit at 16 kHz; `language` is the script's ("de"; empty:
// the model's). Blocks; any thread. Stops early, with a failure, once
// `cancelled` holds.
// `progress`, when given, hears the share of the audio decoded so far (0 to
// 1), on the calling thread.
Result<WordAlignment, SpeechProblem> alignScriptWords(const WavAudio &audio, const QString &script,
                                                      const SphinxModel &model, const QString &language,
                                                      const std::atomic<bool> *cancelled = nullptr,
                                                      const std::function<void(double)> &progress = {});

struct HeardWord
{
    QString word; // normalized as the aligner compares words
    double start = 0;
    double end = 0;
};

// How much of its script a take said: the share of the script's words with
// a time, and the sentences of which not one word was said.
struct ScriptCoverage
{
    double share = 0; // 0 to 1
    QStringList skippedSentences;
};
ScriptCoverage scriptCoverage(const QList<WordTime> &words, const QString &script);
// The same over a script whose tokens are made already.
ScriptCoverage scriptCoverage(const QList<WordTime> &words, const ScriptDocument &script);

// The lining up alone: heard words with times against the script's tokens.
QList<WordTime> lineUpWords(const QString &script, const QList<HeardWord> &heard);

} // namespace tandrel
