#pragma once

#include <QImage>
#include <QWidget>

class QPainter;

namespace tandrel {

// Draws the newest video frame into a rectangle on black, scaled about the
// rectangle's centre either to fit (the whole frame visible) or to fill (the
// rectangle covered, the frame cropped), and mirrored about that centre by
// the flips, as the recorder mirrors recorded frames.
class PreviewFramePainter
{
public:
    enum class Scaling { fit, fill };

    void setFrame(const QImage &frame) { m_frame = frame; }
    const QImage &frame() const { return m_frame; }
    void setFlips(bool horizontal, bool vertical)
    {
        m_flipHorizontal = horizontal;
        m_flipVertical = vertical;
    }
    bool flipHorizontal() const { return m_flipHorizontal; }
    bool flipVertical() const { return m_flipVertical; }
    void setScaling(Scaling scaling) { m_scaling = scaling; }
    Scaling scaling() const { return m_scaling; }

    // Where the unmirrored frame lands inside `bounds`.
    static QRectF targetRect(QSizeF frameSize, const QRectF &bounds, Scaling scaling);
    // Paints the frame clipped to `bounds`; paints nothing without a frame.
    void paint(QPainter &painter, const QRectF &bounds) const;

private:
    QImage m_frame;
    bool m_flipHorizontal = false;
    bool m_flipVertical = false;
    Scaling m_scaling = Scaling::fit;
};

// The record workspace's live preview: the newest camera or screen frame,
// fitted on black and mirrored by the user's flips.
class PreviewWidget : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool flipHorizontal READ flipHorizontal WRITE setFlipHorizontal)
    Q_PROPERTY(bool flipVertical READ flipVertical WRITE setFlipVertical)

public:
    explicit PreviewWidget(QWidget *parent = nullptr);

    bool flipHorizontal() const { return m_painter.flipHorizontal(); }
    bool flipVertical() const { return m_painter.flipVertical(); }
    const QImage &frame() const { return m_painter.frame(); }
    void setScaling(PreviewFramePainter::Scaling scaling);

public slots:
    // Frames arrive on the main thread; a null image clears the picture.
    void setFrame(const QImage &frame);
    void setFlips(bool horizontal, bool vertical);
    void setFlipHorizontal(bool flip) { setFlips(flip, flipVertical()); }
    void setFlipVertical(bool flip) { setFlips(flipHorizontal(), flip); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PreviewFramePainter m_painter;
};

} // namespace tandrel
