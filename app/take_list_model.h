#pragma once

#include "app/keyed_list_model.h"
#include "library/take.h"
#include "speech/script_document.h"

#include <QUuid>
#include <optional>

namespace tandrel {

class LibraryStore;
class TakeCaptioner;

// The takes of one reel of the library, in the order of the reel's takes,
// following every change of the store. Without a reel, or when the reel is
// gone, it has no rows.
class TakeListModel : public KeyedListModel<Take>
{
    Q_OBJECT
public:
    enum Role {
        IDRole = Qt::UserRole + 1,
        // The whole Take, for the row's actions.
        TakeRole,
        // recordedAt as a local time of day in the user's short format (also the display role).
        TimeRole,
        // "00:42 · Video · Audio": duration, then which files the take has,
        // then, once its word times are known, "92 % des Textes".
        CaptionRole,
        // Whether the take has a video file (film symbol) or only audio (waveform).
        HasVideoRole,
        // Whether the take is the reel's latestTake ("letzter Take").
        IsLatestRole,
        // QList<SpeechSlice>: speech and pauses as the export cuts the take.
        SpeechSlicesRole,
        // The share of the take's audio aligned so far (0 while it waits),
        // invalid when its captions are not being made.
        CaptioningRole,
    };

    explicit TakeListModel(LibraryStore &library, QObject *parent = nullptr);

    std::optional<QUuid> reelID() const { return m_reelID; }
    // Rows then tell how the captioner is getting on with their takes.
    void setCaptioner(const TakeCaptioner *captioner);
    void setReelID(std::optional<QUuid> id);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    std::optional<Take> takeAt(int row) const;

    static QString caption(const Take &take, const ScriptDocument &script = *ScriptDocument::empty());

    // The sentences of `script` the take did not say, for the row's tooltip.
    static QString skippedSentencesTip(const Take &take, const ScriptDocument &script);

private:
    void syncWithLibrary();
    QString rowCaption(const Take &take) const;
    QString rowTip(const Take &take) const;

    LibraryStore &m_library;
    const TakeCaptioner *m_captioner = nullptr;
    std::optional<QUuid> m_reelID;
    std::optional<QUuid> m_latestID;
    // The shown reel's script, tokenised once per change rather than per row read.
    ScriptDocumentPtr m_script = ScriptDocument::empty();
};

} // namespace tandrel
