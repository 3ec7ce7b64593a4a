#include "app/model_test_support.h"
#include "app/reel_list_model.h"
#include "library/library_store.h"
#include "platform/settings_store.h"
#include "tests/support/take_files.h"

#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

enum Notification { Inserted = 1, Removed = 2, Moved = 4, Changed = 8, Reset = 16 };

// Which kinds of notification a model sent while the spy lived.
struct NotificationSpy
{
    explicit NotificationSpy(QAbstractItemModel &model)
        : inserted(&model, &QAbstractItemModel::rowsInserted),
          removed(&model, &QAbstractItemModel::rowsRemoved), moved(&model, &QAbstractItemModel::rowsMoved),
          changed(&model, &QAbstractItemModel::dataChanged), reset(&model, &QAbstractItemModel::modelReset)
    { }
    int seen() const
    {
        return (inserted.isEmpty() ? 0 : Inserted) | (removed.isEmpty() ? 0 : Removed)
                | (moved.isEmpty() ? 0 : Moved) | (changed.isEmpty() ? 0 : Changed)
                | (reset.isEmpty() ? 0 : Reset);
    }
    QSignalSpy inserted, removed, moved, changed, reset;
};

struct ReelListModelTest : ::testing::Test
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.ini")};
    LibraryStore library{settings, dir.filePath("Bibliothek")};
    ReelListModel model{library};
    ModelTesterLog testerLog{&model};

    QStringList labels() const
    {
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row).data(ReelListModel::LabelRole).toString());
        return shown;
    }
    void retitle(const QString &label, const QString &title)
    {
        ReelProject reel = stored(label);
        reel.title = title;
        library.updateReel(reel);
    }
    void renumber(const QString &label, qint64 number)
    {
        ReelProject reel = stored(label);
        reel.prefix = number;
        library.updateReel(reel);
    }
    ReelProject stored(const QString &label) const
    {
        for (const ReelProject &reel : library.reels())
            if (reel.displayLabel() == label)
                return reel;
        ADD_FAILURE() << "no reel " << label.toStdString();
        return {};
    }
};

} // namespace

TEST_F(ReelListModelTest, RowsFollowTheStoreWithTheNotificationsOfEachChange)
{
    const Take take = makeTake(std::nullopt, "a.m4a");
    const struct
    {
        const char *step;
        std::function<void()> change;
        QStringList labels;
        int notifications;
    } steps[] = {
            {"create 010", [&] { library.createReel(10, "Zehn", QString()); }, {"010 Zehn"}, Inserted},
            {"create 002 before it",
             [&] { library.createReel(2, "Zwei", QString()); },
             {"002 Zwei", "010 Zehn"},
             Inserted},
            {"rename", [&] { retitle("010 Zehn", "Zehn neu"); }, {"002 Zwei", "010 Zehn neu"}, Changed},
            {"renumber past the other",
             [&] { renumber("002 Zwei", 20); },
             {"010 Zehn neu", "020 Zwei"},
             Moved | Changed},
            {"add a take",
             [&] { library.addTake(take, stored("020 Zwei").id); },
             {"010 Zehn neu", "020 Zwei"},
             Changed},
            {"import a new and an existing number",
             [&] { library.importMarkdown("# 005 Fünf\nText\n---\n# 010 Zehn importiert\nText"); },
             {"005 Fünf", "010 Zehn importiert", "020 Zwei"},
             Inserted | Changed},
            {"delete the middle one",
             [&] { library.deleteReel(stored("010 Zehn importiert"), LibraryStore::Removal::permanently); },
             {"005 Fünf", "020 Zwei"},
             Removed},
    };
    for (const auto &s : steps) {
        NotificationSpy spy(model);
        s.change();
        EXPECT_EQ(labels(), s.labels) << s.step;
        EXPECT_EQ(spy.seen(), s.notifications) << s.step;
    }
    EXPECT_EQ(model.index(1).data(ReelListModel::CaptionRole).toString(), "1 Take");
    EXPECT_EQ(model.index(0).data(ReelListModel::CaptionRole).toString(), "Keine Takes");
    EXPECT_EQ(model.index(1).data(ReelListModel::IDRole).toUuid(), stored("020 Zwei").id);
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}

TEST_F(ReelListModelTest, ASwitchOfLibraryFolderEmptiesAndRefillsTheRows)
{
    library.createReel(1, "Eins", QString());
    library.createReel(2, "Zwei", QString());
    const QString first = library.rootPath();
    ASSERT_TRUE(library.changeRoot(dir.filePath("Leer")));
    EXPECT_EQ(model.rowCount(), 0);
    ASSERT_TRUE(library.changeRoot(first));
    EXPECT_EQ(labels(), (QStringList{"001 Eins", "002 Zwei"}));
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}

TEST_F(ReelListModelTest, TheViewKeepsItsCurrentRowAndScrollPositionThroughUnrelatedChanges)
{
    for (int n = 10; n < 40; ++n)
        library.createReel(n, QStringLiteral("Reel %1").arg(n), QString());
    QListView view;
    view.setModel(&model);
    view.resize(240, 160);
    view.show();
    const QModelIndex chosen = model.index(model.rowOf(stored("035 Reel 35").id));
    view.setCurrentIndex(chosen);
    view.scrollTo(chosen);
    QCoreApplication::processEvents();
    const int scrolled = view.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    QSignalSpy currentMoves(view.selectionModel(), &QItemSelectionModel::currentChanged);

    const struct
    {
        const char *step;
        std::function<void()> change;
    } unrelated[] = {
            {"rename another", [&] { retitle("038 Reel 38", "Anders"); }},
            {"delete one below",
             [&] { library.deleteReel(stored("039 Reel 39"), LibraryStore::Removal::permanently); }},
            {"create one at the end", [&] { library.createReel(50, "Neu", QString()); }},
    };
    for (const auto &u : unrelated) {
        u.change();
        QCoreApplication::processEvents(); // the view lays its items out later
        EXPECT_EQ(view.currentIndex().data(ReelListModel::LabelRole).toString(), "035 Reel 35") << u.step;
        EXPECT_TRUE(view.selectionModel()->isSelected(view.currentIndex())) << u.step;
        EXPECT_EQ(view.verticalScrollBar()->value(), scrolled) << u.step;
    }
    EXPECT_TRUE(currentMoves.isEmpty());

    // A row inserted above shifts the chosen one down without choosing anew.
    library.createReel(1, "Ganz oben", QString());
    EXPECT_EQ(view.currentIndex().data(ReelListModel::LabelRole).toString(), "035 Reel 35");
    EXPECT_TRUE(currentMoves.isEmpty());
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}
