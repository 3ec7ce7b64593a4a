#include "library/library_merge.h"

#include <QHash>

namespace tandrel {

namespace {

template<typename T> QHash<QUuid, const T *> byId(const QList<T> &items)
{
    QHash<QUuid, const T *> index;
    index.reserve(items.size());
    for (const T &item : items)
        index.insert(item.id, &item); // the first of an id counts, as in lookups
    return index;
}

// Three-way merge of lists of records with ids; `combine(theirs, base, ours)`
// settles an item both sides have and we changed.
template<typename T, typename Combine>
QList<T> mergeById(const QList<T> &theirs, const QList<T> &base, const QList<T> &ours, Combine combine)
{
    const auto theirIndex = byId(theirs);
    const auto baseIndex = byId(base);
    const auto ourIndex = byId(ours);
    QList<T> result;
    result.reserve(theirs.size() + ours.size());
    for (const T &item : theirs) {
        const T *was = baseIndex.value(item.id);
        const T *now = ourIndex.value(item.id);
        if (!now && was && *was == item)
            continue; // we removed it and they left it alone
        if (now && was && !(*now == *was))
            result.append(combine(item, *was, *now));
        else if (now && !was && !(*now == item))
            result.append(combine(item, item, *now)); // both added it: ours wins where it differs
        else
            result.append(item);
    }
    for (const T &item : ours) {
        if (theirIndex.contains(item.id))
            continue;
        const T *was = baseIndex.value(item.id);
        // Added by us, or changed by us while they removed it.
        if (!was || !(*was == item))
            result.append(item);
    }
    return result;
}

} // namespace

ReelProject mergeReel(const ReelProject &current, const ReelProject &base, const ReelProject &changed)
{
    ReelProject result = current;
    auto take = [](auto &field, const auto &was, const auto &now) {
        if (!(was == now))
            field = now;
    };
    take(result.prefix, base.prefix, changed.prefix);
    take(result.title, base.title, changed.title);
    take(result.script, base.script, changed.script);
    take(result.createdAt, base.createdAt, changed.createdAt);
    take(result.takes, base.takes, changed.takes);
    // NaN never equals itself; a NaN written by the caller still arrives.
    if (!(base.cropCenterX == changed.cropCenterX))
        result.cropCenterX = changed.cropCenterX;
    return result;
}

QList<ReelProject> mergeLibraries(const QList<ReelProject> &theirs, const QList<ReelProject> &base,
                                  const QList<ReelProject> &ours)
{
    return mergeById(theirs, base, ours,
                     [](const ReelProject &current, const ReelProject &was, const ReelProject &now) {
                         ReelProject result = mergeReel(current, was, now);
                         result.takes = mergeById(
                                 current.takes, was.takes, now.takes,
                                 [](const Take &, const Take &, const Take &mine) { return mine; });
                         if (!(was.updatedAt == now.updatedAt))
                             result.updatedAt = std::max(current.updatedAt, now.updatedAt);
                         return result;
                     });
}

} // namespace tandrel
