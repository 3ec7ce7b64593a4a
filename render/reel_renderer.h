#pragma once

#include "library/caption_cues.h"
#include "render/reel_cut.h"
#include "render/render_error.h"

#include <QString>
#include <atomic>
#include <functional>
#include <optional>

namespace tandrel {

// How far a render is.
struct RenderProgress
{
    qint64 frame = 0; // frames of the reel rendered
    qint64 frames = 0; // of the whole reel
    std::optional<double> secondsLeft; // once the pace is known
    bool operator==(const RenderProgress &) const = default;
};

// Renders a cut take with MLT, the engine Kdenlive and Shotcut render with,
// into an MP4 that the video platforms take: 1080 × 1920, H.264 High,
// yuv420p, 30 fps, about 10 Mb/s; AAC-LC, 48 kHz, stereo; the index first.
// Each segment fades its sound in and out over a frame, so that no cut
// clicks. Captions are drawn by the subtitle renderer (libass), once per
// cue, and blended into the frames that show them. The file is written under a hidden name beside `outputPath` and
// renamed to it when complete: a cancelled or failed render leaves nothing,
// and an existing file at `outputPath` stays until the new one replaces it.
class ReelRenderer
{
public:
    static constexpr int width = 1080;
    static constexpr int height = 1920;
    static constexpr int videoBitrate = 10'000'000;
    static constexpr int audioBitrate = 192'000;
    // x264's preset and the settings changed from it, those of the
    // recorder: "ultrafast" with CABAC, 8×8 transforms and the deblocking
    // filter turned back on, which makes the stream High profile. On two
    // cores it costs about half the CPU time of "veryfast" per reel (the
    // decoder of the take is most of the rest), and at 10 Mb/s its pictures
    // lose no PSNR against it; it gives up B-frames, adaptive quantisation
    // and the finer motion search (see docs/architecture.md).
    static constexpr const char *speedPreset = "ultrafast";
    static constexpr const char *encoderOptions = "cabac=1:8x8dct=1:deblock=0,0";

    using ProgressHandler = std::function<void(const RenderProgress &)>;

    // Runs on the calling thread until the file is complete, the render
    // failed, or `cancelled` is set; `progress` is called on the calling
    // thread a few times a second. The threads that decode, draw and encode
    // run at a lower priority (nice 10) than the caller. `cues` are in the reel's time; none: no
    // captions. Returns the path of the finished file.
    static RenderResult<QString> render(const ReelCut &cut, const QList<CaptionCue> &cues,
                                        const QString &outputPath, const ProgressHandler &progress,
                                        const std::atomic<bool> &cancelled);
};

} // namespace tandrel
