#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

namespace tandrel::testing {

// What a program printed (its standard output, with its errors too when
// asked for) and its exit code; -1 when it crashed or did not finish.
struct ToolRun
{
    int exitCode = -1;
    QByteArray output;
    QString text() const { return QString::fromUtf8(output).trimmed(); }
};

enum class ToolErrors { apart, withOutput };

inline ToolRun runTool(const QString &program, const QStringList &args, ToolErrors errors = ToolErrors::apart,
                       int timeoutMs = 300000)
{
    QProcess process;
    if (errors == ToolErrors::withOutput)
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    ToolRun run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.output = process.readAllStandardOutput();
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    return run;
}

// A PulseAudio command of the test environment, which must succeed; what it
// printed, trimmed (a loaded module's index, a listing).
inline QString pactl(const QStringList &args)
{
    const ToolRun run = runTool(QStringLiteral("pactl"), args, ToolErrors::withOutput, 20000);
    EXPECT_EQ(run.exitCode, 0) << args.join(' ').toStdString() << ": " << run.text().toStdString();
    return run.text();
}

} // namespace tandrel::testing
