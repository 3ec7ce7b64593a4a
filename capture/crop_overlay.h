#pragma once

#include <QPointF>
#include <QWidget>
#include <optional>

namespace tandrel {

// Where the 9:16 recording frame sits over a preview of width W and height H,
// for a crop offset in 0...1.
struct CropFrameGeometry
{
    double frameWidth = 0; // H * 9/16 for a landscape source, else W
    double slack = 0; // how far the frame can travel: max(0, W - frameWidth)
    double frameLeft = 0; // slack * offset

    static CropFrameGeometry make(double width, double height, bool isLandscape, double offset);
    // The offset after dragging by `translation` points from a drag that
    // started at `origin`; none when the frame cannot move (no slack).
    static std::optional<double> draggedOffset(double origin, double translation, double slack);
};

// Drawn over the record workspace's preview: darkens everything outside the
// 9:16 frame that will be recorded and lets the user drag the frame sideways.
// The frame follows the pointer exactly; every move emits the new offset.
class CropOverlay : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double offset READ offset WRITE setOffset NOTIFY offsetChanged)
    Q_PROPERTY(bool isLandscape READ isLandscape WRITE setIsLandscape NOTIFY isLandscapeChanged)

public:
    explicit CropOverlay(QWidget *parent = nullptr);

    double offset() const { return m_offset; }
    bool isLandscape() const { return m_isLandscape; }
    CropFrameGeometry geometryNow() const;

public slots:
    // Offsets outside 0...1 are limited to it.
    void setOffset(double offset);
    void setIsLandscape(bool landscape);

signals:
    // Emitted on every change, whether from a drag or from setOffset.
    void offsetChanged(double offset);
    void isLandscapeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    double m_offset = 0.5;
    bool m_isLandscape = true;
    std::optional<QPointF> m_pressPoint;
    std::optional<double> m_dragOrigin; // the offset when the current drag began
};

} // namespace tandrel
