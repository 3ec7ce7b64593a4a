#include "app/render_error_text.h"
#include "cli/library_command.h"
#include "library/markdown_import.h"
#include "platform/duration_text.h"
#include "render/finished_reel.h"
#include "render/reel_renderer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace tandrel::cli {

namespace {

// "Rendern: 42 % · noch 0:17" on one line of stderr, rewritten in place.
QString progressLine(const RenderProgress &p)
{
    const int percent = p.frames > 0 ? int(p.frame * 100 / p.frames) : 0;
    QString line = QCoreApplication::translate("tandrelctl", "Rendern: %1 %").arg(percent);
    if (p.secondsLeft)
        line = QCoreApplication::translate("tandrelctl", "%1 · noch %2")
                       .arg(line, minutesSecondsText(std::llround(*p.secondsLeft)));
    return line;
}

} // namespace

// The finished reel of a take: the chosen one (counted from 1 in recording
// order) or the default take, its long pauses shortened unless
// --keep-pauses, its captions burnt in unless --no-captions.
int runRender(CliContext &ctx)
{
    const std::optional<QString> output = ctx.option(QStringLiteral("--output"));
    RenderOptions options;
    options.tightenPauses = !ctx.flag(QStringLiteral("--keep-pauses"));
    options.burnCaptions = !ctx.flag(QStringLiteral("--no-captions"));
    std::optional<qint64> takeNumber;
    if (ctx.args.size() != 1 || (output && output->isEmpty()) || !parseTakeOption(ctx, takeNumber))
        return ctx.usage();
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage();

    LibraryCommand library(ctx);
    int exitCode = 0;
    const std::optional<ReelProject> reel = library.openReel(*number, exitCode);
    if (!reel)
        return exitCode;
    const std::optional<Take> chosen
            = library.takeOf(*reel, takeNumber, FinishedReel::defaultTakeIndex(*reel).value_or(0));
    if (!chosen)
        return ExitFailure;
    const Take &take = *chosen;

    options.pauseThreshold = RenderOptions::pauseThresholdSetting(SettingsStore());
    const QString path = output ? QFileInfo(*output).absoluteFilePath()
                                : FinishedReel::defaultOutputPath(*reel, library.store().reelFolder(*reel));
    const RenderResult<FinishedReel> plan
            = FinishedReel::plan(take, library.store().takesFolder(*reel), path, options);
    if (!plan)
        return ctx.fail(renderErrorText(plan));
    if (plan->captionsUnavailable)
        ctx.err << QCoreApplication::translate(
                "tandrelctl", "Der Take hat noch keine Wortzeiten: Der Reel wird ohne Untertitel gerendert.")
                << Qt::endl;

    std::atomic<bool> cancelled{false};
    const RenderResult<QString> rendered = ReelRenderer::render(
            plan->cut, plan->cues, plan->outputPath,
            [&](const RenderProgress &p) {
                ctx.err << '\r' << progressLine(p) << "   ";
                ctx.err.flush();
            },
            cancelled);
    ctx.err << Qt::endl;
    if (!rendered)
        return ctx.fail(renderErrorText(rendered));
    if (ctx.json)
        ctx.out << QJsonDocument(QJsonObject{{QStringLiteral("file"), *rendered}})
                           .toJson(QJsonDocument::Compact)
                << '\n';
    else
        ctx.out << *rendered << '\n';
    return 0;
}

} // namespace tandrel::cli
