#include "app/editor_texts.h"
#include "cli/library_command.h"
#include "export/editor_choice.h"
#include "export/editor_export.h"
#include "library/markdown_import.h"
#include "platform/desktop_opener.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace tandrel::cli {

int runExport(CliContext &ctx)
{
    const bool open = !ctx.flag(QStringLiteral("--no-open"));
    const std::optional<QString> formatName = ctx.option(QStringLiteral("--format"));
    // Without --format the command writes what it always wrote: the Final Cut bundle.
    const std::optional<Editor> editor
            = formatName ? EditorChoice::fromFormatName(*formatName) : std::optional(Editor::finalCut);
    if (!editor || ctx.args.size() != 1)
        return ctx.usage();
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage();
    LibraryCommand library(ctx);
    int exitCode = 0;
    const std::optional<ReelProject> reel = library.openReel(*number, exitCode);
    if (!reel)
        return exitCode;

    QString location;
    if (open) {
        SystemDesktopOpener opener;
        const ExportResult<EditorExport::Outcome> outcome
                = EditorExport::exportAndOpen(*reel, library.store(), *editor, EditorChoice(), opener);
        if (!outcome)
            return ctx.fail(exportFailureText(outcome));
        location = outcome.value().location;
        if (!outcome.value().opened)
            ctx.err << exportStatusText(*editor, outcome.value(), false) << Qt::endl;
    } else {
        const ExportResult<QString> written = EditorExport::exportReel(*reel, library.store(), *editor);
        if (!written)
            return ctx.fail(exportFailureText(written));
        location = written.value();
    }

    if (ctx.json) {
        // The Final Cut form stays as scripts know it.
        const QJsonObject result = *editor == Editor::finalCut
                ? QJsonObject{{QStringLiteral("bundle"), location}}
                : QJsonObject{{QStringLiteral("project"), location},
                              {QStringLiteral("format"), EditorChoice::formatName(*editor)}};
        ctx.out << QJsonDocument(result).toJson(QJsonDocument::Compact) << '\n';
    } else {
        ctx.out << location << '\n';
    }
    return 0;
}

} // namespace tandrel::cli
