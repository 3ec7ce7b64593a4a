#pragma once

#include <QColor>
#include <QMenu>
#include <QPalette>

namespace tandrel {

// A context menu whose destructive items (deleting folders and files at once)
// are drawn in red with the theme's delete icon, apart from the ordinary ones.
class DestructiveMenu : public QMenu
{
public:
    explicit DestructiveMenu(QWidget *parent = nullptr);

    QAction *addDestructiveAction(const QString &text);
    static bool isDestructive(const QAction *action);
    // Red that stays readable on the given palette's window colour.
    static QColor destructiveColor(const QPalette &palette);

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override;
};

} // namespace tandrel
