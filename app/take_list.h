#pragma once

#include "library/take.h"

#include <QListView>
#include <QPersistentModelIndex>

namespace tandrel {

class TakeListDelegate;
class TakeListModel;

// The take list of the record workspace: a view over a TakeListModel whose
// rows a TakeListDelegate paints. Each row has a delete button, the list a
// context menu; the keyboard's Delete key asks to delete the current take.
// A double-click or Return on a row asks to play that take. Deleting, playing
// and opening the folder are the workspace's; the list only asks.
class TakeList : public QListView
{
    Q_OBJECT
public:
    explicit TakeList(TakeListModel *model, QWidget *parent = nullptr);

    TakeListModel *takeModel() const { return m_model; }
    // The row of the take with `takeID`, or an invalid index.
    QModelIndex indexOf(const QUuid &takeID) const;
    // The delete button of a row, in viewport coordinates.
    QRect deleteButtonRect(const QModelIndex &index) const;
    // The row's speech strip, in viewport coordinates.
    QRect speechStripRect(const QModelIndex &index) const;

signals:
    void deleteRequested(const Take &take);
    // "Untertitel erzeugen" on a take that has sound but no word times yet.
    void captionsRequested(const Take &take);
    void showFolderRequested();
    void playRequested(const Take &take);
    void finishRequested(const Take &take);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QStyleOptionViewItem rowOption(const QModelIndex &index) const;
    // The row whose delete button is at `pos` (viewport coordinates), if any.
    QModelIndex deleteButtonAt(const QPoint &pos) const;
    void setHovered(const QModelIndex &index);
    void setPressed(const QModelIndex &index);
    void requestDelete(const QModelIndex &index);
    void showContextMenu(const QPoint &pos);

    TakeListModel *m_model = nullptr;
    TakeListDelegate *m_delegate = nullptr;
    QPersistentModelIndex m_hovered;
    QPersistentModelIndex m_pressed;
};

} // namespace tandrel
