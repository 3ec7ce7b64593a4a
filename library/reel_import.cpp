#include "library/reel_import.h"

#include <QHash>
#include <algorithm>
#include <limits>

namespace tandrel {

namespace {

std::optional<qint64> successor(qint64 value)
{
    if (value == std::numeric_limits<qint64>::max())
        return std::nullopt;
    return value + 1;
}

} // namespace

std::optional<qint64> nextReelNumber(const QList<ReelProject> &reels)
{
    if (reels.isEmpty())
        return 1;
    const auto highest = std::max_element(reels.cbegin(), reels.cend(),
                                          [](const auto &a, const auto &b) { return a.prefix < b.prefix; });
    return successor(highest->prefix);
}

ReelProject newReel(qint64 number, const QString &title, const QString &script)
{
    ReelProject reel;
    reel.id = QUuid::createUuid();
    reel.prefix = number;
    reel.title = title;
    reel.script = script;
    reel.createdAt = QDateTime::currentDateTimeUtc();
    reel.updatedAt = reel.createdAt;
    reel.cropCenterX = 0.5;
    return reel;
}

std::optional<AppliedImport> applyImport(QList<ReelProject> &reels, const QList<ImportedReel> &blocks)
{
    QList<ReelProject> result = reels;
    AppliedImport applied;
    // The first reel of each number, in library order.
    QHash<qint64, qsizetype> byNumber;
    for (qsizetype i = result.size() - 1; i >= 0; --i)
        byNumber.insert(result.at(i).prefix, i);
    QHash<qsizetype, qsizetype> changeAt; // reel index → its entry in `changes`
    std::optional<qint64> next = nextReelNumber(result);
    auto create = [&](qint64 number, const ImportedReel &block) {
        result.append(newReel(number, block.title, block.script));
        byNumber.insert(number, result.size() - 1);
        applied.changes.append({std::nullopt, result.last()});
        changeAt.insert(result.size() - 1, applied.changes.size() - 1);
        applied.selected = result.last().id;
    };
    for (const ImportedReel &block : blocks) {
        if (!block.prefix) {
            if (!next)
                return std::nullopt;
            create(*next, block);
            next = successor(*next);
            continue;
        }
        const qint64 n = *block.prefix;
        const auto found = byNumber.constFind(n);
        if (found == byNumber.cend()) {
            create(n, block);
            // Counting goes on from the larger of the two, as far as numbers go.
            next = next ? successor(std::max(n, *next)) : std::nullopt;
            continue;
        }
        ReelProject &reel = result[*found];
        if (!changeAt.contains(*found)) {
            applied.changes.append({reel, reel});
            changeAt.insert(*found, applied.changes.size() - 1);
        }
        reel.title = block.title;
        reel.script = block.script;
        reel.updatedAt = QDateTime::currentDateTimeUtc();
        applied.changes[changeAt.value(*found)].after = reel;
        applied.selected = reel.id;
        // An updated reel below `next` leaves it; one above moves it on.
        if (next)
            next = std::max(successor(n), next);
    }
    reels = std::move(result);
    return applied;
}

} // namespace tandrel
