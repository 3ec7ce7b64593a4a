#pragma once

#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace tandrel::testing {

// What one run of the tandrelctl binary left: exit status (-1 when it
// crashed or hung), standard output and standard error.
struct CtlRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

inline CtlRun runProgram(const QString &program, const QStringList &args, int timeoutMs = 60000)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs))
        process.kill();
    process.waitForFinished();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace tandrel::testing
