#include "render/finished_reel.h"

#include "speech/word_alignment.h"

#include <QDir>

namespace tandrel {

std::optional<qsizetype> FinishedReel::defaultTakeIndex(const ReelProject &reel)
{
    std::optional<qsizetype> best, newest;
    double bestShare = -1;
    for (qsizetype i = 0; i < reel.takes.size(); ++i) {
        const Take &take = reel.takes[i];
        if (!newest || take.recordedAt >= reel.takes[*newest].recordedAt)
            newest = i;
        if (!take.words || take.words->isEmpty())
            continue;
        const double share = scriptCoverage(*take.words, reel.script).share;
        if (share > bestShare || (share == bestShare && take.recordedAt >= reel.takes[*best].recordedAt)) {
            best = i;
            bestShare = share;
        }
    }
    return best ? best : newest;
}

QString FinishedReel::defaultOutputPath(const ReelProject &reel, const QString &reelFolder)
{
    QString name;
    for (const QChar c : reel.displayLabel())
        name += (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
                ? QLatin1Char('-')
                : c;
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return QDir(reelFolder).filePath(name + QStringLiteral(".mp4"));
}

RenderResult<FinishedReel> FinishedReel::plan(const Take &take, const QString &takesFolder,
                                              const QString &outputPath, const RenderOptions &options)
{
    const RenderResult<ReelCut> cut = ReelCut::build(take, takesFolder, options);
    if (!cut)
        return RenderResult<FinishedReel>::failureOf(cut);
    FinishedReel finished;
    finished.cut = *cut;
    finished.outputPath = outputPath;
    if (options.burnCaptions) {
        if (take.words && !take.words->isEmpty())
            finished.cues = finished.cut.reelCues(captionCues(*take.words));
        else
            finished.captionsUnavailable = true;
    }
    return finished;
}

} // namespace tandrel
