#include "render/caption_overlay.h"

#include "render/caption_script.h"

#include <Mlt.h>
#include <algorithm>
#include <cmath>

namespace tandrel {

namespace {

uint16_t scaled(double weighted) // × 255, as the blend divides by it
{
    return uint16_t(std::clamp(std::lround(weighted * 255), 0L, 65025L));
}

// The caption as the subtitle filter blends it into a yuv420p picture,
// taken from the same caption drawn onto a black and onto a white one: a
// sample drawn onto the base value b comes out as b·(1 − α) + α·c, so the
// two results give its opacity α and its weighted colour α·c. Its chroma
// samples take the mean opacity of their four luma samples, as the filter's
// blending does. Empty when nothing is covered.
std::optional<CaptionOverlay::Picture> picture(const uint8_t *onBlack, const uint8_t *onWhite, int width,
                                               int height)
{
    const qsizetype lumaSize = qsizetype(width) * height;
    int left = width, right = -1, top = height, bottom = -1;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const qsizetype at = qsizetype(row) * width + column;
            if (onBlack[at] == onBlack[0] && onWhite[at] == onWhite[0])
                continue;
            left = std::min(left, column);
            right = std::max(right, column);
            top = std::min(top, row);
            bottom = std::max(bottom, row);
        }
    }
    const double black = onBlack[0], white = onWhite[0];
    if (right < 0 || white <= black)
        return std::nullopt;
    CaptionOverlay::Picture p;
    p.x = left & ~1;
    p.y = top & ~1;
    p.width = std::min(width, (right + 2) & ~1) - p.x;
    p.height = std::min(height, (bottom + 2) & ~1) - p.y;
    const qsizetype samples = qsizetype(p.width) * p.height;
    p.alpha.resize(samples);
    p.luma.resize(samples);
    p.chromaAlpha.resize(samples / 4);
    p.cb.resize(samples / 4);
    p.cr.resize(samples / 4);
    const uint8_t *cb = onBlack + lumaSize, *cr = cb + lumaSize / 4;
    const double chromaBase[2] = {double(cb[0]), double(cr[0])};
    for (int row = 0; row < p.height; row += 2) {
        for (int column = 0; column < p.width; column += 2) {
            double mean = 0;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    const qsizetype source = qsizetype(p.y + row + dy) * width + p.x + column + dx;
                    const double a
                            = std::clamp(1 - (onWhite[source] - onBlack[source]) / (white - black), 0.0, 1.0);
                    const qsizetype at = qsizetype(row + dy) * p.width + column + dx;
                    p.alpha[at] = uint8_t(std::lround(a * 255));
                    p.luma[at] = scaled(onBlack[source] - black * (1 - a));
                    mean += a / 4;
                }
            }
            const qsizetype source = qsizetype(p.y + row) / 2 * (width / 2) + (p.x + column) / 2;
            const qsizetype at = qsizetype(row / 2) * (p.width / 2) + column / 2;
            p.chromaAlpha[at] = uint8_t(std::lround(mean * 255));
            p.cb[at] = scaled(cb[source] - chromaBase[0] * (1 - mean));
            p.cr[at] = scaled(cr[source] - chromaBase[1] * (1 - mean));
        }
    }
    return p;
}

// One plane: each sample keeps (255 − α)/255 of itself and gains the
// caption's weighted colour.
void blendPlane(uint8_t *plane, int stride, int x, int y, int width, int height, const uint8_t *alpha,
                const uint16_t *weighted)
{
    for (int row = 0; row < height; ++row) {
        uint8_t *line = plane + qsizetype(y + row) * stride + x;
        const uint8_t *a = alpha + qsizetype(row) * width;
        const uint16_t *w = weighted + qsizetype(row) * width;
        for (int column = 0; column < width; ++column) {
            if (a[column] != 0)
                line[column] = uint8_t((line[column] * (255 - a[column]) + w[column] + 127) / 255);
        }
    }
}

} // namespace

// The filter's C side: MLT calls it with the filter, whose `child` is the overlay.
struct CaptionOverlayFilter
{
    static int getImage(mlt_frame frame, uint8_t **image, mlt_image_format *format, int *width, int *height,
                        int)
    {
        auto *overlay = static_cast<CaptionOverlay *>(mlt_frame_pop_service(frame));
        const auto *shown = static_cast<const CaptionOverlay::Picture *>(mlt_frame_pop_service(frame));
        *format = mlt_image_yuv420p;
        const int error = mlt_frame_get_image(frame, image, format, width, height, 1);
        if (error != 0)
            return error;
        if (*format != mlt_image_yuv420p || *width != overlay->m_width || *height != overlay->m_height) {
            overlay->m_failed = true;
            return 1;
        }
        CaptionOverlay::blend(*shown, *image, *width, *height);
        return 0;
    }

    static mlt_frame process(mlt_filter filter, mlt_frame frame)
    {
        auto *overlay = static_cast<CaptionOverlay *>(filter->child);
        if (const CaptionOverlay::Picture *shown = overlay->pictureAt(mlt_frame_get_position(frame))) {
            mlt_frame_push_service(frame, const_cast<CaptionOverlay::Picture *>(shown));
            mlt_frame_push_service(frame, overlay);
            mlt_frame_push_get_image(frame, getImage);
        }
        return frame;
    }
};

std::shared_ptr<CaptionOverlay> CaptionOverlay::draw(Mlt::Profile &profile, const QString &scriptPath,
                                                     const QList<CaptionCue> &cues, qint64 frames)
{
    auto overlay = std::make_shared<CaptionOverlay>();
    overlay->m_width = profile.width();
    overlay->m_height = profile.height();
    const int fps = int(std::lround(profile.fps()));

    // The captions drawn onto a black and onto a white picture.
    struct Canvas
    {
        Canvas(Mlt::Profile &profile, const char *colour)
            : producer(profile, "color", colour), subtitles(profile, "avfilter.subtitles")
        { }
        Mlt::Producer producer;
        Mlt::Filter subtitles;
        const uint8_t *image = nullptr;
    };
    Canvas canvases[2]{{profile, "#ff000000"}, {profile, "#ffffffff"}};
    for (Canvas &c : canvases) {
        if (!c.producer.is_valid() || !c.subtitles.is_valid())
            return nullptr;
        c.producer.set("length", int(frames));
        c.producer.set("out", int(frames - 1));
        c.subtitles.set("av.filename", scriptPath.toUtf8().constData());
        c.producer.attach(c.subtitles);
    }

    // A caption stays the same picture while the same cues are shown:
    // libass animates nothing the script asks of it.
    QList<qsizetype> previous;
    bool previousDrawn = false;
    for (qint64 frame = 0; frame < frames; ++frame) {
        const QList<qsizetype> shown = CaptionScript::shownAt(cues, frame, fps);
        if (shown == previous) {
            if (previousDrawn)
                overlay->m_runs.back().last = frame;
            continue;
        }
        previous = shown;
        previousDrawn = false;
        if (shown.isEmpty())
            continue;
        std::unique_ptr<Mlt::Frame> drawn[2];
        for (int i = 0; i < 2; ++i) {
            canvases[i].producer.seek(int(frame));
            drawn[i].reset(canvases[i].producer.get_frame());
            mlt_image_format format = mlt_image_yuv420p;
            int width = overlay->m_width, height = overlay->m_height;
            canvases[i].image = drawn[i] ? drawn[i]->get_image(format, width, height) : nullptr;
            if (!canvases[i].image || format != mlt_image_yuv420p || width != overlay->m_width
                || height != overlay->m_height)
                return nullptr;
        }
        std::optional<Picture> p
                = picture(canvases[0].image, canvases[1].image, overlay->m_width, overlay->m_height);
        if (!p)
            continue; // cues without a visible glyph
        overlay->m_pictures.push_back(std::move(*p));
        overlay->m_runs.push_back({frame, frame, qsizetype(overlay->m_pictures.size() - 1)});
        previousDrawn = true;
    }
    return overlay;
}

std::unique_ptr<Mlt::Filter> CaptionOverlay::filter(Mlt::Profile &profile)
{
    mlt_filter filter = mlt_filter_new();
    if (!filter)
        return nullptr;
    mlt_service_set_profile(MLT_FILTER_SERVICE(filter), profile.get_profile());
    filter->child = this;
    filter->process = &CaptionOverlayFilter::process;
    mlt_properties_set_data(
            MLT_FILTER_PROPERTIES(filter), "_overlay",
            new std::shared_ptr<CaptionOverlay>(shared_from_this()), 0,
            [](void *owner) { delete static_cast<std::shared_ptr<CaptionOverlay> *>(owner); }, nullptr);
    auto wrapped = std::make_unique<Mlt::Filter>(filter);
    mlt_filter_close(filter); // the wrapper holds its own reference
    return wrapped;
}

const CaptionOverlay::Picture *CaptionOverlay::pictureAt(qint64 frame) const
{
    const auto run = std::upper_bound(m_runs.begin(), m_runs.end(), frame,
                                      [](qint64 f, const Run &r) { return f < r.first; });
    if (run == m_runs.begin() || std::prev(run)->last < frame)
        return nullptr;
    return &m_pictures[std::prev(run)->picture];
}

void CaptionOverlay::blend(const Picture &picture, uint8_t *image, int width, int height)
{
    const qsizetype lumaSize = qsizetype(width) * height;
    const int chromaWidth = width / 2;
    uint8_t *cb = image + lumaSize, *cr = cb + lumaSize / 4;
    blendPlane(image, width, picture.x, picture.y, picture.width, picture.height, picture.alpha.data(),
               picture.luma.data());
    blendPlane(cb, chromaWidth, picture.x / 2, picture.y / 2, picture.width / 2, picture.height / 2,
               picture.chromaAlpha.data(), picture.cb.data());
    blendPlane(cr, chromaWidth, picture.x / 2, picture.y / 2, picture.width / 2, picture.height / 2,
               picture.chromaAlpha.data(), picture.cr.data());
}

} // namespace tandrel
