#include "cli/library_command.h"
#include "export/editor_choice.h"
#include "export/editor_export.h"
#include "library/markdown_import.h"
#include "platform/desktop_opener.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace tandrel::cli {

int runExport(CliContext &ctx)
{
    const QString synopsis = QStringLiteral("export NUMMER [--format fcpxml|kdenlive|shotcut] [--no-open]");
    const bool open = !ctx.takeFlag(QStringLiteral("--no-open"));
    bool missingFormat = false;
    const std::optional<QString> formatName = ctx.takeOption(QStringLiteral("--format"), &missingFormat);
    // Without --format the command writes what it always wrote: the Final Cut bundle.
    const std::optional<Editor> editor
            = formatName ? EditorChoice::fromFormatName(*formatName) : std::optional(Editor::finalCut);
    if (missingFormat || !editor || ctx.args.size() != 1)
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

    QString location;
    if (open) {
        SystemDesktopOpener opener;
        const ExportResult<EditorExport::Outcome> outcome
                = EditorExport::exportAndOpen(*reel, library.store(), *editor, EditorChoice(), opener);
        if (!outcome)
            return ctx.fail(outcome.errorDescription());
        location = outcome.value().location;
        if (!outcome.value().opened)
            ctx.err << EditorExport::statusNote(*editor, outcome.value(), false) << Qt::endl;
    } else {
        const ExportResult<QString> written = EditorExport::exportReel(*reel, library.store(), *editor);
        if (!written)
            return ctx.fail(written.errorDescription());
        location = written.value();
    }

    if (ctx.json) {
        const QString key
                = *editor == Editor::finalCut ? QStringLiteral("bundle") : QStringLiteral("project");
        ctx.out << QJsonDocument(QJsonObject{{key, location},
                                             {QStringLiteral("format"), EditorChoice::formatName(*editor)}})
                           .toJson(QJsonDocument::Compact)
                << '\n';
    } else {
        ctx.out << location << '\n';
    }
    return 0;
}

} // namespace tandrel::cli
