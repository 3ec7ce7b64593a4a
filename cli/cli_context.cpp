#include "cli/cli_context.h"

#include "app/file_error_text.h"
#include "platform/text_file.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
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
    err << QCoreApplication::translate("tandrelctl", "Aufruf: tandrelctl %1").arg(synopsis(command))
        << Qt::endl;
    return ExitUsage;
}

int CliContext::fail(const QString &message)
{
    err << message << Qt::endl;
    return ExitFailure;
}

std::optional<QString> CliContext::readText(const QString &path)
{
    QFile in;
    const bool standardInput = path == QLatin1String("-");
    const auto unread = [&](FileError cause) {
        fail(QCoreApplication::translate("tandrelctl", "Datei konnte nicht gelesen werden: %1 (%2)")
                     .arg(path, fileErrorText(cause)));
        return std::nullopt;
    };
    if (standardInput && !in.open(stdin, QIODevice::ReadOnly))
        return unread(FileError::last());
    const Result<QString, TextFileFailure> text = standardInput ? tandrel::readText(in) : readTextFile(path);
    if (text)
        return *text;
    if (text.error().kind == TextFileFailure::Kind::notRead)
        return unread(text.error().cause);
    fail(QCoreApplication::translate("tandrelctl", "Datei ist kein gültiger UTF-8-Text: %1").arg(path));
    return std::nullopt;
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

// Why `arguments` did not parse against `options`, in German. The parser's
// own texts are English and not meant to be read apart, so the arguments are
// walked again by the same rules. `untilPositional`: options stop at the
// first argument that is none (the options before the command).
QString germanParseError(const QStringList &arguments, const QList<CliOption> &options, bool untilPositional)
{
    const auto find = [&](const QString &name) -> const CliOption * {
        for (const CliOption &o : options)
            if (o.name == name || (name == QLatin1String("-h") && o.name == QLatin1String("--help")))
                return &o;
        return nullptr;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--"))
            break;
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (untilPositional)
                break;
            continue;
        }
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const bool inlineValue = argument.contains(QLatin1Char('='));
        const CliOption *option = find(name);
        if (!option)
            return QCoreApplication::translate("tandrelctl", "Unbekannte Option: %1").arg(name);
        if (option->valueName.isEmpty() && inlineValue)
            return QCoreApplication::translate("tandrelctl", "Die Option %1 nimmt keinen Wert.").arg(name);
        if (!option->valueName.isEmpty() && !inlineValue && ++i >= arguments.size())
            return QCoreApplication::translate("tandrelctl", "Wert fehlt nach %1.").arg(name);
    }
    return QCoreApplication::translate("tandrelctl", "Ungültiger Aufruf.");
}

// A reel's number may be negative ("-5"), which the parser would read as
// short options: such arguments, where no option waits for its value, go
// after a "--" with the other positional ones, in their order.
QStringList negativeNumbersAsPositional(const QStringList &arguments, const QList<CliOption> &options)
{
    static const QRegularExpression negative(QStringLiteral("^-[0-9]+$"));
    const auto takesValue = [&](const QString &argument) {
        for (const CliOption &o : options)
            if (o.name == argument && !o.valueName.isEmpty())
                return true;
        return false;
    };
    QStringList flagsAndValues, positional;
    bool moved = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            positional += arguments.mid(i + 1);
            break;
        }
        if (negative.match(argument).hasMatch()) {
            positional.append(argument);
            moved = true;
        } else if (argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-")) {
            flagsAndValues.append(argument);
            if (takesValue(argument) && i + 1 < arguments.size())
                flagsAndValues.append(arguments.at(++i));
        } else {
            positional.append(argument);
        }
    }
    if (!moved)
        return arguments;
    return flagsAndValues + QStringList{QStringLiteral("--")} + positional;
}

void printUsage(QTextStream &err)
{
    err << QCoreApplication::translate("tandrelctl",
                                       "Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...")
        << "\n";
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
        QList<CliOption> options = globalOptions();
        options.append({QStringLiteral("--version"), {}, {}});
        err << germanParseError(arguments, options, true) << "\n";
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
        err << QCoreApplication::translate("tandrelctl", "Unbekannter Befehl: %1").arg(name) << "\n";
        printUsage(err);
        return ExitUsage;
    }

    CliContext ctx{std::nullopt, false, {}, name, out, err, {}, {}};
    QCommandLineParser parser;
    addOptions(parser, command->options);
    addOptions(parser, globalOptions());
    rest = negativeNumbersAsPositional(rest, command->options + globalOptions());
    if (!parser.parse(QStringList{QStringLiteral("tandrelctl")} + rest)) {
        err << germanParseError(rest, command->options + globalOptions(), false) << "\n";
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
        err << QCoreApplication::translate("tandrelctl", "Kein Ordner für die Bibliothek angegeben.")
            << Qt::endl;
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
