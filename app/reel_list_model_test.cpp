#include "app/model_test_support.h"
#include "app/reel_list_model.h"
#include "library/library_store.h"
#include "platform/user_defaults.h"

#include <QListView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

struct ReelListModelTest : ::testing::Test
{
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("defaults.ini"))};
    LibraryStore library{defaults, dir.filePath(QStringLiteral("Bibliothek"))};
    ReelListModel model{library};
    ModelTesterLog testerLog{&model};

    QStringList labels() const
    {
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.index(row).data(ReelListModel::LabelRole).toString());
        return shown;
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
    Take take;
    take.id = QUuid::createUuid();
    take.recordedAt = QDateTime::currentDateTimeUtc();
    take.audioFileName = QStringLiteral("a.m4a");
    take.duration = 3;

    const struct
    {
        const char *step;
        std::function<void()> change;
        QStringList labels;
        bool inserted, removed, moved, changed;
    } steps[] = {
            {"create 010",
             [&] { library.createReel(10, QStringLiteral("Zehn"), QString()); },
             {"010 Zehn"},
             true,
             false,
             false,
             false},
            {"create 002 before it",
             [&] { library.createReel(2, QStringLiteral("Zwei"), QString()); },
             {"002 Zwei", "010 Zehn"},
             true,
             false,
             false,
             false},
            {"rename",
             [&] {
                 ReelProject reel = stored(QStringLiteral("010 Zehn"));
                 reel.title = QStringLiteral("Zehn neu");
                 library.updateReel(reel);
             },
             {"002 Zwei", "010 Zehn neu"},
             false,
             false,
             false,
             true},
            {"renumber past the other",
             [&] {
                 ReelProject reel = stored(QStringLiteral("002 Zwei"));
                 reel.prefix = 20;
                 library.updateReel(reel);
             },
             {"010 Zehn neu", "020 Zwei"}, false, false, true, true},
             false,
             false,
             true,
             false},
            {"add a take",
             [&] { library.addTake(take, stored(QStringLiteral("020 Zwei")).id); },
             {"010 Zehn neu", "020 Zwei"},
             false,
             false,
             false,
             true},
            {"import a new and an existing number",
             [&] {
                 library.importMarkdown(QStringLiteral("# 005 Fünf\nText\n---\n# 010 Zehn importiert\nText"));
             },
             {"005 Fünf", "010 Zehn importiert", "020 Zwei"},
             true,
             false,
             false,
             true},
            {"delete the middle one",
             [&] { library.deleteReel(stored(QStringLiteral("010 Zehn importiert"))); },
             {"005 Fünf", "020 Zwei"},
             false,
             true,
             false,
             false},
    };
    for (const auto &s : steps) {
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy moved(&model, &QAbstractItemModel::rowsMoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        s.change();
        EXPECT_EQ(labels(), s.labels) << s.step;
        EXPECT_EQ(!inserted.isEmpty(), s.inserted) << s.step;
        EXPECT_EQ(!removed.isEmpty(), s.removed) << s.step;
        EXPECT_EQ(!moved.isEmpty(), s.moved) << s.step;
        EXPECT_EQ(!changed.isEmpty(), s.changed) << s.step;
        EXPECT_TRUE(reset.isEmpty()) << s.step;
    }
    EXPECT_EQ(model.index(1).data(ReelListModel::CaptionRole).toString(), QStringLiteral("1 Take"));
    EXPECT_EQ(model.index(0).data(ReelListModel::CaptionRole).toString(), QStringLiteral("Keine Takes"));
    EXPECT_EQ(model.index(1).data(ReelListModel::IDRole).toUuid(), stored(QStringLiteral("020 Zwei")).id);
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}

TEST_F(ReelListModelTest, ASwitchOfLibraryFolderEmptiesAndRefillsTheRows)
{
    library.createReel(1, QStringLiteral("Eins"), QString());
    library.createReel(2, QStringLiteral("Zwei"), QString());
    const QString first = library.rootURL();
    ASSERT_TRUE(library.changeRoot(dir.filePath(QStringLiteral("Leer"))));
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
    const QModelIndex chosen = model.index(model.rowOf(stored(QStringLiteral("035 Reel 35")).id));
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
            {"rename another",
             [&] {
                 ReelProject reel = stored(QStringLiteral("038 Reel 38"));
                 reel.title = QStringLiteral("Anders");
                 library.updateReel(reel);
             }},
            {"delete one below", [&] { library.deleteReel(stored(QStringLiteral("039 Reel 39"))); }},
            {"create one at the end", [&] { library.createReel(50, QStringLiteral("Neu"), QString()); }},
    };
    for (const auto &u : unrelated) {
        u.change();
        QCoreApplication::processEvents(); // the view lays its items out later
        EXPECT_EQ(view.currentIndex().data(ReelListModel::LabelRole).toString(),
                  QStringLiteral("035 Reel 35"))
                << u.step;
        EXPECT_TRUE(view.selectionModel()->isSelected(view.currentIndex())) << u.step;
        EXPECT_EQ(view.verticalScrollBar()->value(), scrolled) << u.step;
    }
    EXPECT_TRUE(currentMoves.isEmpty());

    // A row inserted above shifts the chosen one down without choosing anew.
    library.createReel(1, QStringLiteral("Ganz oben"), QString());
    EXPECT_EQ(view.currentIndex().data(ReelListModel::LabelRole).toString(), QStringLiteral("035 Reel 35"));
    EXPECT_TRUE(currentMoves.isEmpty());
    EXPECT_TRUE(testerLog.failures.isEmpty()) << testerLog.failures.join(u'\n').toStdString();
}
