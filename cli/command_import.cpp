#include "app/file_error_text.h"
#include "app/library_error_text.h"
#include "cli/library_command.h"
#include "platform/file_error.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstdio>

namespace tandrel::cli {

namespace {

std::optional<QByteArray> readInput(const QString &name, QString *error)
{
    QFile file;
    const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(name), file.open(QIODevice::ReadOnly));
    if (!opened) {
        const FileError cause = FileError::last();
        *error = QCoreApplication::translate("tandrelctl", "Datei konnte nicht gelesen werden: %1: %2")
                         .arg(name, fileErrorText(cause));
        return std::nullopt;
    }
    errno = 0;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        const FileError cause = FileError::last();
        *error = QCoreApplication::translate("tandrelctl", "Datei konnte nicht gelesen werden: %1: %2")
                         .arg(name, fileErrorText(cause));
        return std::nullopt;
    }
    return bytes;
}

} // namespace

int runImport(CliContext &ctx)
{
    if (ctx.args.size() != 1)
        return ctx.usage();
    QString error;
    const std::optional<QByteArray> text = readInput(ctx.args.first(), &error);
    if (!text)
        return ctx.fail(error);

    LibraryCommand library(ctx);
    // An unreadable library is reported, not overwritten by the import.
    if (const int failed = library.storeFailure())
        return failed;
    const LibraryOutcome<int> imported = library.store().importMarkdown(QString::fromUtf8(*text));
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
