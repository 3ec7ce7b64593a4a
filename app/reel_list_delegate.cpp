#include "app/reel_list_delegate.h"

#include "app/delegate_painting.h"
#include "app/reel_list_model.h"
#include "app/ui_style.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <algorithm>

namespace tandrel {

namespace {

// Row padding and the gap between the two lines, in points.
constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 4;
constexpr int lineGap = 2;

} // namespace

void ReelListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    paintRowBackground(painter, option);

    const QFont labelFont = ui::font(ui::TextRole::Body, true);
    const QFont captionFont = ui::font(ui::TextRole::Caption);
    const QFontMetrics labelMetrics(labelFont);
    const QRect inner
            = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QString label = index.data(ReelListModel::LabelRole).toString();
    const QString caption = index.data(ReelListModel::CaptionRole).toString();
    const QRect labelRect(inner.left(), inner.top(), inner.width(), lineHeight(labelFont, label));
    const QRect captionRect(inner.left(), labelRect.bottom() + 1 + lineGap, inner.width(),
                            lineHeight(captionFont, caption));

    painter->save();
    painter->setFont(labelFont);
    painter->setPen(option.palette.color(QPalette::WindowText));
    painter->drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter,
                      labelMetrics.elidedText(label, Qt::ElideRight, labelRect.width()));
    painter->setFont(captionFont);
    painter->setPen(ui::secondaryColor());
    painter->drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetrics(captionFont).elidedText(caption, Qt::ElideRight, captionRect.width()));
    painter->restore();
}

QSize ReelListDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const QFont labelFont = ui::font(ui::TextRole::Body, true);
    const QFont captionFont = ui::font(ui::TextRole::Caption);
    const QString label = index.data(ReelListModel::LabelRole).toString();
    const QString caption = index.data(ReelListModel::CaptionRole).toString();
    // No width of its own: a row asking for its label's width would give the
    // list a horizontal scroll bar instead of the "…".
    return {2 * horizontalPadding,
            lineHeight(labelFont, label) + lineGap + lineHeight(captionFont, caption) + 2 * verticalPadding};
}

bool ReelListDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                 const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString label = index.data(ReelListModel::LabelRole).toString();
    const int room = option.rect.width() - 2 * horizontalPadding;
    if (QFontMetrics(ui::font(ui::TextRole::Body, true)).horizontalAdvance(label) <= room) {
        QToolTip::hideText();
        return true;
    }
    QToolTip::showText(event->globalPos(), label, view->viewport(), option.rect);
    return true;
}

} // namespace tandrel
