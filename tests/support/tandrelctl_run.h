#pragma once

#include "tests/support/test_files.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <optional>

namespace tandrel::testing {

// What one run of the tandrelctl binary left: exit status (-1 when it
// crashed or hung), standard output and standard error.
struct CtlRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

// tandrelctl run as a user runs it. With a `home`, the user's own settings,
// runtime folder and home folder stay out of the test; with a `library`,
// every run works on that folder (--library). TANDRELCTL_PATH names the
// binary in the test's build.
class Tandrelctl
{
public:
    explicit Tandrelctl(const QString &home = {}, std::optional<QString> library = std::nullopt)
        : m_environment(QProcessEnvironment::systemEnvironment()), m_library(std::move(library))
    {
        // Messages in the default language whatever the machine's locale;
        // a test that wants English sets LANGUAGE itself.
        for (const char *variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            m_environment.remove(QString::fromLatin1(variable));
        m_environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        if (home.isEmpty())
            return;
        m_environment.insert(QStringLiteral("HOME"), home);
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        m_environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home);
    }

    QProcessEnvironment &environment() { return m_environment; }

    void start(QProcess &process, const QStringList &args, const QByteArray &input = {}) const
    {
        process.setProcessEnvironment(m_environment);
        process.start(QStringLiteral(TANDRELCTL_PATH),
                      (m_library ? QStringList{QStringLiteral("--library"), *m_library} : QStringList())
                              + args);
        process.write(input);
        process.closeWriteChannel();
    }

    CtlRun run(const QStringList &args, const QByteArray &input = {}, int timeoutMs = 180000) const
    {
        QProcess process;
        start(process, args, input);
        return finish(process, timeoutMs);
    }

    // Waits for a started run; a run that outlives `timeoutMs` is killed.
    static CtlRun finish(QProcess &process, int timeoutMs = 180000)
    {
        if (!process.waitForFinished(timeoutMs))
            process.kill();
        process.waitForFinished();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private:
    QProcessEnvironment m_environment;
    std::optional<QString> m_library;
};

// Whether a run was refused as a user must see it: `exitCode`, `err` within
// its standard error, nothing on standard output.
inline ::testing::AssertionResult refused(const CtlRun &run, int exitCode, const QString &err)
{
    if (run.exitCode == exitCode && run.err.contains(err) && run.out.isEmpty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "exit " << run.exitCode << ", stderr: " << run.err.toStdString()
                                         << ", stdout: " << run.out.toStdString();
}

} // namespace tandrel::testing
