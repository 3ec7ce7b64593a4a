#pragma once

#include <QIcon>
#include <QPersistentModelIndex>
#include <QStyledItemDelegate>

namespace tandrel {

// Paints a take row of the take list: the film or waveform symbol, the time
// of day with the "letzter Take" badge, the caption, the speech strip and the
// borderless "Take löschen" button. The view tells it which row's button is
// under the mouse or pressed; the click itself is the view's business.
class TakeListDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TakeListDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

    // Where the row's delete button and speech strip lie, for a row at option.rect.
    QRect deleteButtonRect(const QStyleOptionViewItem &option, const QModelIndex &index) const;
    QRect speechStripRect(const QStyleOptionViewItem &option, const QModelIndex &index) const;

    void setHoveredDeleteButton(const QModelIndex &index) { m_hovered = index; }
    void setPressedDeleteButton(const QModelIndex &index) { m_pressed = index; }

private:
    QIcon m_trash;
    QPersistentModelIndex m_hovered;
    QPersistentModelIndex m_pressed;
};

} // namespace tandrel
