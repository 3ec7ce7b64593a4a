#pragma once

#include <QImage>
#include <QRect>

#include <cstdint>
#include <vector>

class QPainter;
class QRegion;

namespace tandrel {

class TextLayer;

// The dark bands at the window's top and bottom that the text fades into.
struct TeleprompterFades
{
    double topHeight = 0; // points
    double bottomHeight = 0; // points
    double opacity = 1; // at the window's edges
    bool operator==(const TeleprompterFades &) const = default;
};

// Composes the teleprompter's window in one pass over its pixels: the
// backdrop (or black), the text layer over it at the scroll offset, the fades
// over both. It writes straight into the image the painter paints on when
// that holds 32-bit pixels, so that a paint touches each pixel once, and else
// composes into a frame of its own that it then copies. Only the painter's
// clip is written. Main thread only, like the view that owns it.
class FrameComposer
{
public:
    struct Frame
    {
        QSize pixels; // the window in device pixels
        qreal dpr = 1;
        const QImage *backdrop = nullptr; // of `pixels`, or none for black
        const TextLayer *text = nullptr;
        QRect band; // where the text layer lies, in the window's device pixels
        int textTop = 0; // the text layer's row at the window's top
        TeleprompterFades fades;
    };

    // Paints `frame` with `painter`, whose transform must be the widget's own,
    // unmirrored.
    void paint(QPainter &painter, const Frame &frame);
    // Lets go of the buffers while nothing is shown.
    void clear();

private:
    void prepareRows(const Frame &frame);
    void composeRect(const Frame &frame, QRect rect, uchar *pixels, qsizetype bytesPerLine,
                     QPoint origin) const;

    std::vector<uint32_t> m_black; // one opaque black row
    std::vector<uint8_t> m_shade; // per device row: how much of the colour the fades leave, of 255
    TeleprompterFades m_fades;
    QSize m_fadePixels;
    qreal m_fadeDpr = 0;
    QImage m_frame; // only for targets that are no 32-bit image
};

} // namespace tandrel
