#pragma once

#include "teleprompter/teleprompter_view.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <optional>

namespace tandrel {

class TeleprompterState;
class TeleprompterWindow;

// Shows the one teleprompter window while its state is presented and closes
// it when the state is no longer presented; whoever presents (the recording
// session) writes the state, the presenter only observes it. While the window
// is open the teleprompter keys act in the whole application, whichever
// window has the focus, and are not passed on; this is the only place where
// they are handled. Escape and closing the window ask for the teleprompter to
// be dismissed. Main thread only; one presenter per state, kept for the
// state's lifetime.
class TeleprompterPresenter : public QObject
{
    Q_OBJECT

public:
    explicit TeleprompterPresenter(TeleprompterState &state, QObject *parent = nullptr);
    ~TeleprompterPresenter() override;

    // Brings the open window back to the front with the focus.
    void raiseWindow();
    // Fits the window to the display the state chooses; nothing when closed.
    void placeWindow();

    bool isOpen() const;
    TeleprompterWindow *window() const;
    TeleprompterView *view() const;
    // The words of the status line in every window it opens.
    void setStatusWording(TeleprompterView::StatusWording wording);

    // The display the window was last placed on.
    QScreen *placedScreen() const { return m_placedScreen; }

public slots:
    // The newest frame of the selected video source (the capture side's
    // second preview feed); dropped while no window is open.
    void setFrame(const QImage &frame);
    void setFlips(bool horizontal, bool vertical);
    // Whether a video source is selected that can be shown behind the text
    // (any but the request for a screen to share).
    void setVideoAvailable(bool available);
    // The running time of the take being recorded, none while no take runs;
    // the open window shows it.
    void setRecordingTime(std::optional<double> seconds);

signals:
    void closed();
    // Escape or the window's close button: the teleprompter should go.
    void dismissRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void presentedChanged();
    void openWindow();
    void closeWindow();
    void observeScreens();
    void stopObservingScreens();
    void screensChanged();

    TeleprompterState &m_state;
    QPointer<TeleprompterWindow> m_window;
    TeleprompterView::StatusWording m_statusWording;
    QPointer<QScreen> m_placedScreen;
    QList<QMetaObject::Connection> m_screenConnections;
    bool m_filterInstalled = false;
    bool m_flipHorizontal = false;
    bool m_flipVertical = false;
    bool m_videoAvailable = false;
    std::optional<double> m_recordingTime;
};

} // namespace tandrel
