#include "teleprompter/teleprompter_presenter.h"

#include "platform/display_list.h"
#include "teleprompter/teleprompter_keys.h"
#include "teleprompter/teleprompter_self_view.h"
#include "teleprompter/teleprompter_state.h"
#include "teleprompter/teleprompter_view.h"
#include "teleprompter/teleprompter_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

namespace tandrel {

TeleprompterPresenter::TeleprompterPresenter(TeleprompterState &state, QObject *parent)
    : QObject(parent), m_state(state)
{
    connect(&state, &TeleprompterState::isPresentedChanged, this, &TeleprompterPresenter::presentedChanged);
    connect(&state, &TeleprompterState::selectedDisplayIDChanged, this, &TeleprompterPresenter::placeWindow);
    connect(&state, &TeleprompterState::selectedScreenIDChanged, this, &TeleprompterPresenter::placeWindow);
    presentedChanged();
}

TeleprompterPresenter::~TeleprompterPresenter()
{
    closeWindow();
}

bool TeleprompterPresenter::isOpen() const
{
    return m_window != nullptr;
}

TeleprompterWindow *TeleprompterPresenter::window() const
{
    return m_window;
}

TeleprompterView *TeleprompterPresenter::view() const
{
    return m_window ? m_window->view() : nullptr;
}

void TeleprompterPresenter::presentedChanged()
{
    if (m_state.isPresented())
        openWindow();
    else
        closeWindow();
}

void TeleprompterPresenter::setStatusWording(TeleprompterView::StatusWording wording)
{
    m_statusWording = std::move(wording);
    if (m_window)
        m_window->view()->setStatusWording(m_statusWording);
}

void TeleprompterPresenter::openWindow()
{
    if (!m_window) {
        m_window = new TeleprompterWindow(m_state);
        TeleprompterView *view = m_window->view();
        view->setVideoAvailable(m_videoAvailable);
        view->setRecordingTime(m_recordingTime);
        view->setStatusWording(m_statusWording);
        view->selfView()->setFlips(m_flipHorizontal, m_flipVertical);
        connect(m_window, &TeleprompterWindow::closeRequested, this, &TeleprompterPresenter::dismissRequested,
                Qt::QueuedConnection);
        observeScreens();
        if (!m_filterInstalled) {
            qApp->installEventFilter(this);
            m_filterInstalled = true;
        }
    }
    placeWindow();
    raiseWindow();
}

void TeleprompterPresenter::raiseWindow()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->view()->setFocus(Qt::ActiveWindowFocusReason);
}

void TeleprompterPresenter::closeWindow()
{
    const bool wasOpen = m_window != nullptr;
    if (m_window) {
        // Escape may arrive while the window is still delivering that key.
        m_window->hide();
        m_window->deleteLater();
        m_window = nullptr;
    }
    m_placedScreen = nullptr;
    stopObservingScreens();
    if (m_filterInstalled) {
        if (QCoreApplication *app = QCoreApplication::instance()) // gone when torn down after the app
            app->removeEventFilter(this);
        m_filterInstalled = false;
    }
    if (wasOpen)
        emit closed();
}

void TeleprompterPresenter::placeWindow()
{
    if (!m_window)
        return;
    QScreen *screen = m_state.resolvedQScreen();
    if (!screen && !QGuiApplication::screens().isEmpty())
        screen = QGuiApplication::screens().constLast();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return; // no display at all: the frame stays as it is
    m_window->winId(); // the native window must exist to be given a screen
    QWindow *handle = m_window->windowHandle();
    const bool moves = handle && handle->screen() != screen;
    const bool shown = m_window->isVisible();
    // Another X screen means another native window; it is made anew hidden,
    // so that it appears with its new frame and not with the old one.
    if (moves && shown)
        m_window->hide();
    if (moves)
        handle->setScreen(screen);
    m_window->setGeometry(screen->geometry());
    // Full screen as well: window managers keep frameless windows out of the
    // panels' area otherwise, and the teleprompter covers the whole display.
    m_window->setWindowState(m_window->windowState() | Qt::WindowFullScreen);
    if (moves && shown) {
        m_window->show();
        m_window->raise();
    }
    m_window->update();
    m_placedScreen = screen;
}

void TeleprompterPresenter::observeScreens()
{
    if (!m_screenConnections.isEmpty())
        return;
    auto later = [this] {
        QMetaObject::invokeMethod(this, &TeleprompterPresenter::screensChanged, Qt::QueuedConnection);
    };
    m_screenConnections.append(connect(DisplayList::instance(), &DisplayList::displaysChanged, this, later));
    auto watch = [this, later](QScreen *screen) {
        m_screenConnections.append(connect(screen, &QScreen::geometryChanged, this, later));
    };
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    m_screenConnections.append(connect(qGuiApp, &QGuiApplication::screenAdded, this, watch));
}

void TeleprompterPresenter::stopObservingScreens()
{
    for (const QMetaObject::Connection &c : std::as_const(m_screenConnections))
        disconnect(c);
    m_screenConnections.clear();
}

void TeleprompterPresenter::screensChanged()
{
    if (m_state.isPresented())
        placeWindow();
}

void TeleprompterPresenter::setFrame(const QImage &frame)
{
    if (TeleprompterView *v = view())
        v->selfView()->setFrame(frame);
}

void TeleprompterPresenter::setFlips(bool horizontal, bool vertical)
{
    m_flipHorizontal = horizontal;
    m_flipVertical = vertical;
    if (TeleprompterView *v = view())
        v->selfView()->setFlips(horizontal, vertical);
}

void TeleprompterPresenter::setVideoAvailable(bool available)
{
    m_videoAvailable = available;
    if (TeleprompterView *v = view())
        v->setVideoAvailable(available);
}

void TeleprompterPresenter::setRecordingTime(std::optional<double> seconds)
{
    m_recordingTime = seconds;
    if (TeleprompterView *v = view())
        v->setRecordingTime(seconds);
}

bool TeleprompterPresenter::eventFilter(QObject *, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    if (!m_state.isPresented())
        return false;
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const TeleprompterKeyAction action = teleprompterKeyAction(*keyEvent);
    if (action == TeleprompterKeyAction::none)
        return false;
    // Claim the key before any shortcut sees it; act on the key press itself.
    event->accept();
    if (type == QEvent::KeyPress)
        applyTeleprompterKey(action, m_state, [this] { emit dismissRequested(); });
    return true;
}

} // namespace tandrel
