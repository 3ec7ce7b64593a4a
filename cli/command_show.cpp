#include "app/library_error_text.h"
#include "cli/library_command.h"
#include "library/library_json.h"
#include "library/markdown_import.h"

namespace tandrel::cli {

int runShow(CliContext &ctx)
{
    if (ctx.args.size() != 1)
        return ctx.usage();
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage();
    LibraryCommand library(ctx, LibraryStore::Access::readOnly);
    int exitCode = 0;
    const std::optional<ReelProject> reel = library.openReel(*number, exitCode);
    if (!reel)
        return exitCode;
    const LibraryResult<QByteArray> text = encodeReelText(*reel);
    if (!text)
        return ctx.fail(libraryErrorText(text.error()));
    ctx.out << QString::fromUtf8(*text);
    return 0;
}

} // namespace tandrel::cli
