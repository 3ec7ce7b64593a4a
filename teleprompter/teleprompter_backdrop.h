#pragma once

#include "teleprompter/teleprompter_text_placement.h"

#include <QImage>

namespace tandrel {

class TeleprompterSelfView;

// The teleprompter's bottom layer while video is shown behind the text: the
// newest frame filling the window (cropped, aspect kept), flipped by the
// user's flips and mirrored with the text, under the vertical veil and the
// vignette. It is composed in device pixels once per new frame, so that a
// paint at 60 Hz only copies it. Main thread only, like the view that owns it.
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
    void composeVideo(const TeleprompterSelfView &video, const Key &key);
    static QImage shade(QSize size, qreal dpr, TeleprompterTextPlacement placement);

    Key m_key;
    QImage m_image; // kept from frame to frame: a fresh buffer costs the system's page clearing
    QImage m_shade; // the veil and the vignette in one layer, one blend per frame
};

} // namespace tandrel
