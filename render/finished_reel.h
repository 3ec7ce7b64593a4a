#pragma once

#include "library/caption_cues.h"
#include "library/reel_project.h"
#include "render/reel_cut.h"
#include "render/render_error.h"
#include "render/render_options.h"

#include <QString>
#include <optional>

namespace tandrel {

// What finishing a reel renders: which take, cut how, with which captions, to which file.
struct FinishedReel
{
    ReelCut cut;
    QList<CaptionCue> cues; // on the reel's time; empty without captions
    // The take has no word times, so the reel has no captions although they were asked for.
    bool captionsUnavailable = false;
    QString outputPath;

    // The take a reel is finished from: among the takes with word times the
    // one that said most of the script (the newer on ties), else the newest.
    // None when the reel has no takes.
    static std::optional<qsizetype> defaultTakeIndex(const ReelProject &reel);
    // "<reel folder>/<number> <title>.mp4", the label made safe as a file name.
    static QString defaultOutputPath(const ReelProject &reel, const QString &reelFolder);

    static RenderResult<FinishedReel> plan(const Take &take, const QString &takesFolder,
                                           const QString &outputPath, const RenderOptions &options);
};

} // namespace tandrel
