#pragma once

#include "capture/preview_widget.h"

#include <QObject>

namespace tandrel {

// The live camera or screen picture behind the teleprompter text: the newest
// frame filling the window (cropped, aspect kept) and mirrored by the user's
// flips. The teleprompter view paints it as its bottom layer.
class TeleprompterSelfView : public QObject
{
    Q_OBJECT

public:
    explicit TeleprompterSelfView(QObject *parent = nullptr);

    const QImage &frame() const { return m_painter.frame(); }
    bool flipHorizontal() const { return m_painter.flipHorizontal(); }
    bool flipVertical() const { return m_painter.flipVertical(); }
    // Paints the frame filling `bounds`; nothing without a frame.
    void paint(QPainter &painter, const QRectF &bounds) const { m_painter.paint(painter, bounds); }

public slots:
    void setFrame(const QImage &frame);
    void setFlips(bool horizontal, bool vertical);
    // Lets go of the picture when the view goes away, so that a reopened
    // teleprompter never shows a stale frame.
    void detach();

signals:
    void changed();

private:
    PreviewFramePainter m_painter;
};

} // namespace tandrel
