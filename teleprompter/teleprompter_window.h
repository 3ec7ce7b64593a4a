#pragma once

#include <QWidget>

namespace tandrel {

class TeleprompterState;
class TeleprompterView;

// The teleprompter's own window: frameless, black, covering one display and
// kept above normal windows. Closing it from outside (window manager,
// application quit) dismisses the teleprompter like Escape does.
class TeleprompterWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TeleprompterWindow(TeleprompterState &state);
    TeleprompterView *view() const { return m_view; }

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TeleprompterView *m_view = nullptr;
};

} // namespace tandrel
