#pragma once

#include <QString>
#include <QStringList>

namespace tandrel {

// espeak-ng's voice that reads `language` ("de" -> "de", "pt" -> "pt-br",
// "en" -> "en-us"); empty when espeak-ng has none.
QString espeakVoice(const QString &language);

// espeak-ng's phonemes of `text` read by the rules of `language`: its phoneme
// mnemonics joined by "_" within a word and by " " between words, with the
// stress marks. Empty when espeak-ng cannot read the language. Thread-safe.
QString espeakPhonemes(const QString &text, const QString &language);

// The phones of the CMU dictionary's set (the one of the English models)
// that sound nearest to espeak-ng's phonemes of `language`, joined by blanks
// ("S_t_r_'A:_s_@" -> "SH T R AA S AH"); empty when a phoneme has no match.
// The table and its choices are in espeak_pronouncer.cpp.
QString cmuPhones(const QString &phonemes, const QString &language);

// A pronunciation of `word` as read in `language`, in the CMU phone set:
// how the English models hear a word of any language espeak-ng reads
// ("tandrel" -> "T AE N D R AH L", "Straße" read as German -> "SH T R AA S
// AH"). Empty when espeak-ng is missing or gives a sound without a match.
// Thread-safe; pronunciations are kept for the life of the process.
QString espeakPronunciation(const QString &word, const QString &language = QStringLiteral("en"));

} // namespace tandrel
