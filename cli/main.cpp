#include "cli/cli_context.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstring>

using namespace tandrel::cli;

namespace tandrel::cli {

namespace {

struct Command {
    const char *name;
    int (*run)(CliContext &);
    const char *synopsis;
};

const Command commands[] = {
    {"import", runImport, "import DATEI|-"},
    {"list", runList, "list"},
    {"show", runShow, "show NUMMER"},
    {"export", runExport, "export NUMMER [--format fcpxml|kdenlive|shotcut] [--no-open]"},
    {"align", runAlign, "align --script FILE --transcripts FILE"},
    {"levels", runLevels, "levels FILE.wav [--buffer-frames N]"},
    {"devices", runDevices, "devices"},
    {"record", runRecord,
     "record --reel NUMMER --seconds S [--video ID] [--audio ID] [--crop X] [--flip-h] [--flip-v]"},
    {"captions", runCaptions, "captions NUMMER [--take N] [--format srt|vtt]"},
    {"render", runRender, "render NUMMER [--take N] [--keep-pauses] [--no-captions] [--output DATEI]"},
    {"follow", runFollow, "follow --script FILE --audio FILE.wav [--locale LOCALE] [--fast]"},
    {"models", runModels,
     "models [install SPRACHE | install ARCHIV|URL --locale SPRACHE [--sha256 PRÜFSUMME]]"},
};

} // namespace

QString synopsis(const QString &command)
{
    for (const Command &c : commands)
        if (command == QLatin1String(c.name))
            return QString::fromUtf8(c.synopsis);
    return {};
}

std::optional<QString> CliContext::takeOption(const QString &name, bool *missingValue)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return std::nullopt;
    if (i + 1 >= args.size()) {
        if (missingValue)
            *missingValue = true;
        args.removeAt(i);
        return std::nullopt;
    }
    const QString value = args.at(i + 1);
    args.remove(i, 2);
    return value;
}

bool CliContext::takeFlag(const QString &name)
{
    return args.removeAll(name) > 0;
}

int CliContext::usage()
{
    err << "Aufruf: tandrelctl " << synopsis(command) << Qt::endl;
    return ExitUsage;
}

int CliContext::fail(const QString &message)
{
    err << message << Qt::endl;
    return ExitFailure;
}

} // namespace tandrel::cli

namespace {

// Qt's own diagnostics (platform plugin notes, runtime folder warnings) would
// mix with the command's output on stderr; scripts read only our texts there.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg || qEnvironmentVariableIsSet("TANDREL_DEBUG"))
        fprintf(stderr, "%s\n", qPrintable(message));
}

void printUsage(QTextStream &err)
{
    err << "Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...\n";
    for (const Command &c : commands)
        err << "  " << c.synopsis << "\n";
    err.flush();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tandrelctl %s\n", TANDREL_VERSION);
        return 0;
    }
    // Screens are listed through Qt; without a display the offscreen platform
    // keeps the commands usable on a headless machine.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    QGuiApplication::setOrganizationName(QStringLiteral("Tandrel"));
    QGuiApplication::setApplicationName(QStringLiteral("Tandrel"));

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments().mid(1);

    CliContext ctx{std::nullopt, false, {}, {}, out, err};
    bool missing = false;
    ctx.args = args;
    ctx.libraryDir = ctx.takeOption(QStringLiteral("--library"), &missing);
    if (missing) {
        printUsage(err);
        return ExitUsage;
    }
    if (ctx.libraryDir && ctx.libraryDir->trimmed().isEmpty()) {
        err << "Kein Ordner für die Bibliothek angegeben." << Qt::endl;
        return ExitUsage;
    }
    ctx.json = ctx.takeFlag(QStringLiteral("--json"));
    if (ctx.args.isEmpty()) {
        printUsage(err);
        return ExitUsage;
    }
    const QString name = ctx.args.takeFirst();
    ctx.command = name;
    for (const Command &c : commands) {
        if (name == QLatin1String(c.name)) {
            const int rc = c.run(ctx);
            out.flush();
            err.flush();
            return rc;
        }
    }
    err << "Unbekannter Befehl: " << name << "\n";
    printUsage(err);
    return ExitUsage;
}
