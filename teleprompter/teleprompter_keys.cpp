#include "teleprompter/teleprompter_keys.h"

#include "teleprompter/teleprompter_state.h"

#include <QKeyEvent>
#include <algorithm>

namespace tandrel {

TeleprompterKeyAction teleprompterKeyAction(const QKeyEvent &event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return TeleprompterKeyAction::none;
    switch (event.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return TeleprompterKeyAction::toggleScrolling;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return TeleprompterKeyAction::enlargeFont;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        return TeleprompterKeyAction::shrinkFont;
    case Qt::Key_0:
        return TeleprompterKeyAction::resetFollow;
    case Qt::Key_Escape:
    case Qt::Key_Cancel:
        return TeleprompterKeyAction::dismiss;
    default:
        return TeleprompterKeyAction::none;
    }
}

double enlargedFontSize(double fontSize)
{
    return std::min(fontSize + 4, 120.0);
}

double shrunkFontSize(double fontSize)
{
    return std::max(fontSize - 4, 24.0);
}

void applyTeleprompterKey(TeleprompterKeyAction action, TeleprompterState &state,
                          const std::function<void()> &dismiss)
{
    switch (action) {
    case TeleprompterKeyAction::toggleScrolling:
        state.setIsScrolling(!state.isScrolling());
        break;
    case TeleprompterKeyAction::enlargeFont:
        state.setFontSize(enlargedFontSize(state.fontSize()));
        break;
    case TeleprompterKeyAction::shrinkFont:
        state.setFontSize(shrunkFontSize(state.fontSize()));
        break;
    case TeleprompterKeyAction::resetFollow:
        state.resetFollow();
        break;
    case TeleprompterKeyAction::dismiss:
        if (dismiss)
            dismiss();
        break;
    case TeleprompterKeyAction::none:
        break;
    }
}

} // namespace tandrel
