#pragma once

// Test helper: speech from the espeak-ng command-line tool.

#include <QProcess>
#include <QString>

namespace tandrel::testing {

// Writes `text` spoken by espeak-ng's `voice` into the WAV file `path`;
// whether that worked.
inline bool speakToWav(const QString &text, const QString &path, int wordsPerMinute = 160,
                       const QString &voice = QStringLiteral("en-us"))
{
    QProcess espeak;
    espeak.start(QStringLiteral("espeak-ng"),
                 {QStringLiteral("-v"), voice, QStringLiteral("-s"),
                  QString::number(wordsPerMinute), QStringLiteral("-w"), path, text});
    return espeak.waitForFinished(60000) && espeak.exitStatus() == QProcess::NormalExit
            && espeak.exitCode() == 0;
}

} // namespace tandrel::testing
