#include "app/preview_panel.h"

#include "app/ui_style.h"
#include "capture/capture_controller.h"
#include "capture/crop_overlay.h"
#include "capture/preview_widget.h"
#include "capture/video_source.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPainter>

namespace tandrel {

PreviewPanel::PreviewPanel(CaptureController &capture, QWidget *parent) : QWidget(parent), m_capture(capture)
{
    setObjectName(QStringLiteral("previewPanel"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_preview = new PreviewWidget(this);
    m_overlay = new CropOverlay(this);
    m_overlay->setObjectName(QStringLiteral("cropOverlay"));
    m_badge = new QLabel(this);
    m_badge->setObjectName(QStringLiteral("recordingBadge"));
    m_badge->setStyleSheet(QStringLiteral("QLabel { background: rgba(0, 0, 0, 150); color: white; "
                                          "border-radius: 6px; padding: 4px 8px; }"));
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setWeight(QFont::DemiBold);
    m_badge->setFont(digits);
    m_badge->hide();

    connect(&m_capture, &CaptureController::previewFrame, m_preview, &PreviewWidget::setFrame);
    connect(m_overlay, &CropOverlay::offsetChanged, this, &PreviewPanel::cropOffsetEdited);
    for (auto signal :
         {&CaptureController::previewAspectChanged, &CaptureController::selectedVideoSourceIDChanged,
          &CaptureController::flipHorizontalChanged, &CaptureController::flipVerticalChanged})
        connect(&m_capture, signal, this, &PreviewPanel::updateFromCapture);
    connect(&m_capture, &CaptureController::isRecordingChanged, this, &PreviewPanel::updateBadge);
    connect(&m_capture, &CaptureController::recordedDurationChanged, this, &PreviewPanel::updateBadge);
    connect(&m_capture, &CaptureController::selectedVideoSourceIDChanged, this, [this] {
        // A picture of a source that is no longer selected must not linger.
        if (!m_capture.selectedVideoSourceID())
            m_preview->setFrame(QImage());
    });
    updateFromCapture();
    updateBadge();
}

void PreviewPanel::setCropOffset(double offset)
{
    const QSignalBlocker block(m_overlay);
    m_overlay->setOffset(offset);
}

double PreviewPanel::cropOffset() const
{
    return m_overlay->offset();
}

QRect PreviewPanel::pictureRect() const
{
    const double aspect = std::max(m_capture.previewAspect(), 0.4);
    const QRectF area = rect();
    if (area.isEmpty())
        return {};
    QSizeF size(area.width(), area.width() / aspect);
    if (size.height() > area.height())
        size = QSizeF(area.height() * aspect, area.height());
    QRectF picture(QPointF(), size);
    picture.moveCenter(area.center());
    return picture.toAlignedRect().intersected(rect());
}

void PreviewPanel::updateFromCapture()
{
    m_preview->setFlips(m_capture.flipHorizontal(), m_capture.flipVertical());
    const std::optional<QString> video = m_capture.selectedVideoSourceID();
    m_overlay->setVisible(givesPictures(video));
    m_overlay->setIsLandscape(m_capture.previewAspect() >= 1);
    placeChildren();
}

void PreviewPanel::updateBadge()
{
    const bool recording = m_capture.isRecording();
    if (recording) {
        m_badge->setText(QStringLiteral("<span style=\"color:#ff3b30\">●</span>&nbsp;")
                         + ui::formatMinutesSeconds(m_capture.recordedDuration()));
        m_badge->adjustSize();
    }
    m_badge->setVisible(recording);
    placeChildren();
}

void PreviewPanel::placeChildren()
{
    const QRect picture = pictureRect();
    m_preview->setGeometry(picture);
    m_overlay->setGeometry(picture);
    m_badge->move(picture.topLeft() + QPoint(10, 10));
    m_badge->raise();
}

void PreviewPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void PreviewPanel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
}

} // namespace tandrel
