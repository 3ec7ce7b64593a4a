#include "teleprompter/teleprompter_window.h"

#include "teleprompter/teleprompter_view.h"

#include <QCloseEvent>
#include <QPalette>
#include <QVBoxLayout>

namespace tandrel {

TeleprompterWindow::TeleprompterWindow(TeleprompterState &state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_view(new TeleprompterView(state, this))
{
    setWindowTitle(tr("Teleprompter"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void TeleprompterWindow::closeEvent(QCloseEvent *event)
{
    // A close from outside (the window manager, or the application quitting
    // and closing its windows) is let through, so that it is never refused;
    // the presenter then dismisses the teleprompter as Escape does.
    event->accept();
    emit closeRequested();
}

} // namespace tandrel
