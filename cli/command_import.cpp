#include "app/library_error_text.h"
#include "cli/library_command.h"

#include <QCoreApplication>

namespace tandrel::cli {

int runImport(CliContext &ctx)
{
    if (ctx.args.size() != 1)
        return ctx.usage();
    const std::optional<QString> text = ctx.readText(ctx.args.first());
    if (!text)
        return ExitFailure;

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
