#pragma once

#include <QString>

namespace tandrel {

// The language a script is written in, as a language code ("de", "en"),
// judged by its words: for each language with a word list
// (wordListLanguages), the script's words among that language's 200 most
// frequent ones count, a word shared by several languages a share for each;
// letters only one language writes (ß, ñ, Cyrillic) count too. Empty when
// the words do not tell (no such word, or two languages level); the caller
// then goes by the user's locale.
QString detectScriptLanguage(const QString &script);

// The language part of a locale or language name: "de-DE" -> "de".
QString languageOf(const QString &locale);

} // namespace tandrel
