#pragma once

#include <QString>
#include <QStringList>

namespace tandrel {

// The languages whose most frequent words this program keeps (speech/words),
// as language codes: "de", "en", "es", "fr", "it", "nl", "pt", "ru".
QStringList wordListLanguages();

// The `count` most frequent words of `language`, most frequent first, in
// lower case; empty for a language without a list. Counted from ordinary
// prose in Debian's packages by scripts/make-word-lists.
QStringList languageWords(const QString &language, int count);

} // namespace tandrel
