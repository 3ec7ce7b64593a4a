#include "app/reel_list_model.h"

#include "library/library_store.h"

namespace tandrel {

ReelListModel::ReelListModel(LibraryStore &library, QObject *parent)
    : KeyedListModel<ReelProject>(parent), m_library(library)
{
    connect(&m_library, &LibraryStore::reelsChanged, this, &ReelListModel::syncWithLibrary);
    syncWithLibrary();
}

void ReelListModel::syncWithLibrary()
{
    QList<ReelProject> reels = m_library.reels();
    sortInReelOrder(reels);
    syncRows(reels);
}

QVariant ReelListModel::data(const QModelIndex &index, int role) const
{
    const ReelProject *reel = rowAt(index);
    if (!reel)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
    case LabelRole:
        return reel->displayLabel();
    case Qt::AccessibleDescriptionRole:
    case CaptionRole:
        return takesCaption(reel->takes.size());
    case IDRole:
        return reel->id;
    default:
        return {};
    }
}

QHash<int, QByteArray> ReelListModel::roleNames() const
{
    QHash<int, QByteArray> names = KeyedListModel<ReelProject>::roleNames();
    names.insert(IDRole, "reelID");
    names.insert(LabelRole, "label");
    names.insert(CaptionRole, "caption");
    return names;
}

std::optional<ReelProject> ReelListModel::reelAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return rows().at(row);
}

QString ReelListModel::takesCaption(qsizetype count)
{
    if (count == 0)
        return tr("Keine Takes");
    return count == 1 ? tr("1 Take") : tr("%1 Takes").arg(count);
}

} // namespace tandrel
