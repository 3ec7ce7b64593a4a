#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QSet>
#include <QUuid>
#include <algorithm>
#include <utility>

namespace tandrel {

// A flat list model of records that carry a unique `id` and compare with ==.
// The derived model hands it the complete new list after every change of its
// source; syncRows works out the removals, moves, insertions and changed rows,
// so that views keep their current row, selection and scroll position across
// changes that do not concern them. Main thread only.
template<typename Row> class KeyedListModel : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }

    const QList<Row> &rows() const { return m_rows; }

    // The row of the record with `id`, or -1.
    int rowOf(const QUuid &id) const
    {
        for (qsizetype i = 0; i < m_rows.size(); ++i)
            if (m_rows.at(i).id == id)
                return int(i);
        return -1;
    }

    // True while syncRows is notifying views. A view's current row that moves
    // then (because its row went away) is not a choice of the user.
    bool isSyncing() const { return m_syncing; }

protected:
    const Row *rowAt(const QModelIndex &index) const
    {
        if (!index.isValid() || index.model() != this || index.column() != 0 || index.row() >= m_rows.size())
            return nullptr;
        return &m_rows.at(index.row());
    }

    // Brings the rows to `target`. A list that shares no record with the
    // current one (another library folder, another reel) is a reset.
    void syncRows(const QList<Row> &target)
    {
        m_syncing = true;
        QSet<QUuid> targetIDs;
        for (const Row &row : target)
            targetIDs.insert(row.id);
        const bool anyKept = std::any_of(m_rows.cbegin(), m_rows.cend(),
                                         [&](const Row &row) { return targetIDs.contains(row.id); });
        if (!anyKept && !m_rows.isEmpty() && !target.isEmpty()) {
            resetRows(target);
        } else {
            removeRowsMissingFrom(targetIDs);
            moveAndInsertRowsOf(target);
        }
        m_syncing = false;
    }

    void resetRows(const QList<Row> &rows)
    {
        const bool nested = std::exchange(m_syncing, true);
        beginResetModel();
        m_rows = rows;
        endResetModel();
        m_syncing = nested;
    }

private:
    // Back to front, one contiguous range at a time.
    void removeRowsMissingFrom(const QSet<QUuid> &targetIDs)
    {
        for (int last = int(m_rows.size()) - 1; last >= 0;) {
            if (targetIDs.contains(m_rows.at(last).id)) {
                --last;
                continue;
            }
            int first = last;
            while (first > 0 && !targetIDs.contains(m_rows.at(first - 1).id))
                --first;
            beginRemoveRows(QModelIndex(), first, last);
            m_rows.remove(first, last - first + 1);
            endRemoveRows();
            last = first - 1;
        }
    }

    // Every remaining record is in `target`; front to back, the rows before
    // `i` already match it.
    void moveAndInsertRowsOf(const QList<Row> &target)
    {
        QSet<QUuid> present;
        for (const Row &row : std::as_const(m_rows))
            present.insert(row.id);
        for (int i = 0; i < int(target.size());) {
            const Row &wanted = target.at(i);
            if (!present.contains(wanted.id)) {
                int end = i + 1;
                while (end < int(target.size()) && !present.contains(target.at(end).id))
                    ++end;
                beginInsertRows(QModelIndex(), i, end - 1);
                for (int k = i; k < end; ++k)
                    m_rows.insert(k, target.at(k));
                endInsertRows();
                i = end;
                continue;
            }
            if (m_rows.at(i).id != wanted.id) {
                const int from = rowOf(wanted.id);
                beginMoveRows(QModelIndex(), from, from, QModelIndex(), i);
                m_rows.move(from, i);
                endMoveRows();
            }
            if (!(m_rows.at(i) == wanted)) {
                m_rows[i] = wanted;
                emit dataChanged(index(i), index(i));
            }
            ++i;
        }
    }

    QList<Row> m_rows;
    bool m_syncing = false;
};

} // namespace tandrel
