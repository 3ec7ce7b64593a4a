#pragma once

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionViewItem>

namespace tandrel {

// Draws what the style draws for a row without text or icon: background,
// hover and selection panel and the focus frame. Delegates paint their own
// content on top, so rows look like the style's rows.
inline void paintRowBackground(QPainter *painter, const QStyleOptionViewItem &option)
{
    QStyleOptionViewItem panel = option;
    panel.text.clear();
    panel.icon = QIcon();
    panel.features = QStyleOptionViewItem::None;
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &panel, painter, widget);
}

// The height a label gives one line of `text` in `font`: rows painted by
// delegates keep the line heights of the labels they stand in for.
inline int lineHeight(const QFont &font, const QString &text)
{
    return QFontMetrics(font)
            .boundingRect(QRect(0, 0, 2000, 2000), Qt::AlignLeft | Qt::AlignTop, text)
            .height();
}

} // namespace tandrel
