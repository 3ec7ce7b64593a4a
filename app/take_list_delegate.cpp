#include "app/take_list_delegate.h"

#include "app/delegate_painting.h"
#include "app/symbols.h"
#include "app/take_list_model.h"
#include "app/ui_style.h"
#include "library/speech_slice.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QPainterPath>
#include <QStyleOptionToolButton>
#include <QToolTip>
#include <algorithm>

namespace tandrel {

namespace {

// The row's box model, in points: padding around the row, the gap between
// symbol, texts and button, and the gap between the lines of text.
constexpr int horizontalPadding = 8;
constexpr int verticalPadding = 6;
constexpr int columnGap = 10;
constexpr int lineGap = 2;
constexpr int symbolSize = 20;
constexpr int stripHeight = 6;

// Made when painted: the translation is installed after static initialisation.
QString deleteHelp()
{
    return QCoreApplication::translate("tandrel::TakeListDelegate", "Take löschen");
}

QString latestBadge()
{
    return QCoreApplication::translate("tandrel::TakeListDelegate", "letzter Take");
}

QStyle *styleOf(const QStyleOptionViewItem &option)
{
    return option.widget ? option.widget->style() : QApplication::style();
}

QStyleOptionToolButton deleteButtonOption(const QStyleOptionViewItem &option, const QIcon &icon)
{
    QStyleOptionToolButton button;
    button.palette = option.palette;
    button.direction = option.direction;
    button.fontMetrics = option.fontMetrics;
    button.styleObject = nullptr;
    button.state = QStyle::State_Enabled | QStyle::State_AutoRaise | (option.state & QStyle::State_Active);
    const int iconSide = styleOf(option)->pixelMetric(QStyle::PM_ButtonIconSize, nullptr, option.widget);
    button.iconSize = QSize(iconSide, iconSide);
    button.icon = icon;
    button.toolButtonStyle = Qt::ToolButtonIconOnly;
    button.subControls = QStyle::SC_ToolButton;
    button.activeSubControls = QStyle::SC_None;
    button.features = QStyleOptionToolButton::None;
    return button;
}

// Where each part of a row goes; the text column takes the width left
// between the symbol and the button.
struct TakeRowGeometry
{
    QRect symbol;
    QRect time;
    QRect badge;
    QRect caption;
    QRect strip;
    QRect deleteButton;
};

TakeRowGeometry layoutRow(const QStyleOptionViewItem &option, const QModelIndex &index, const QIcon &trash)
{
    const QFont body = ui::font(ui::TextRole::Body);
    const QFont caption = ui::font(ui::TextRole::Caption);
    const QFont badge = ui::font(ui::TextRole::Caption2);
    const QRect inner
            = option.rect.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    TakeRowGeometry g;
    g.symbol = QRect(inner.left(), inner.top(), symbolSize, symbolSize);

    const QStyleOptionToolButton button = deleteButtonOption(option, trash);
    const QSize buttonSize = styleOf(option)->sizeFromContents(QStyle::CT_ToolButton, &button,
                                                               button.iconSize, option.widget);
    g.deleteButton = QRect(QPoint(inner.right() + 1 - buttonSize.width(),
                                  inner.top() + (inner.height() - buttonSize.height()) / 2),
                           buttonSize);

    const int left = g.symbol.right() + 1 + columnGap;
    const int width = std::max(0, g.deleteButton.left() - columnGap - left);
    const QString time = index.data(TakeListModel::TimeRole).toString();
    const bool latest = index.data(TakeListModel::IsLatestRole).toBool();
    const int firstLine = std::max(lineHeight(body, time), latest ? lineHeight(badge, latestBadge()) : 0);
    g.time = QRect(left, inner.top(), QFontMetrics(body).horizontalAdvance(time), firstLine);
    if (latest) {
        g.badge = QRect(g.time.right() + 1 + lineGap, inner.top(),
                        QFontMetrics(badge).horizontalAdvance(latestBadge()), firstLine);
    }
    const QString captionText = index.data(TakeListModel::CaptionRole).toString();
    g.caption = QRect(left, g.time.bottom() + 1 + lineGap, width, lineHeight(caption, captionText));
    g.strip = QRect(left, g.caption.bottom() + 1 + lineGap, width, stripHeight);
    return g;
}

// The strip's pauses: the secondary colour, faint.
QColor pauseColor()
{
    QColor pause = ui::secondaryColor();
    pause.setAlphaF(0.25);
    return pause;
}

// `over` painted on `background`, as an opaque colour.
QColor composed(const QColor &over, const QColor &background)
{
    const float a = over.alphaF();
    return QColor::fromRgbF(over.redF() * a + background.redF() * (1 - a),
                            over.greenF() * a + background.greenF() * (1 - a),
                            over.blueF() * a + background.blueF() * (1 - a));
}

// The strip's tooltip: which colour is speech and which is pause, with
// swatches of the colours as the list paints them.
QString stripHelp()
{
    const QColor pause = composed(pauseColor(), QApplication::palette().color(QPalette::Base));
    return QCoreApplication::translate("tandrel::TakeListDelegate",
                                       "Sprache und Pausen des Takes<br><span style=\"color:%1\">■■</span> "
                                       "farbig: gesprochen<br><span style=\"color:%2\">■■</span> grau: Pause")
            .arg(ui::accentColor().name(), pause.name());
}

// A thin bar of the take's speech (accent colour) and pauses (grey) over its duration.
void paintSpeechStrip(QPainter *p, const QRect &rect, const QList<SpeechSlice> &slices)
{
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath clip;
    clip.addRoundedRect(bounds, 2, 2);
    p->setClipPath(clip);
    p->fillRect(bounds, pauseColor());
    const qint64 total = slices.isEmpty() ? 0 : slices.constLast().endFrame;
    if (total > 0) {
        const qreal scale = bounds.width() / qreal(total);
        for (const SpeechSlice &slice : slices) {
            if (!slice.speaking)
                continue;
            const qreal x0 = bounds.left() + slice.startFrame * scale;
            const qreal x1 = bounds.left() + slice.endFrame * scale;
            p->fillRect(QRectF(x0, bounds.top(), std::max<qreal>(1.0, x1 - x0), bounds.height()),
                        ui::accentColor());
        }
    }
    p->restore();
}

} // namespace

TakeListDelegate::TakeListDelegate(QObject *parent)
    : QStyledItemDelegate(parent), m_trash(symbolIcon(Symbol::Trash, ui::secondaryColor()))
{ }

void TakeListDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const
{
    paintRowBackground(painter, option);
    const TakeRowGeometry g = layoutRow(option, index, m_trash);
    const QColor text = option.palette.color(QPalette::WindowText);

    painter->save();
    const bool video = index.data(TakeListModel::HasVideoRole).toBool();
    // Scaled to the screen through QIcon, as a label showing the pixmap would.
    const QIcon symbol(symbolPixmap(video ? Symbol::Film : Symbol::Waveform, text, symbolSize));
    painter->drawPixmap(g.symbol.topLeft(),
                        symbol.pixmap(g.symbol.size(), painter->device()->devicePixelRatioF()));
    painter->setPen(text);
    painter->setFont(ui::font(ui::TextRole::Body));
    painter->drawText(g.time, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(TakeListModel::TimeRole).toString());
    if (g.badge.isValid()) {
        painter->setFont(ui::font(ui::TextRole::Caption2));
        painter->setPen(ui::accentColor());
        painter->drawText(g.badge, Qt::AlignLeft | Qt::AlignVCenter, latestBadge());
    }
    painter->setFont(ui::font(ui::TextRole::Caption));
    painter->setPen(ui::secondaryColor());
    painter->drawText(g.caption, Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(TakeListModel::CaptionRole).toString());
    painter->restore();

    paintSpeechStrip(painter, g.strip,
                     index.data(TakeListModel::SpeechSlicesRole).value<QList<SpeechSlice>>());

    QStyleOptionToolButton button = deleteButtonOption(option, m_trash);
    button.rect = g.deleteButton;
    const bool pressed = m_pressed.isValid() && m_pressed == index;
    const bool hovered = m_hovered.isValid() && m_hovered == index;
    if (hovered)
        button.state |= QStyle::State_MouseOver;
    button.state |= pressed && hovered ? QStyle::State_Sunken : QStyle::State_Raised;
    styleOf(option)->drawComplexControl(QStyle::CC_ToolButton, &button, painter, option.widget);
}

QSize TakeListDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem measure = option;
    measure.rect = QRect(0, 0, 10000, 0);
    const TakeRowGeometry g = layoutRow(measure, index, m_trash);
    const int texts = g.strip.bottom() + 1 - g.time.top();
    const int height = std::max({symbolSize, texts, g.deleteButton.height()}) + 2 * verticalPadding;
    const int width = horizontalPadding + symbolSize + columnGap
            + std::max(g.time.width() + (g.badge.isValid() ? lineGap + g.badge.width() : 0),
                       QFontMetrics(ui::font(ui::TextRole::Caption))
                               .horizontalAdvance(index.data(TakeListModel::CaptionRole).toString()))
            + columnGap + g.deleteButton.width() + horizontalPadding;
    return {width, height};
}

QRect TakeListDelegate::deleteButtonRect(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return layoutRow(option, index, m_trash).deleteButton;
}

QRect TakeListDelegate::speechStripRect(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    return layoutRow(option, index, m_trash).strip;
}

bool TakeListDelegate::helpEvent(QHelpEvent *event, QAbstractItemView *view,
                                 const QStyleOptionViewItem &option, const QModelIndex &index)
{
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const TakeRowGeometry g = layoutRow(option, index, m_trash);
    for (const auto &[rect, help] :
         {std::pair{g.deleteButton, deleteHelp()}, std::pair{g.strip, stripHelp()}}) {
        if (rect.contains(event->pos())) {
            QToolTip::showText(event->globalPos(), help, view->viewport(), rect);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return false;
}

} // namespace tandrel
