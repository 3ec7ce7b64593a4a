#pragma once

#include <QStyledItemDelegate>

namespace tandrel {

// Paints a reel row of the sidebar: the display label in semibold body text
// and under it the take count as a caption in the secondary colour, over the
// view's own row background and selection. Rows are as wide as the list;
// text too long for it ends in "…", and its tooltip then shows it whole.
class ReelListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;
};

} // namespace tandrel
