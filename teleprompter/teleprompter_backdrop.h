#pragma once

#include "teleprompter/teleprompter_text_placement.h"

#include <QImage>

#include <cstdint>
#include <vector>

namespace tandrel {

class TeleprompterSelfView;

// The teleprompter's bottom layer while video is shown behind the text: the
// newest frame filling the window (cropped, aspect kept), flipped by the
// user's flips and mirrored with the text, under the vertical veil and the
// vignette. It is composed in device pixels once per new frame, so that a
// paint at 60 Hz only copies it. Composing is one pass over the picture at
// the smaller of the frame's and the window's sizes, plus one stretch when
// they differ. Main thread only, like the view that owns it.
class TeleprompterBackdrop
{
public:
    // The composed picture of `video`'s current frame for a window of `size`
    // points at `dpr` device pixels per point; composed anew only when the
    // frame or one of the arguments changed. Null without a frame.
    const QImage &image(const TeleprompterSelfView &video, QSize size, qreal dpr, bool mirrored,
                        TeleprompterTextPlacement placement);
    // Lets go of the buffers while no video is shown.
    void clear();

private:
    struct Key
    {
        qint64 frame = 0;
        QSize size;
        qreal dpr = 1;
        bool flipHorizontal = false, flipVertical = false, mirrored = false;
        TeleprompterTextPlacement placement = TeleprompterTextPlacement::standard;
        bool operator==(const Key &) const = default;
    };
    void compose(const QImage &frame, const Key &key);
    void shadeRows(const QImage &from, QRect crop, bool horizontal, bool vertical, const Key &key,
                   QImage &into);
    static QImage shade(QSize pixels, QSize size, TeleprompterTextPlacement placement);

    Key m_key;
    QImage m_image; // kept from frame to frame: a fresh buffer costs the system's page clearing
    std::vector<uint8_t> m_shade; // per pixel, what the veil and the vignette leave of the colour, of 255
    QSize m_shadePixels; // the size it is laid over
    QSize m_shadeSize; // the window it was drawn for, in points
    TeleprompterTextPlacement m_shadePlacement = TeleprompterTextPlacement::standard;
    QImage m_scaled; // the frame at the window's size, or the shaded crop before it is stretched
};

} // namespace tandrel
