#include "cli/library_command.h"
#include "export/fcpxml_exporter.h"
#include "library/markdown_import.h"
#include "platform/desktop_opener.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tandrel::cli {

int runExport(CliContext &ctx)
{
    const bool open = !ctx.takeFlag(QStringLiteral("--no-open"));
    if (ctx.args.size() != 1)
        return ctx.usage();
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage();
    LibraryCommand library(ctx);
    if (const int failed = library.storeFailure())
        return failed;
    const std::optional<ReelProject> reel = library.reelNumbered(*number);
    if (!reel)
        return ExitFailure;

    SystemDesktopOpener opener;
    const ExportResult<QString> bundle = open ? FCPXMLExporter::exportAndOpen(*reel, library.store(), opener)
                                              : FCPXMLExporter::exportReel(*reel, library.store());
    if (!bundle)
        return ctx.fail(bundle.errorDescription());

    if (ctx.json)
        ctx.out << QJsonDocument(QJsonObject{{QStringLiteral("bundle"), bundle.value()}})
                           .toJson(QJsonDocument::Compact)
                << '\n';
    else
        ctx.out << bundle.value() << '\n';
    return 0;
}

} // namespace tandrel::cli
