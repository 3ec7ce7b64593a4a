#include "app/take_list.h"

#include "app/destructive_menu.h"
#include "app/take_list_delegate.h"
#include "app/take_list_model.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

namespace tandrel {

TakeList::TakeList(TakeListModel *model, QWidget *parent)
    : QListView(parent), m_model(model), m_delegate(new TakeListDelegate(this))
{
    setObjectName(QStringLiteral("takeList"));
    setModel(m_model);
    setItemDelegate(m_delegate);
    setMinimumHeight(180);
    setSelectionMode(QAbstractItemView::NoSelection);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The delete buttons light up under the mouse.
    setMouseTracking(true);
    connect(this, &QListView::customContextMenuRequested, this, &TakeList::showContextMenu);
}

QModelIndex TakeList::indexOf(const QUuid &takeID) const
{
    const int row = m_model->rowOf(takeID);
    return row < 0 ? QModelIndex() : m_model->index(row);
}

QStyleOptionViewItem TakeList::rowOption(const QModelIndex &index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    return option;
}

QRect TakeList::deleteButtonRect(const QModelIndex &index) const
{
    return index.isValid() ? m_delegate->deleteButtonRect(rowOption(index), index) : QRect();
}

QRect TakeList::speechStripRect(const QModelIndex &index) const
{
    return index.isValid() ? m_delegate->speechStripRect(rowOption(index), index) : QRect();
}

QModelIndex TakeList::deleteButtonAt(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    return deleteButtonRect(index).contains(pos) ? index : QModelIndex();
}

void TakeList::setHovered(const QModelIndex &index)
{
    if (m_hovered == index)
        return;
    if (m_hovered.isValid())
        update(m_hovered);
    m_hovered = index;
    m_delegate->setHoveredDeleteButton(index);
    if (index.isValid())
        update(index);
}

void TakeList::setPressed(const QModelIndex &index)
{
    if (m_pressed == index)
        return;
    if (m_pressed.isValid())
        update(m_pressed);
    m_pressed = index;
    m_delegate->setPressedDeleteButton(index);
    if (index.isValid())
        update(index);
}

void TakeList::mouseMoveEvent(QMouseEvent *event)
{
    setHovered(deleteButtonAt(event->position().toPoint()));
    QListView::mouseMoveEvent(event);
}

void TakeList::mousePressEvent(QMouseEvent *event)
{
    const QModelIndex button = deleteButtonAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && button.isValid()) {
        setHovered(button);
        setPressed(button);
        return;
    }
    QListView::mousePressEvent(event);
}

void TakeList::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_pressed.isValid()) {
        const QModelIndex pressed = m_pressed;
        setPressed(QModelIndex());
        // Like a button: the click counts only if released over it.
        if (deleteButtonAt(event->position().toPoint()) == pressed)
            requestDelete(pressed);
        return;
    }
    QListView::mouseReleaseEvent(event);
}

void TakeList::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    // A quick second click on the delete button is not a wish to watch.
    if (event->button() == Qt::LeftButton && !deleteButtonAt(pos).isValid()) {
        if (const std::optional<Take> take = m_model->takeAt(indexAt(pos).row())) {
            emit playRequested(*take);
            return;
        }
    }
    QListView::mouseDoubleClickEvent(event);
}

void TakeList::leaveEvent(QEvent *event)
{
    setHovered(QModelIndex());
    QListView::leaveEvent(event);
}

void TakeList::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete && currentIndex().isValid()) {
        requestDelete(currentIndex());
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        if (const std::optional<Take> take = m_model->takeAt(currentIndex().row()))
            emit playRequested(*take);
        return;
    }
    QListView::keyPressEvent(event);
}

void TakeList::requestDelete(const QModelIndex &index)
{
    if (const std::optional<Take> take = m_model->takeAt(index.row()))
        emit deleteRequested(*take);
}

void TakeList::showContextMenu(const QPoint &pos)
{
    const QModelIndex index = indexAt(pos);
    const std::optional<Take> take = m_model->takeAt(index.row());
    if (!take)
        return;
    DestructiveMenu menu(this);
    menu.addAction(tr("Im Dateimanager zeigen"), this, [this] { emit showFolderRequested(); });
    if (!take->words && take->audioFileName) {
        QAction *captions = menu.addAction(tr("Untertitel erzeugen"), this,
                                           [this, take] { emit captionsRequested(*take); });
        captions->setEnabled(!index.data(TakeListModel::CaptioningRole).isValid());
    }
    menu.addAction(tr("Reel fertigstellen…"), this, [this, take] { emit finishRequested(*take); });
    QAction *remove = menu.addDestructiveAction(tr("Löschen"));
    connect(remove, &QAction::triggered, this, [this, take] { emit deleteRequested(*take); });
    menu.exec(viewport()->mapToGlobal(pos));
}

} // namespace tandrel
