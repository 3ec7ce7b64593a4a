#pragma once

#include "app/keyed_list_model.h"
#include "library/reel_project.h"

#include <optional>

namespace tandrel {

class LibraryStore;

// The library's reels in reel order, one row each, following every change of
// the store with the row notifications it implies.
class ReelListModel : public KeyedListModel<ReelProject>
{
    Q_OBJECT
public:
    enum Role {
        IDRole = Qt::UserRole + 1,
        // The reel's displayLabel (also the display role).
        LabelRole,
        // "Keine Takes", "1 Take", "2 Takes", …
        CaptionRole,
    };

    explicit ReelListModel(LibraryStore &library, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    std::optional<ReelProject> reelAt(int row) const;

    static QString takesCaption(qsizetype count);

private:
    void syncWithLibrary();

    LibraryStore &m_library;
};

} // namespace tandrel
