#pragma once

// Test helper: Debian's English PocketSphinx model repacked as a model
// archive of the CMU Sphinx project's shape (one top folder holding the
// acoustic model and a dictionary), to install under any locale.

#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

namespace tandrel::testing {

inline const QString debianEnglishModel = QStringLiteral("/usr/share/pocketsphinx/model/en-us");

// The archive's bytes, made in `work`; its dictionary lacks the words in
// `leaveOut`, and it has no language model. Empty when tar failed.
inline QByteArray repackedEnglishModel(const QString &work, const QStringList &leaveOut = {})
{
    const QString model = work + QStringLiteral("/pack/model");
    QDir().mkpath(model + QStringLiteral("/acoustic"));
    for (const QString &name : QDir(debianEnglishModel + QStringLiteral("/en-us")).entryList(QDir::Files))
        QFile::copy(debianEnglishModel + QStringLiteral("/en-us/") + name, model + QStringLiteral("/acoustic/") + name);
    QFile dictionary(debianEnglishModel + QStringLiteral("/cmudict-en-us.dict"));
    if (!dictionary.open(QIODevice::ReadOnly))
        return {};
    QByteArray kept;
    while (!dictionary.atEnd()) {
        const QByteArray line = dictionary.readLine();
        const QString word = QString::fromUtf8(line.left(line.indexOf(' '))).section(QLatin1Char('('), 0, 0);
        if (!leaveOut.contains(word))
            kept += line;
    }
    if (!writeFile(model + QStringLiteral("/words.dict"), kept))
        return {};
    QProcess tar;
    const QString archive = work + QStringLiteral("/model.tar.gz");
    tar.start(QStringLiteral("tar"), {QStringLiteral("-czf"), archive, QStringLiteral("-C"),
                                      work + QStringLiteral("/pack"), QStringLiteral("model")});
    if (!tar.waitForFinished(120000) || tar.exitCode() != 0)
        return {};
    return readFile(archive);
}

} // namespace tandrel::testing
