#include "cli/cli_context.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace tandrel::cli {

std::optional<QString> CliContext::option(const QString &name) const
{
    const auto it = values.constFind(name);
    return it == values.constEnd() ? std::nullopt : std::optional(*it);
}

bool CliContext::flag(const QString &name) const
{
    return flags.contains(name);
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

namespace {

void addOptions(QCommandLineParser &parser, const QList<CliOption> &options)
{
    for (const CliOption &o : options) {
        const QStringList names = o.name == QLatin1String("--help")
                ? QStringList{QStringLiteral("h"), QStringLiteral("help")}
                : QStringList{o.name.mid(2)};
        parser.addOption(QCommandLineOption(names, o.description, o.valueName));
    }
}

// QCommandLineParser's own texts are English; the command's are German.
QString germanParseError(const QCommandLineParser &parser)
{
    if (!parser.unknownOptionNames().isEmpty()) {
        const QString name = parser.unknownOptionNames().first();
        return QStringLiteral("Unbekannte Option: ") + (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--"))
                + name;
    }
    const QString text = parser.errorText();
    const QString name = QRegularExpression(QStringLiteral("'([^']*)'")).match(text).captured(1);
    if (text.startsWith(QLatin1String("Missing value")))
        return QStringLiteral("Wert fehlt nach ") + name + QLatin1Char('.');
    if (text.startsWith(QLatin1String("Unexpected value")))
        return QStringLiteral("Die Option ") + name + QStringLiteral(" nimmt keinen Wert.");
    return QStringLiteral("Ungültiger Aufruf.");
}

void printUsage(QTextStream &err)
{
    err << "Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...\n";
    for (const CliCommand &c : cliCommands())
        err << "  " << c.synopsis << "\n";
    err.flush();
}

} // namespace

int runTandrelctl(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    // The options before the command; the command and everything after it
    // is the command's to parse.
    QCommandLineParser global;
    global.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOptions(global, globalOptions());
    global.addOption(QCommandLineOption(QStringLiteral("version")));
    if (!global.parse(QStringList{QStringLiteral("tandrelctl")} + arguments)) {
        err << germanParseError(global) << "\n";
        printUsage(err);
        return ExitUsage;
    }
    if (global.isSet(QStringLiteral("version"))) {
        out << "tandrelctl " << TANDREL_VERSION << Qt::endl;
        return 0;
    }
    QStringList rest = global.positionalArguments();
    if (rest.isEmpty()) {
        if (global.isSet(QStringLiteral("help"))) {
            out << programHelp() << Qt::flush;
            return 0;
        }
        printUsage(err);
        return ExitUsage;
    }
    const QString name = rest.takeFirst();
    // "tandrelctl help [BEFEHL]" as another way to ask.
    if (name == QLatin1String("help") && rest.size() <= 1) {
        if (rest.isEmpty()) {
            out << programHelp() << Qt::flush;
            return 0;
        }
        if (const CliCommand *command = findCommand(rest.first())) {
            out << commandHelp(*command) << Qt::flush;
            return 0;
        }
    }
    const CliCommand *command = findCommand(name);
    if (!command) {
        err << "Unbekannter Befehl: " << name << "\n";
        printUsage(err);
        return ExitUsage;
    }

    CliContext ctx{std::nullopt, false, {}, name, out, err, {}, {}};
    QCommandLineParser parser;
    addOptions(parser, command->options);
    addOptions(parser, globalOptions());
    if (!parser.parse(QStringList{QStringLiteral("tandrelctl")} + rest)) {
        err << germanParseError(parser) << "\n";
        return ctx.usage();
    }
    if (global.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help"))) {
        out << commandHelp(*command) << Qt::flush;
        return 0;
    }
    for (const CliOption &o : command->options) {
        if (!parser.isSet(o.name.mid(2)))
            continue;
        if (o.valueName.isEmpty())
            ctx.flags.insert(o.name);
        else
            ctx.values.insert(o.name, parser.value(o.name.mid(2)));
    }
    for (const QCommandLineParser *p : {&global, &parser})
        if (p->isSet(QStringLiteral("library")))
            ctx.libraryDir = p->value(QStringLiteral("library"));
    if (ctx.libraryDir && ctx.libraryDir->trimmed().isEmpty()) {
        err << "Kein Ordner für die Bibliothek angegeben." << Qt::endl;
        return ExitUsage;
    }
    ctx.json = global.isSet(QStringLiteral("json")) || parser.isSet(QStringLiteral("json"));
    ctx.args = parser.positionalArguments();
    const int rc = command->run(ctx);
    out.flush();
    err.flush();
    return rc;
}

} // namespace tandrel::cli
