#include "platform/desktop_opener.h"

#include <QProcess>
#include <QTimer>
#include <memory>
#include <utility>

namespace tandrel {

namespace {

const QString opener = QStringLiteral("xdg-open");

// xdg-open's exit statuses: 1 a wrong command line, 2 no such file, 3 no
// program found for the file, 4 the action failed.
OpenFailure failureOfExitCode(int code)
{
    switch (code) {
    case 2:
        return OpenFailure::notFound;
    case 3:
        return OpenFailure::noProgram;
    default:
        return OpenFailure::refused;
    }
}

} // namespace

bool SystemDesktopOpener::open(const QString &path)
{
    return QProcess::startDetached(opener, {path});
}

void SystemDesktopOpener::openAndReport(const QString &path, Settled settled)
{
    // Without a parent: nothing stops the opener when the caller goes. It
    // deletes itself once it has ended.
    auto *process = new QProcess;
    process->setProgram(opener);
    process->setArguments({path});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());

    auto pending = std::make_shared<Settled>(std::move(settled));
    auto settle = [pending](std::optional<OpenFailure> failure) {
        if (Settled callback = std::exchange(*pending, {}))
            callback(failure);
    };
    auto *handOver = new QTimer(process);
    handOver->setSingleShot(true);
    handOver->setInterval(handOverMs);
    QObject::connect(handOver, &QTimer::timeout, process, [settle] { settle(std::nullopt); });
    QObject::connect(
            process, &QProcess::finished, process, [process, settle](int code, QProcess::ExitStatus status) {
                if (status == QProcess::NormalExit && code == 0)
                    settle(std::nullopt);
                else
                    settle(status == QProcess::NormalExit ? failureOfExitCode(code) : OpenFailure::refused);
                process->deleteLater();
            });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, settle](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         settle(OpenFailure::noOpener);
                         process->deleteLater();
                     });
    handOver->start();
    process->start();
}

} // namespace tandrel
