#include "app/take_list_model.h"

#include "app/take_captioner.h"
#include "app/ui_style.h"
#include "library/library_store.h"
#include "library/speech_slicing.h"
#include "speech/word_alignment.h"

#include <QLocale>

namespace tandrel {

namespace {

std::optional<QUuid> latestTakeID(const std::optional<ReelProject> &reel)
{
    const std::optional<Take> latest = reel ? reel->latestTake() : std::nullopt;
    return latest ? std::optional<QUuid>(latest->id) : std::nullopt;
}

} // namespace

TakeListModel::TakeListModel(LibraryStore &library, QObject *parent)
    : KeyedListModel<Take>(parent), m_library(library)
{
    connect(&m_library, &LibraryStore::reelsChanged, this, &TakeListModel::syncWithLibrary);
}

void TakeListModel::setReelID(std::optional<QUuid> id)
{
    if (m_reelID == id)
        return;
    m_reelID = id;
    // Rows of another reel share nothing with these; views start over.
    const std::optional<ReelProject> reel = m_reelID ? m_library.reel(*m_reelID) : std::nullopt;
    m_latestID = latestTakeID(reel);
    resetRows(reel ? reel->takes : QList<Take>());
}

void TakeListModel::setCaptioner(const TakeCaptioner *captioner)
{
    if (m_captioner)
        disconnect(m_captioner, nullptr, this, nullptr);
    m_captioner = captioner;
    if (!m_captioner)
        return;
    connect(m_captioner, &TakeCaptioner::takeStateChanged, this, [this](const QUuid &takeID) {
        const int row = rowOf(takeID);
        if (row >= 0)
            emit dataChanged(index(row), index(row),
                             {CaptionRole, CaptioningRole, Qt::ToolTipRole, Qt::AccessibleTextRole});
    });
}

void TakeListModel::syncWithLibrary()
{
    const std::optional<ReelProject> reel = m_reelID ? m_library.reel(*m_reelID) : std::nullopt;
    const std::optional<QUuid> latestID = latestTakeID(reel);
    const std::optional<QUuid> previousLatest = std::exchange(m_latestID, latestID);
    syncRows(reel ? reel->takes : QList<Take>());
    // Each row's share of the script follows an edited script.
    const QString script = reel ? reel->script : QString();
    if (script != m_script->text()) {
        m_script = ScriptDocument::make(script);
        if (rowCount() > 0)
            emit dataChanged(index(0), index(rowCount() - 1), {CaptionRole, Qt::ToolTipRole, Qt::AccessibleTextRole});
    }
    // The badge moves without either take changing.
    if (previousLatest != latestID) {
        for (const std::optional<QUuid> &id : {previousLatest, latestID}) {
            const int row = id ? rowOf(*id) : -1;
            if (row >= 0)
                emit dataChanged(index(row), index(row), {IsLatestRole});
        }
    }
}

QVariant TakeListModel::data(const QModelIndex &index, int role) const
{
    const Take *take = rowAt(index);
    if (!take)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case TimeRole:
        return QLocale().toString(take->recordedAt.toLocalTime().time(), QLocale::ShortFormat);
    case Qt::AccessibleTextRole:
        return data(index, TimeRole).toString() + QStringLiteral(", ") + rowCaption(*take);
    case CaptionRole:
        return rowCaption(*take);
    case Qt::ToolTipRole:
        return rowTip(*take);
    case CaptioningRole: {
        const std::optional<double> share = m_captioner ? m_captioner->progress(take->id) : std::nullopt;
        return share ? QVariant(*share) : QVariant();
    }
    case IDRole:
        return take->id;
    case TakeRole:
        return QVariant::fromValue(*take);
    case HasVideoRole:
        return take->videoFileName.has_value();
    case IsLatestRole:
        return m_latestID == take->id;
    case SpeechSlicesRole:
        return QVariant::fromValue(speechSlices(take->speechIntervals, take->duration));
    default:
        return {};
    }
}

QHash<int, QByteArray> TakeListModel::roleNames() const
{
    QHash<int, QByteArray> names = KeyedListModel<Take>::roleNames();
    names.insert(IDRole, "takeID");
    names.insert(TakeRole, "take");
    names.insert(TimeRole, "time");
    names.insert(CaptionRole, "caption");
    names.insert(HasVideoRole, "hasVideo");
    names.insert(IsLatestRole, "isLatest");
    names.insert(SpeechSlicesRole, "speechSlices");
    names.insert(CaptioningRole, "captioning");
    return names;
}

std::optional<Take> TakeListModel::takeAt(int row) const
{
    if (row < 0 || row >= rowCount())
        return std::nullopt;
    return rows().at(row);
}

QString TakeListModel::rowCaption(const Take &take) const
{
    const QString plain = caption(take, *m_script);
    if (!m_captioner)
        return plain;
    if (const std::optional<double> share = m_captioner->progress(take.id)) {
        const QString state = *share > 0 ? tr("Untertitel werden erzeugt … %1 %").arg(qRound(*share * 100))
                                         : tr("Untertitel werden erzeugt …");
        return plain + QStringLiteral(" · ") + state;
    }
    if (!take.words && !m_captioner->failure(take.id).isEmpty())
        return tr("%1 · Keine Untertitel").arg(plain);
    return plain;
}

QString TakeListModel::rowTip(const Take &take) const
{
    const QString failure = m_captioner && !take.words ? m_captioner->failure(take.id) : QString();
    if (!failure.isEmpty())
        return tr("Untertitel konnten nicht erzeugt werden: %1").arg(failure);
    return skippedSentencesTip(take, *m_script);
}

QString TakeListModel::caption(const Take &take, const ScriptDocument &script)
{
    QStringList parts{ui::formatMinutesSeconds(take.duration)};
    if (take.videoFileName)
        parts.append(tr("Video"));
    if (take.audioFileName)
        parts.append(tr("Audio"));
    if (take.words && script.tokenCount() > 0)
        parts.append(tr("%1 % des Textes").arg(qRound(scriptCoverage(*take.words, script).share * 100)));
    return parts.join(QStringLiteral(" · "));
}

QString TakeListModel::skippedSentencesTip(const Take &take, const ScriptDocument &script)
{
    if (!take.words || script.tokenCount() == 0)
        return {};
    const QStringList skipped = scriptCoverage(*take.words, script).skippedSentences;
    if (skipped.isEmpty())
        return tr("Jeder Satz des Textes ist im Take.");
    return tr("Nicht gesprochen:\n%1").arg(skipped.join(QLatin1Char('\n')));
}

} // namespace tandrel
