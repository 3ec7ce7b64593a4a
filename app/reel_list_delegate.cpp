#include "app/reel_list_delegate.h"

#include "app/reel_list_model.h"
#include "app/row_background.h"
#include "app/ui_style.h"

#include <QFontMetrics>
#include <QPainter>
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
    const QFontMetrics captionMetrics(captionFont);
    const QRect inner
            = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QRect labelRect(inner.left(), inner.top(), inner.width(), labelMetrics.height());
    const QRect captionRect(inner.left(), labelRect.bottom() + 1 + lineGap, inner.width(),
                            captionMetrics.height());

    painter->save();
    painter->setFont(labelFont);
    painter->setPen(option.palette.color(QPalette::WindowText));
    painter->drawText(labelRect, Qt::AlignLeft | Qt::AlignVCenter,
                      labelMetrics.elidedText(index.data(ReelListModel::LabelRole).toString(), Qt::ElideRight,
                                              labelRect.width()));
    painter->setFont(captionFont);
    painter->setPen(ui::secondaryColor());
    painter->drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(ReelListModel::CaptionRole).toString());
    painter->restore();
}

QSize ReelListDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const
{
    const QFontMetrics labelMetrics(ui::font(ui::TextRole::Body, true));
    const QFontMetrics captionMetrics(ui::font(ui::TextRole::Caption));
    const int width
            = std::max(labelMetrics.horizontalAdvance(index.data(ReelListModel::LabelRole).toString()),
                       captionMetrics.horizontalAdvance(index.data(ReelListModel::CaptionRole).toString()));
    return {width + 2 * horizontalPadding,
            labelMetrics.height() + lineGap + captionMetrics.height() + 2 * verticalPadding};
}

} // namespace tandrel
