#include "cli/library_command.h"
#include "export/fcpxml_exporter.h"
#include "library/markdown_import.h"
#include "platform/desktop_opener.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace tandrel::cli {

int runExport(CliContext &ctx)
{
    const QString synopsis = QStringLiteral("export NUMMER [--no-open]");
    const bool open = !ctx.takeFlag(QStringLiteral("--no-open"));
    if (ctx.args.size() != 1)
        return ctx.usage(synopsis);
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage(synopsis);
    LibraryCommand library(ctx);
    if (const int failed = library.storeFailure())
        return failed;
    QList<ReelProject> reels = library.store().reels();
    sortInReelOrder(reels);
    const auto reel
            = std::find_if(reels.cbegin(), reels.cend(), [&](const auto &r) { return r.prefix == *number; });
    if (reel == reels.cend())
        return ctx.fail(QStringLiteral("Kein Reel mit der Nummer %1.")
                                .arg(QString::asprintf("%03lld", static_cast<long long>(*number))));

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
