#include "speech/script_language.h"

#include "speech/language_words.h"

#include <QHash>
#include <QRegularExpression>

#include <mutex>

namespace tandrel {

namespace {

constexpr int FunctionWords = 200;

// Each frequent word and the languages it is frequent in.
const QHash<QString, QStringList> &frequentIn()
{
    static std::once_flag once;
    static QHash<QString, QStringList> words;
    std::call_once(once, [] {
        for (const QString &language : wordListLanguages()) {
            for (const QString &w : languageWords(language, FunctionWords))
                words[w].append(language);
        }
    });
    return words;
}

// A letter that one language writes and the others of the lists hardly do.
QString languageOfLetter(QChar c)
{
    switch (c.toLower().unicode()) {
    case u'ß':
    case u'ä':
    case u'ö':
        return QStringLiteral("de");
    case u'ñ':
    case u'¿':
    case u'¡':
        return QStringLiteral("es");
    case u'ã':
    case u'õ':
        return QStringLiteral("pt");
    case u'œ':
        return QStringLiteral("fr");
    default:
        return c.script() == QChar::Script_Cyrillic ? QStringLiteral("ru") : QString();
    }
}

} // namespace

QString languageOf(const QString &locale)
{
    return QString(locale).replace(QLatin1Char('_'), QLatin1Char('-')).section(QLatin1Char('-'), 0, 0).toLower();
}

QString detectScriptLanguage(const QString &script)
{
    static const QRegularExpression word(QStringLiteral("[\\p{L}]+(?:['’][\\p{L}]+)*"));
    QHash<QString, double> score;
    for (auto it = word.globalMatch(script); it.hasNext();) {
        const QString w = it.next().captured().toLower().replace(QChar(0x2019), QLatin1Char('\''));
        const QStringList languages = frequentIn().value(w);
        for (const QString &language : languages)
            score[language] += 1.0 / languages.size();
        // One letter of its own per word is enough to count.
        for (const QChar c : w) {
            if (const QString language = languageOfLetter(c); !language.isEmpty()) {
                score[language] += 0.5;
                break;
            }
        }
    }
    QString best;
    double first = 0, second = 0;
    for (auto it = score.cbegin(); it != score.cend(); ++it) {
        if (it.value() > first) {
            second = first;
            first = it.value();
            best = it.key();
        } else if (it.value() > second) {
            second = it.value();
        }
    }
    return first > second ? best : QString();
}

} // namespace tandrel
