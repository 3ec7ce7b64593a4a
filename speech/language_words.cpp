#include "speech/language_words.h"

#include <QFile>
#include <QHash>

#include <mutex>

namespace tandrel {

namespace {

QStringList readList(const QString &language)
{
    QFile file(QStringLiteral(":/speech/words/%1.txt").arg(language));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList words;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.isEmpty() && !line.startsWith('#'))
            words.append(QString::fromUtf8(line));
    }
    return words;
}

} // namespace

QStringList wordListLanguages()
{
    return {QStringLiteral("de"), QStringLiteral("en"), QStringLiteral("es"), QStringLiteral("fr"),
            QStringLiteral("it"), QStringLiteral("nl"), QStringLiteral("pt"), QStringLiteral("ru")};
}

QStringList languageWords(const QString &language, int count)
{
    static std::mutex mutex;
    static QHash<QString, QStringList> lists;
    std::lock_guard lock(mutex);
    auto it = lists.find(language);
    if (it == lists.end())
        it = lists.insert(language, readList(language));
    return it->mid(0, count);
}

} // namespace tandrel
