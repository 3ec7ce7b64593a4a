#pragma once

#include <QStringList>
#include <QTextStream>
#include <optional>

namespace tandrel::cli {

// What every command gets: the global options and its own arguments.
struct CliContext {
    std::optional<QString> libraryDir; // --library DIR; none: the application's folder
    bool json = false;                 // --json
    QStringList args;                  // the command's arguments, global options removed
    QString command;                   // the command's name
    QTextStream &out;
    QTextStream &err;

    // Removes `--name VALUE` from args; none when absent. Sets `missingValue`
    // when the option is last and has no value.
    std::optional<QString> takeOption(const QString &name, bool *missingValue = nullptr);
    // Removes `--name` from args; whether it was there.
    bool takeFlag(const QString &name);
    // Prints the running command's synopsis on stderr; the exit status for usage errors.
    int usage();
    // Prints a German error text on stderr; the exit status for failures.
    int fail(const QString &message);
};

// The synopsis of a command, as the usage texts print it; empty for none.
QString synopsis(const QString &command);

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

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
