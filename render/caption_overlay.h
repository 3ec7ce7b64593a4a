#pragma once

#include "library/caption_cues.h"

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace Mlt {
class Filter;
class Profile;
} // namespace Mlt

namespace tandrel {

// The reel's captions drawn once and laid over the frames that show them.
// libass (MLT's `avfilter.subtitles`) draws each still caption once onto a
// transparent picture, from the script file at `scriptPath`; the filter
// then blends that picture's covered rectangle into the frames of its cue
// and leaves every other frame untouched. Drawing through the subtitle
// filter on every frame copied each picture into and out of a filter graph
// and drew the same glyphs again, even on frames without a caption.
class CaptionOverlay : public std::enable_shared_from_this<CaptionOverlay>
{
public:
    // A caption as drawn: the covered rectangle of a yuv420p picture (even
    // position and size), its opacity per luma sample and, per plane, the
    // colour already weighted by opacity (× 255).
    struct Picture
    {
        int x = 0, y = 0, width = 0, height = 0;
        std::vector<uint8_t> alpha, chromaAlpha; // luma and chroma resolution
        std::vector<uint16_t> luma, cb, cr;
    };

    // Draws the captions of a reel of `frames` frames in `profile`. Fails
    // when the subtitle filter is missing or draws into no transparent picture.
    static std::shared_ptr<CaptionOverlay> draw(Mlt::Profile &profile, const QString &scriptPath,
                                                const QList<CaptionCue> &cues, qint64 frames);

    // A filter for the reel's tractor that blends the captions in; it
    // keeps the overlay alive.
    std::unique_ptr<Mlt::Filter> filter(Mlt::Profile &profile);

    // The caption of the reel's frame `frame`; none between cues.
    const Picture *pictureAt(qint64 frame) const;
    // Blends `picture` into the yuv420p `image` of `width` × `height`.
    static void blend(const Picture &picture, uint8_t *image, int width, int height);
    // Whether a frame came in another format or size than the profile's,
    // so that its caption could not be drawn.
    bool failed() const { return m_failed; }

private:
    struct Run
    {
        qint64 first = 0, last = 0; // frames
        qsizetype picture = 0;
    };
    std::vector<Picture> m_pictures;
    std::vector<Run> m_runs; // in order, not overlapping
    int m_width = 0, m_height = 0;
    std::atomic<bool> m_failed = false; // set on MLT's worker thread

    friend struct CaptionOverlayFilter;
};

} // namespace tandrel
