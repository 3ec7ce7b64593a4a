#include "app/file_error_text.h"
#include "app/library_error_text.h"
#include "cli/library_command.h"
#include "platform/file_error.h"
#include "platform/text_file.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

namespace tandrel::cli {

namespace {

std::optional<QString> readInput(const QString &name, QString *error)
{
    QFile in;
    const bool standardInput = name == QLatin1String("-");
    if (standardInput && !in.open(stdin, QIODevice::ReadOnly)) {
        *error = QCoreApplication::translate("tandrelctl", "Datei konnte nicht gelesen werden: %1: %2")
                         .arg(name, fileErrorText(FileError::last()));
        return std::nullopt;
    }
    const Result<QString, TextFileFailure> text = standardInput ? readText(in) : readTextFile(name);
    if (text)
        return *text;
    if (text.error().kind == TextFileFailure::Kind::notUtf8)
        *error = QCoreApplication::translate("tandrelctl", "Datei ist kein gültiger UTF-8-Text: %1")
                         .arg(name);
    else
        *error = QCoreApplication::translate("tandrelctl", "Datei konnte nicht gelesen werden: %1: %2")
                         .arg(name, fileErrorText(text.error().cause));
    return std::nullopt;
}

} // namespace

int runImport(CliContext &ctx)
{
    if (ctx.args.size() != 1)
        return ctx.usage();
    QString error;
    const std::optional<QString> text = readInput(ctx.args.first(), &error);
    if (!text)
        return ctx.fail(error);

    LibraryCommand library(ctx);
    // An unreadable library is reported, not overwritten by the import.
    if (const int failed = library.storeFailure())
        return failed;
    const LibraryOutcome<int> imported = library.store().importMarkdown(*text);
    if (!imported)
        return ctx.fail(libraryErrorText(imported.error()));
    const int count = imported.value();
    if (ctx.json)
        ctx.out << "{\"imported\": " << count << "}\n";
    else if (count == 1)
        ctx.out << QCoreApplication::translate("tandrelctl", "1 Reel importiert.") << "\n";
    else
        ctx.out << QCoreApplication::translate("tandrelctl", "%1 Reels importiert.").arg(count) << "\n";
    return 0;
}

} // namespace tandrel::cli
