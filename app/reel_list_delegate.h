#pragma once

#include <QStyledItemDelegate>

namespace tandrel {

// Paints a reel row of the sidebar: the display label in semibold body text
// and under it the take count as a caption in the secondary colour, over the
// view's own row background and selection.
class ReelListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace tandrel
