#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QScreen>
#include <optional>

namespace tandrel {

class TeleprompterState;
class TeleprompterView;
class TeleprompterWindow;

// Opens, places and closes the one teleprompter window. While the window is
// open and the state says it is presented, the teleprompter keys act in the
// whole application, whichever window has the focus, and are not passed on.
// Main thread only; the application keeps one presenter for its lifetime.
class TeleprompterPresenter : public QObject
{
    Q_OBJECT

public:
    explicit TeleprompterPresenter(QObject *parent = nullptr);
    ~TeleprompterPresenter() override;

    // Shows `script` under `title`, opening the window or bringing it back to
    // the front, and starts scrolling.
    void presentTeleprompter(const QString &script, const QString &title, TeleprompterState &state);
    // Stops scrolling, closes the window and ends the key handling.
    void dismissTeleprompter();
    // Fits the window to the display the state chooses; nothing when closed.
    void placeWindow(TeleprompterState &state);

    bool isOpen() const;
    TeleprompterWindow *window() const;
    TeleprompterView *view() const;
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
    void opened();
    void dismissed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void observeScreens();
    void stopObservingScreens();
    void screensChanged();

    QPointer<TeleprompterWindow> m_window;
    QPointer<TeleprompterState> m_state;
    QPointer<QScreen> m_placedScreen;
    QList<QMetaObject::Connection> m_screenConnections;
    bool m_filterInstalled = false;
    bool m_flipHorizontal = false;
    bool m_flipVertical = false;
    bool m_videoAvailable = false;
    std::optional<double> m_recordingTime;
};

} // namespace tandrel
