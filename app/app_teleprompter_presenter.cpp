#include "app/app_teleprompter_presenter.h"

#include "app/follow_status_text.h"
#include "teleprompter/teleprompter_window.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tandrel {

namespace {

bool takesText(const QWidget *widget)
{
    if (!widget)
        return false;
    if (qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QAbstractSpinBox *>(widget))
        return true;
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(widget))
        return !plain->isReadOnly();
    if (const auto *rich = qobject_cast<const QTextEdit *>(widget))
        return !rich->isReadOnly();
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->isEditable();
    return false;
}

} // namespace

AppTeleprompterPresenter::AppTeleprompterPresenter(TeleprompterState &state, QObject *parent)
    : TeleprompterPresenter(state, parent)
{
    setStatusWording(followStatusText);
}

bool AppTeleprompterPresenter::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::ShortcutOverride) {
        // Key events reach a window first, then its focus widget.
        QWidget *target = qobject_cast<QWidget *>(watched);
        if (!target)
            target = QApplication::focusWidget();
        if (takesText(target) && target->window() != window())
            return false;
    }
    return TeleprompterPresenter::eventFilter(watched, event);
}

} // namespace tandrel
