#include "app/destructive_menu.h"

#include <QIcon>
#include <QStyleOptionMenuItem>

namespace tandrel {

namespace {
const char *const destructiveProperty = "tandrelDestructive";
}

DestructiveMenu::DestructiveMenu(QWidget *parent) : QMenu(parent)
{ }

QAction *DestructiveMenu::addDestructiveAction(const QString &text)
{
    QAction *action = addAction(QIcon::fromTheme(QStringLiteral("edit-delete")), text);
    action->setProperty(destructiveProperty, true);
    return action;
}

bool DestructiveMenu::isDestructive(const QAction *action)
{
    return action && action->property(destructiveProperty).toBool();
}

QColor DestructiveMenu::destructiveColor(const QPalette &palette)
{
    const bool dark = palette.color(QPalette::Window).lightness() < 128;
    return dark ? QColor(0xff, 0x6b, 0x6b) : QColor(0xc6, 0x28, 0x28);
}

void DestructiveMenu::initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const
{
    QMenu::initStyleOption(option, action);
    if (!isDestructive(action) || !action->isEnabled())
        return;
    // Styles take a menu item's text from one role or another; all of them
    // turn red, the highlighted text stays as it is on the selection.
    const QColor red = destructiveColor(option->palette);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            option->palette.setColor(group, role, red);
}

} // namespace tandrel
