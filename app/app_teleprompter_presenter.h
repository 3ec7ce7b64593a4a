#pragma once

#include "teleprompter/teleprompter_presenter.h"

namespace tandrel {

// The application's teleprompter presenter. While the teleprompter is open its
// keys (blank, Return, 0, +, -, Esc) act from every window, but not while the
// user types into a text field of another window: the script, title and
// number stay editable with the teleprompter open.
class AppTeleprompterPresenter : public TeleprompterPresenter
{
    Q_OBJECT
public:
    explicit AppTeleprompterPresenter(TeleprompterState &state, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace tandrel
