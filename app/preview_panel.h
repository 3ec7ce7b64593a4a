#pragma once

#include <QWidget>

class QLabel;

namespace tandrel {

class PreviewWidget;
class CaptureController;
class CropOverlay;

// The live preview of the record workspace: the capture controller's newest
// frame, mirrored like the recording, fitted into the available space at the
// aspect ratio max(previewAspect, 0.4) on black; the 9:16 crop frame on top
// while a real video source is selected; and a running-time badge while a
// take is recorded.
class PreviewPanel : public QWidget
{
    Q_OBJECT
public:
    explicit PreviewPanel(CaptureController &capture, QWidget *parent = nullptr);

    void setCropOffset(double offset);
    double cropOffset() const;

    CropOverlay *overlay() const { return m_overlay; }
    PreviewWidget *preview() const { return m_preview; }
    QLabel *badge() const { return m_badge; }
    // The rectangle the picture occupies, in this widget's coordinates.
    QRect pictureRect() const;

signals:
    // The user dragged the crop frame.
    void cropOffsetEdited(double offset);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void updateFromCapture();
    void updateBadge();
    void placeChildren();

    CaptureController &m_capture;
    PreviewWidget *m_preview = nullptr;
    CropOverlay *m_overlay = nullptr;
    QLabel *m_badge = nullptr;
};

} // namespace tandrel
