#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>
#include <QTextStream>
#include <optional>

namespace tandrel::cli {

struct CliContext;

// One option a command takes; a flag when it has no value name.
struct CliOption
{
    QString name; // with its dashes: "--format"
    QString valueName; // "FORMAT"; empty for a flag
    QString description;
};

// A command of tandrelctl: its synopsis (as the usage texts print it), a
// sentence for the help and the options its parser accepts.
struct CliCommand
{
    QString name;
    int (*run)(CliContext &);
    QString synopsis;
    QString description;
    QList<CliOption> options;
};

// What every command gets: the global options and its own, parsed.
struct CliContext
{
    std::optional<QString> libraryDir; // --library DIR; none: the application's folder
    bool json = false; // --json
    QStringList args; // the command's positional arguments
    QString command; // the command's name
    QTextStream &out;
    QTextStream &err;
    QHash<QString, QString> values; // options given with a value, by name with dashes
    QSet<QString> flags; // flags given

    // The value of `--name VALUE`; none when absent.
    std::optional<QString> option(const QString &name) const;
    // Whether `--name` was given.
    bool flag(const QString &name) const;
    // Prints the running command's synopsis on stderr; the exit status for usage errors.
    int usage();
    // Prints a German error text on stderr; the exit status for failures.
    int fail(const QString &message);
    // The whole UTF-8 text of the file `path`, or of standard input for "-";
    // none after printing why not, in German.
    std::optional<QString> readText(const QString &path);
};

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

// Every command, in the order the help lists them.
const QList<CliCommand> &cliCommands();
const CliCommand *findCommand(const QString &name);
// The synopsis of a command, as the usage texts print it; empty for none.
QString synopsis(const QString &command);
// The options every command takes besides its own.
const QList<CliOption> &globalOptions();
// The help texts printed for --help: the program's and one command's.
QString programHelp();
QString commandHelp(const CliCommand &command);

// Runs tandrelctl with `arguments` (without the program's name).
int runTandrelctl(const QStringList &arguments, QTextStream &out, QTextStream &err);

int runImport(CliContext &ctx);
int runList(CliContext &ctx);
int runShow(CliContext &ctx);
int runExport(CliContext &ctx);
int runAlign(CliContext &ctx);
int runLevels(CliContext &ctx);
int runDevices(CliContext &ctx);
int runRecord(CliContext &ctx);
int runFollow(CliContext &ctx);
int runCaptions(CliContext &ctx);
int runRender(CliContext &ctx);
int runModels(CliContext &ctx);

} // namespace tandrel::cli
