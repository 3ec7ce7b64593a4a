#pragma once

// Test helper: English speech from the espeak-ng command-line tool.

#include <QProcess>
#include <QString>

namespace tandrel::testing {

// Writes `text` spoken by espeak-ng's en-us voice into the WAV file `path`;
// whether that worked.
inline bool speakToWav(const QString &text, const QString &path, int wordsPerMinute = 160)
{
    QProcess espeak;
    espeak.start(QStringLiteral("espeak-ng"),
                 {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("-s"),
                  QString::number(wordsPerMinute), QStringLiteral("-w"), path, text});
    return espeak.waitForFinished(60000) && espeak.exitStatus() == QProcess::NormalExit
            && espeak.exitCode() == 0;
}

} // namespace tandrel::testing
