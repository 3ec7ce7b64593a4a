#include "app/ui_language.h"
#include "cli/cli_context.h"

#include <QGuiApplication>
#include <cstdio>

namespace {

// Qt's own diagnostics (platform plugin notes, runtime folder warnings) would
// mix with the command's output on stderr; scripts read only our texts there.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("TANDREL_DEBUG"))
        fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    // Screens are listed through Qt; without a display the offscreen platform
    // keeps the commands usable on a headless machine.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Tandrel"));
    QGuiApplication::setApplicationName(QStringLiteral("Tandrel"));
    QGuiApplication::setApplicationVersion(QStringLiteral(TANDREL_VERSION));
    tandrel::installUiLanguage(app, tandrel::uiLanguageFromEnvironment());

    QTextStream out(stdout);
    QTextStream err(stderr);
    return tandrel::cli::runTandrelctl(QCoreApplication::arguments().mid(1), out, err);
}
