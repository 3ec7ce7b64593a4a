#include "library/library_merge.h"
#include "library/reel_import.h"

#include <gtest/gtest.h>

#include "tests/support/take_files.h"

#include <functional>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

using Edit = std::function<void(QList<ReelProject> &)>;

ReelProject &reelNumbered(QList<ReelProject> &reels, qint64 prefix)
{
    return *std::find_if(reels.begin(), reels.end(),
                         [&](const ReelProject &r) { return r.prefix == prefix; });
}

// "1:title/2" — each reel as number, title and number of takes, in list order.
QString summary(const QList<ReelProject> &reels)
{
    QStringList parts;
    for (const ReelProject &reel : reels)
        parts.append(QStringLiteral("%1:%2/%3").arg(reel.prefix).arg(reel.title).arg(reel.takes.size()));
    return parts.join(QLatin1Char(' '));
}

} // namespace

// Changes made here but not saved, and changes another process saved
// meanwhile: whatever either side added, changed or removed survives.
TEST(LibraryMerge, ChangesOfBothSidesSurvive)
{
    const Take take = makeTake("a.mov", std::nullopt);
    const QList<ReelProject> base = {newReel(1, "Eins", "x"), newReel(2, "Zwei", "y")};
    const struct
    {
        const char *name;
        Edit theirs, ours;
        const char *merged;
    } cases[] = {
            {"they add, we rename", [](auto &r) { r.append(newReel(3, "Drei", "z")); },
             [](auto &r) { reelNumbered(r, 1).title = "Neu"; }, "1:Neu/0 2:Zwei/0 3:Drei/0"},
            {"they rename, we remove another", [](auto &r) { reelNumbered(r, 2).title = "Zwo"; },
             [](auto &r) { r.removeFirst(); }, "2:Zwo/0"},
            {"they remove what we changed", [](auto &r) { r.removeFirst(); },
             [](auto &r) { reelNumbered(r, 1).title = "Neu"; }, "2:Zwei/0 1:Neu/0"},
            {"we remove what they changed", [](auto &r) { reelNumbered(r, 2).title = "Zwo"; },
             [](auto &r) { r.removeLast(); }, "1:Eins/0 2:Zwo/0"},
            {"both add a take to one reel", [&](auto &r) { reelNumbered(r, 1).takes.append(take); },
             [](auto &r) { reelNumbered(r, 1).takes.append(makeTake("b.mov", std::nullopt)); },
             "1:Eins/2 2:Zwei/0"},
            {"they change the script, we the title", [](auto &r) { reelNumbered(r, 1).script = "neu"; },
             [](auto &r) { reelNumbered(r, 1).title = "Neu"; }, "1:Neu/0 2:Zwei/0"},
            {"both add reels", [](auto &r) { r.append(newReel(3, "Drei", "z")); },
             [](auto &r) { r.append(newReel(4, "Vier", "w")); }, "1:Eins/0 2:Zwei/0 3:Drei/0 4:Vier/0"},
    };
    for (const auto &c : cases) {
        QList<ReelProject> theirs = base, ours = base;
        c.theirs(theirs);
        c.ours(ours);
        const QList<ReelProject> merged = mergeLibraries(theirs, base, ours);
        EXPECT_EQ(summary(merged), QString::fromUtf8(c.merged)) << c.name;
        if (QLatin1String(c.name) == QLatin1String("they change the script, we the title")) {
            EXPECT_EQ(merged.first().script, "neu");
        }
    }
    EXPECT_EQ(mergeLibraries(base, base, base), base);
}
