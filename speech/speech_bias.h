#pragma once

#include "platform/result.h"
#include "speech/speech_problem.h"
#include "speech/sphinx_model.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace tandrel {

// How the recogniser is steered towards the script being read.
enum class SpeechBiasMode {
    GeneralModel, // the model's general language model and full dictionary
    ScriptNgram, // a trigram model of the script beside the language's frequent words
    ScriptNgramAlone, // a trigram model of the script, dictionary cut to its words
    ChunkGrammar, // a grammar looping over overlapping 4-word pieces of the script
};

// What the script model offers besides the script, so that speech which is
// not the script comes out as other words: the `count` most frequent words
// of the language, sharing `share` of the unigram probability.
struct SpeechBackground
{
    int count = 1000;
    double share = 0.2;
    bool operator==(const SpeechBackground &) const = default;
};

// The files a recogniser is started with.
struct SpeechBiasFiles
{
    QString dictionary;
    QString languageModel; // set for the n-gram modes
    QString grammar; // set for the grammar mode
    QStringList unknownWords; // script words neither the dictionary nor a spelling rule could place
    bool operator==(const SpeechBiasFiles &) const = default;
};

// The script as the recogniser spells it: sentences (cut at . ! ? … ; : and
// line breaks) of lower-case words; hyphenated words the dictionary lacks are
// split into their parts.
QList<QStringList> scriptSentences(const QString &script);

// A backed-off trigram model of the sentences in ARPA text form (absolute
// discounting), so that the recogniser prefers the script's word order but
// can still jump, skip and repeat.
// `background` words (none of them script words) are plain unigrams sharing
// `backgroundShare` of the unigram probability.
QString scriptArpaModel(const QList<QStringList> &sentences, const QStringList &background = {},
                        double backgroundShare = 0);

// The `count` most frequent words of the model's language: by the unigram
// probabilities of its general language model, or, for a model without one,
// the dictionary's shortest words. Read once per model and process.
QStringList frequentWords(const SphinxModel &model, int count);

// A JSGF grammar that loops over word pieces of `size` words taken every
// `step` words along each sentence (the last piece of a sentence may be
// shorter).
QString scriptChunkGrammar(const QList<QStringList> &sentences, int size = 4, int step = 2);

// Dictionary lines of `dictionaryPath` for the given words (all pronunciation
// variants), keyed by word.
QHash<QString, QStringList> dictionaryEntries(const QString &dictionaryPath, const QStringList &words);

// Whether the model's dictionary is written in the CMU phone set (the
// English models'), in which espeak-ng's pronunciations of any language it
// reads can be written. Read once per dictionary and process.
bool readsCmuPhones(const SphinxModel &model);

// Writes the bias files for `script`, written in `scriptLanguage` (a language
// code; empty: the model's), into `folder`.
// - In the model's language, the script's words take the model's
//   dictionary; words it lacks are pronounced by espeak-ng where the model
//   reads CMU phones and otherwise dropped, so that the search still starts.
//   The background is the model's most frequent words.
// - In another language, on a model that reads CMU phones, every word is
//   pronounced by espeak-ng's rules for that language, and the background is
//   that language's most frequent words (languageWords), pronounced alike.
Result<SpeechBiasFiles, SpeechProblem> writeSpeechBias(const SphinxModel &model, const QString &script,
                                                       SpeechBiasMode mode, const QString &folder,
                                                       const SpeechBackground &background = {},
                                                       const QString &scriptLanguage = {});

} // namespace tandrel
