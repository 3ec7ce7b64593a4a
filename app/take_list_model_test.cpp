#include "app/model_test_support.h"
#include "app/take_list_model.h"
#include "library/library_store.h"
#include "library/speech_slicing.h"
#include "platform/settings_store.h"
#include "tests/support/take_files.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

struct TakeListModelTest : ::testing::Test
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.ini")};
    LibraryStore library{settings, dir.filePath("Bibliothek")};
    ReelProject reel = library.createReel(1, "Eins", QString()).value();
    TakeListModel model{library};
    ModelTesterLog testerLog{&model};

    void SetUp() override { model.setReelID(reel.id); }

    QList<QUuid> shownIDs() const
    {
        QList<QUuid> ids;
        for (int row = 0; row < model.rowCount(); ++row)
            ids.append(model.index(row).data(TakeListModel::IDRole).toUuid());
        return ids;
    }
    bool isLatest(const Take &take) const
    {
        return model.index(model.rowOf(take.id)).data(TakeListModel::IsLatestRole).toBool();
    }
};

} // namespace

TEST_F(TakeListModelTest, RowsShowTheReelsTakesInItsOrderWithCaptionKindAndBadge)
{
    const Take audioOnly = makeTake(std::nullopt, "a.m4a", 42.9, {}, 60);
    const Take both = makeTake("b.mov", "b.m4a", 5, {{1, 2}, {3, 4}});
    const Take older = makeTake("c.mov", std::nullopt, 61, {}, 120);
    for (const Take &take : {audioOnly, both, older})
        library.addTake(take, reel.id);

    // The order of the reel's takes, whatever their times; the badge on the newest.
    ASSERT_EQ(shownIDs(), (QList<QUuid>{audioOnly.id, both.id, older.id}));
    const struct
    {
        Take take;
        const char *caption;
        bool video, latest;
    } rows[] = {
            {audioOnly, "00:42 · Audio", false, false},
            {both, "00:05 · Video · Audio", true, true},
            {older, "01:01 · Video", true, false},
    };
    for (const auto &r : rows) {
        const QModelIndex index = model.index(model.rowOf(r.take.id));
        EXPECT_EQ(index.data(TakeListModel::CaptionRole).toString(), QString::fromUtf8(r.caption));
        EXPECT_EQ(index.data(TakeListModel::HasVideoRole).toBool(), r.video) << r.caption;
        EXPECT_EQ(index.data(TakeListModel::IsLatestRole).toBool(), r.latest) << r.caption;
        EXPECT_EQ(index.data(TakeListModel::TakeRole).value<Take>(), r.take) << r.caption;
    }

    // Speech where the export cuts it; how it is cut is the slicing's test.
    EXPECT_EQ(model.index(model.rowOf(both.id))
                      .data(TakeListModel::SpeechSlicesRole)
                      .value<QList<SpeechSlice>>(),
              speechSlices(both.speechIntervals, both.duration));
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}

TEST_F(TakeListModelTest, TheBadgeMovesWithTheNewestTakeAndTellsTheRowsItLeaves)
{
    const Take first = makeTake(std::nullopt, "a.m4a", 2, {}, 60);
    const Take second = makeTake(std::nullopt, "b.m4a", 2);
    library.addTake(first, reel.id);
    ASSERT_TRUE(isLatest(first));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    library.addTake(second, reel.id);
    EXPECT_FALSE(isLatest(first));
    EXPECT_TRUE(isLatest(second));
    const auto toldFirst = [&] {
        return std::any_of(changed.cbegin(), changed.cend(), [&](const QList<QVariant> &args) {
            return args.at(0).toModelIndex().row() == model.rowOf(first.id)
                    && args.at(2).value<QList<int>>().contains(TakeListModel::IsLatestRole);
        });
    };
    EXPECT_TRUE(toldFirst());

    changed.clear();
    library.deleteTake(second.id, reel.id, LibraryStore::Removal::permanently);
    EXPECT_EQ(shownIDs(), QList<QUuid>{first.id});
    EXPECT_TRUE(isLatest(first));
    EXPECT_TRUE(toldFirst());
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}

TEST_F(TakeListModelTest, FollowsOnlyItsOwnReelAndEmptiesWhenTheReelGoes)
{
    const Take own = makeTake("o.mov", std::nullopt, 3);
    library.addTake(own, reel.id);
    const ReelProject other = library.createReel(2, "Zwei", QString()).value();

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    library.addTake(makeTake(std::nullopt, "x.m4a", 1), other.id);
    ReelProject renamed = *library.reel(reel.id);
    renamed.title = QStringLiteral("Eins neu");
    library.updateReel(renamed);
    EXPECT_EQ(shownIDs(), QList<QUuid>{own.id});
    EXPECT_TRUE(inserted.isEmpty());
    EXPECT_TRUE(changed.isEmpty());
    EXPECT_TRUE(reset.isEmpty());

    model.setReelID(other.id);
    EXPECT_EQ(reset.size(), 1);
    EXPECT_EQ(model.rowCount(), 1);

    model.setReelID(reel.id);
    library.deleteReel(*library.reel(reel.id), LibraryStore::Removal::permanently);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}

TEST_F(TakeListModelTest, ATakesRowSaysHowMuchOfTheScriptItSaidOnceItsWordsAreKnown)
{
    ReelProject withScript = reel;
    withScript.script = QStringLiteral("Erster Satz hier. Zweiter Satz dort! Dritter kommt noch.");
    ASSERT_TRUE(library.updateReel(withScript).ok());
    const Take take = makeTake("t.mov", "t.m4a", 9);
    library.addTake(take, reel.id);
    const auto row = [&] { return model.index(model.rowOf(take.id)); };
    EXPECT_EQ(row().data(TakeListModel::CaptionRole).toString(), QStringLiteral("00:09 · Video · Audio"));
    EXPECT_TRUE(row().data(Qt::ToolTipRole).toString().isEmpty());

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    // Words 0-2 and 6-7 said; "Zweiter Satz dort!" skipped, "noch." not heard.
    const QList<WordTime> words{{0.1, 0.4, 0, "Erster"},
                                {0.4, 0.7, 1, "Satz"},
                                {0.7, 1.0, 2, "hier."},
                                {3.0, 3.4, 6, "Dritter"},
                                {3.4, 3.8, 7, "kommt"}};
    ASSERT_TRUE(library.setTakeWords(take.id, reel.id, words).ok());
    EXPECT_FALSE(changed.isEmpty()) << "the row is told";
    EXPECT_EQ(row().data(TakeListModel::CaptionRole).toString(),
              QStringLiteral("00:09 · Video · Audio · 56 % des Textes"));
    EXPECT_EQ(row().data(Qt::ToolTipRole).toString(),
              QStringLiteral("Nicht gesprochen:\nZweiter Satz dort!"));
}
