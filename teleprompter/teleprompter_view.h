#pragma once

#include "speech/follow_state.h"
#include "teleprompter/frame_composer.h"
#include "teleprompter/teleprompter_backdrop.h"
#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/teleprompter_scroller.h"
#include "teleprompter/text_layer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <climits>
#include <functional>
#include <optional>

namespace tandrel {

class TeleprompterSelfView;
class TeleprompterState;

// The teleprompter's content: the script word by word on black, scrolled at a
// steady speed or to the speaker's word, coloured by reading progress, with
// the live video behind it when wanted, all mirrored when the state says so.
// It owns only its scroll position and the layout it measured; every setting
// lives in the TeleprompterState.
class TeleprompterView : public QWidget
{
    Q_OBJECT

public:
    explicit TeleprompterView(TeleprompterState &state, QWidget *parent = nullptr);
    ~TeleprompterView() override;

    TeleprompterSelfView *selfView() const { return m_selfView; }
    // Whether a video source that can be shown is selected (one is, and it is
    // not the request for a screen to share).
    bool isVideoAvailable() const { return m_videoAvailable; }
    // Whether the video is drawn behind the text now.
    bool showsVideo() const;

    const TeleprompterScroller &scroller() const { return m_scroller; }
    const TeleprompterLayout &layout() const;
    qint64 currentWordIndex() const;
    // Word i's frame in window coordinates as drawn, mirroring included.
    QRectF wordRectInWindow(qint64 index) const;
    // Where the overlays are drawn, in window coordinates, mirroring
    // included; an empty rectangle for one not shown now. The marker's
    // includes its shadow.
    QRectF readingMarkerRect() const;
    QRectF pauseLabelRect() const;
    QRectF statusLabelRect() const;
    QRectF recordingMarkRect() const;

    // The words of the follower's status line; the application makes them.
    // Without words no status line is shown.
    using StatusWording = std::function<QString(FollowState, const FollowFailure &)>;
    void setStatusWording(StatusWording wording);

    // The running time of the take being recorded; none while no take runs.
    std::optional<double> recordingTime() const { return m_recordingTime; }

    // Runs one tick of the scroll clock at `now` seconds of the view's clock;
    // the clock's own timer calls it 60 times a second while the view is shown.
    void tick(double now);
    double clockNow() const;

public slots:
    void setVideoAvailable(bool available);
    void setRecordingTime(std::optional<double> seconds);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    ScrollInputs scrollInputs() const;
    TeleprompterLayout &ensureLayout();
    void invalidateLayout();
    // The backdrop, the text and the fades, composed in one pass.
    void paintFrame(QPainter &p);
    void paintMarker(QPainter &p, const QRectF &bounds) const;
    void paintOverlay(QPainter &p, const QRectF &bounds) const;
    // The overlays' places before mirroring.
    QRectF markerRect() const;
    QRectF pauseRect() const;
    QRectF statusRect() const;
    QRectF recordingRect() const;
    QString shownStatus() const;
    QRectF asDrawn(const QRectF &r) const;
    // The part of the window that scrolling and the reading position change.
    QRect textBand() const;

    TeleprompterState &m_state;
    TeleprompterSelfView *m_selfView = nullptr;
    bool m_videoAvailable = false;
    TeleprompterScroller m_scroller;
    std::optional<TeleprompterLayout> m_layout;
    TextLayer m_text; // dropped with the layout
    TeleprompterBackdrop m_backdrop;
    FrameComposer m_composer;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_videoChanged = false; // a frame or flip the next tick paints
    qint64 m_paintedWord = -1;
    long m_paintedTextTop = LONG_MIN; // device pixels, as last painted
    qreal m_paintedRatio = 1;
    std::optional<double> m_recordingTime;
    StatusWording m_statusWording;
};

} // namespace tandrel
