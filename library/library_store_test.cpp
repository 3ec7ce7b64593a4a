#include "library/library_json.h"
#include "library/library_store.h"
#include "library/reel_import.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QUrl>
#include <gtest/gtest.h>

#include "tests/support/file_size_limit.h"
#include "tests/support/take_files.h"
#include "tests/support/test_files.h"
#include "tests/support/wait_until.h"
#include <limits>
#include <memory>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

ReelProject storedReel(qint64 prefix, const QString &title, const QDateTime &created)
{
    ReelProject reel = newReel(prefix, title, QString());
    reel.createdAt = reel.updatedAt = created;
    return reel;
}

QDateTime minute(int m)
{
    return QDateTime(QDate(2025, 1, 1), QTime(9, m), QTimeZone::utc());
}

class LibraryStoreTest : public ::testing::Test
{
protected:
    // Deleted files go to a trash of the test's own.
    LibraryStoreTest() : m_oldDataHome(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    }
    ~LibraryStoreTest() override { qputenv("XDG_DATA_HOME", m_oldDataHome); }

    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.ini")};
    QByteArray m_oldDataHome;

    QString dataHome() const { return dir.filePath("data"); }
    QString trash() const { return dataHome() + "/Trash"; }

    QString root() const { return dir.filePath("lib"); }
    QString libraryFile() const { return root() + "/library.json"; }
    std::unique_ptr<LibraryStore> open() { return std::make_unique<LibraryStore>(settings, root()); }
    void writeLibrary(const QList<ReelProject> &reels) { writeFile(libraryFile(), *encodeLibrary(reels)); }
    QStringList unreadableCopies() const
    {
        return QDir(root()).entryList({"library.json.unreadable-*"}, QDir::Files, QDir::Name);
    }
};

} // namespace

TEST_F(LibraryStoreTest, AFirstStartIsEmptyWithoutErrorAndCreatesTheFolder)
{
    const auto store = open();
    EXPECT_TRUE(store->reels().isEmpty());
    EXPECT_FALSE(store->selectedID().has_value());
    EXPECT_FALSE(store->lastError().has_value());
    EXPECT_EQ(store->rootPath(), QDir::cleanPath(root()));
    EXPECT_TRUE(QFileInfo(root()).isDir());
    EXPECT_FALSE(QFile::exists(libraryFile()));
}

TEST_F(LibraryStoreTest, LoadingSelectsTheFirstReelInReelOrder)
{
    const ReelProject three = storedReel(3, "drei", minute(0));
    const ReelProject one = storedReel(1, "eins", minute(5));
    writeLibrary({three, one});
    EXPECT_EQ(open()->selectedID(), one.id);

    const ReelProject newer = storedReel(2, "neu", minute(9));
    const ReelProject older = storedReel(2, "alt", minute(1));
    writeLibrary({newer, older});
    const auto store = open();
    EXPECT_EQ(store->selectedID(), older.id);
    EXPECT_EQ(store->reels().first().id, newer.id) << "the list keeps file order";
}

TEST_F(LibraryStoreTest, CreateReelTakesTheRequestedNumberOnlyWhenItIsFree)
{
    const struct
    {
        QList<qint64> existing;
        std::optional<qint64> requested;
        qint64 expected;
    } cases[] = {
            {{}, std::nullopt, 1},
            {{4, 9}, std::nullopt, 10},
            {{4, 9}, 4, 10},
            {{4, 9}, 5, 5},
            {{}, 0, 0},
            {{-3}, std::nullopt, -2},
            {{std::numeric_limits<qint64>::max()}, 7, 7},
    };
    for (const auto &c : cases) {
        QDir(root()).removeRecursively();
        const auto store = open();
        for (const qint64 n : c.existing)
            store->createReel(n, "da", QString());
        EXPECT_EQ(store->createReel(c.requested, "neu", QString()).value().prefix, c.expected);
    }
}

TEST_F(LibraryStoreTest, ACreatedReelGetsFoldersScriptFileSelectionAndIsSaved)
{
    const auto store = open();
    const ReelProject reel = store->createReel(12, "Intro", "Hallo").value();
    EXPECT_EQ(reel.cropCenterX, 0.5);
    EXPECT_TRUE(reel.takes.isEmpty());
    EXPECT_EQ(store->selectedID(), reel.id);
    EXPECT_EQ(store->reelFolder(reel), root() + "/012-intro");
    EXPECT_TRUE(QFileInfo(store->takesFolder(reel)).isDir());
    EXPECT_EQ(readFile(store->reelFolder(reel) + "/reel.md"), QByteArray("# 012 Intro\n\nHallo"));

    const auto reopened = open();
    ASSERT_EQ(reopened->reels().size(), 1);
    EXPECT_EQ(reopened->reels().first().id, reel.id);
    EXPECT_EQ(reopened->reels().first().title, "Intro");
    EXPECT_LE(reel.createdAt.toSecsSinceEpoch() - reopened->reels().first().createdAt.toSecsSinceEpoch(), 1);
}

TEST_F(LibraryStoreTest, RenamingMovesTheFolderWithItsTakesAndRewritesTheScriptFile)
{
    const auto store = open();
    ReelProject reel = store->createReel(12, "Intro", "Hallo").value();
    ASSERT_TRUE(writeFile(store->takesFolder(reel) + "/t-video.mov", "video"));
    store->addTake(makeTake("t-video.mov", std::nullopt), reel.id);

    reel = *store->reel(reel.id);
    reel.title = QStringLiteral("Outro");
    store->updateReel(reel);
    EXPECT_FALSE(QFileInfo::exists(root() + "/012-intro"));
    EXPECT_EQ(readFile(root() + "/012-outro/takes/t-video.mov"), QByteArray("video"));
    EXPECT_EQ(readFile(root() + "/012-outro/reel.md"), QByteArray("# 012 Outro\n\nHallo"));

    reel = *store->reel(reel.id);
    reel.script = QStringLiteral("Neuer Text");
    store->updateReel(reel);
    EXPECT_EQ(readFile(root() + "/012-outro/reel.md"), QByteArray("# 012 Outro\n\nNeuer Text"));
    EXPECT_EQ(readFile(root() + "/012-outro/takes/t-video.mov"), QByteArray("video"));
    EXPECT_GE(store->reel(reel.id)->updatedAt, reel.updatedAt);
    EXPECT_EQ(open()->reel(reel.id)->script, "Neuer Text");
}

TEST_F(LibraryStoreTest, DeletingTheSelectedReelSelectsTheFirstRemainingOne)
{
    const auto store = open();
    const ReelProject a = store->createReel(5, "a", QString()).value();
    const ReelProject b = store->createReel(2, "b", QString()).value();
    const ReelProject c = store->createReel(9, "c", QString()).value();
    store->setSelectedID(a.id);
    store->deleteReel(c);
    EXPECT_EQ(store->selectedID(), a.id) << "an unselected reel leaves the selection";
    EXPECT_FALSE(QFileInfo::exists(store->reelFolder(c)));

    // A copy with an unsaved new title still deletes the folder the reel has on disk.
    ReelProject edited = a;
    edited.title = QStringLiteral("b");
    edited.prefix = 2;
    store->deleteReel(edited);
    EXPECT_EQ(store->selectedID(), b.id);
    EXPECT_FALSE(QFileInfo::exists(store->reelFolder(a)));
    EXPECT_TRUE(QFileInfo(store->reelFolder(b)).isDir()) << "the copy's name is another reel's folder";
    store->deleteReel(b);
    EXPECT_FALSE(store->selectedID().has_value());
    EXPECT_TRUE(open()->reels().isEmpty());
}

TEST_F(LibraryStoreTest, DeletingATakeSkipsMissingFilesAndNeverFollowsNamesThatAreNotBare)
{
    const auto store = open();
    const ReelProject reel = store->createReel(1, "Take", QString()).value();
    const QString takes = store->takesFolder(reel);
    ASSERT_TRUE(writeFile(takes + "/v.mov", "v"));
    const Take missingAudio = makeTake("v.mov", "gone.m4a");
    ASSERT_TRUE(writeFile(root() + "/secret.txt", "secret"));
    ASSERT_TRUE(writeFile(takes + "/sub/inner.m4a", "inner"));
    const Take escaping = makeTake("../../secret.txt", root() + "/secret.txt");
    const Take dots = makeTake("..", "sub/inner.m4a");
    for (const Take &t : {missingAudio, escaping, dots})
        store->addTake(t, reel.id);

    for (const Take &t : {missingAudio, escaping, dots})
        EXPECT_TRUE(store->deleteTake(t.id, reel.id).ok());
    EXPECT_TRUE(store->reel(reel.id)->takes.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(takes + "/v.mov"));
    EXPECT_EQ(readFile(root() + "/secret.txt"), QByteArray("secret"));
    EXPECT_EQ(readFile(takes + "/sub/inner.m4a"), QByteArray("inner"));
    EXPECT_TRUE(open()->reel(reel.id)->takes.isEmpty());
}

TEST_F(LibraryStoreTest, DeletedFilesGoToTheTrashWithWhatRestoresThem)
{
    const auto store = open();
    const ReelProject reel = store->createReel(11, "Weg", "Text").value();
    const ReelProject kept = store->createReel(12, "Bleibt", QString()).value();
    const Take take = addTakeWithFiles(*store, reel.id, makeTake("a.mov", "a.m4a"), 10);
    const Take other = addTakeWithFiles(*store, reel.id, makeTake("b.mov", "b.m4a"), 10);
    const QString folder = store->reelFolder(reel);
    const QString takes = store->takesFolder(reel);

    ASSERT_TRUE(store->deleteTake(take.id, reel.id).ok());
    EXPECT_FALSE(QFileInfo::exists(takes + "/" + *take.videoFileName));
    EXPECT_EQ(readFile(trash() + "/files/" + *take.videoFileName).size(), 10);
    EXPECT_TRUE(QFileInfo::exists(trash() + "/info/" + *take.audioFileName + ".trashinfo"));
    EXPECT_EQ(open()->reel(reel.id)->takes.constFirst().id, other.id);
    EXPECT_EQ(open()->reel(reel.id)->takes.size(), 1);

    ASSERT_TRUE(store->deleteReel(*store->reel(reel.id)).ok());
    EXPECT_FALSE(QFileInfo::exists(folder));
    ASSERT_EQ(open()->reels().size(), 1);
    EXPECT_EQ(open()->reels().constFirst().id, kept.id);
    // What a file manager reads to put the folder back, and the folder whole.
    const QString name = QFileInfo(folder).fileName();
    const QByteArray info = readFile(trash() + "/info/" + name + ".trashinfo");
    EXPECT_TRUE(info.contains("Path=" + QUrl::toPercentEncoding(folder, "/"))) << info.constData();
    EXPECT_EQ(readFile(trash() + "/files/" + name + "/reel.md"), QByteArray("# 011 Weg\n\nText"));
    EXPECT_EQ(readFile(trash() + "/files/" + name + "/takes/" + *other.videoFileName).size(), 10);
}

TEST_F(LibraryStoreTest, FilesTheTrashRefusesStayAndTheirTakeComesBack)
{
    const auto store = open();
    const ReelProject reel = store->createReel(1, "Take", QString()).value();
    const QString takes = store->takesFolder(reel);
    // A name the trash cannot make an entry for, beside one it can.
    const QString longName = QString(250, u'a') + ".m4a";
    ASSERT_TRUE(writeFile(takes + "/v.mov", "v"));
    ASSERT_TRUE(writeFile(takes + "/" + longName, "a"));
    const Take take = makeTake("v.mov", longName);
    ASSERT_TRUE(store->addTake(take, reel.id).ok());

    const LibraryOutcome<> deleted = store->deleteTake(take.id, reel.id);
    ASSERT_FALSE(deleted.ok());
    EXPECT_EQ(deleted.failure().kind, LibraryFailure::Kind::filesKept);
    EXPECT_EQ(deleted.error().kind, LibraryError::Kind::takeNotTrashed);
    EXPECT_TRUE(deleted.error().restored);
    ASSERT_TRUE(deleted.error().cause);
    EXPECT_EQ(deleted.error().cause->kind, LibraryError::Kind::notTrashed);
    EXPECT_EQ(readFile(takes + "/v.mov"), QByteArray("v")) << "the video came back from the trash";
    EXPECT_EQ(readFile(takes + "/" + longName), QByteArray("a"));
    EXPECT_FALSE(QFileInfo::exists(trash() + "/info/v.mov.trashinfo"));
    ASSERT_EQ(open()->reel(reel.id)->takes.size(), 1);
    EXPECT_EQ(open()->reel(reel.id)->takes.constFirst().id, take.id);
}

TEST_F(LibraryStoreTest, WithoutATrashNothingIsDeletedUntilAskedToDeleteForGood)
{
    const auto store = open();
    const ReelProject reel = store->createReel(1, "Eins", QString()).value();
    const Take take = addTakeWithFiles(*store, reel.id, makeTake("a.mov", "a.m4a"), 10);
    // The home trash cannot be made below a file.
    ASSERT_TRUE(writeFile(dataHome(), "kein Ordner"));

    const QByteArray saved = readFile(libraryFile());
    const LibraryOutcome<> toTrash = store->deleteReel(reel);
    ASSERT_FALSE(toTrash.ok());
    EXPECT_EQ(toTrash.failure().kind, LibraryFailure::Kind::noTrash);
    EXPECT_EQ(store->deleteTake(take.id, reel.id).failure().kind, LibraryFailure::Kind::noTrash);
    EXPECT_EQ(readFile(libraryFile()), saved);
    EXPECT_TRUE(QFileInfo::exists(store->takesFolder(reel) + "/" + *take.videoFileName));

    ASSERT_TRUE(store->deleteTake(take.id, reel.id, LibraryStore::Removal::permanently).ok());
    EXPECT_FALSE(QFileInfo::exists(store->takesFolder(reel) + "/" + *take.videoFileName));
    ASSERT_TRUE(store->deleteReel(reel, LibraryStore::Removal::permanently).ok());
    EXPECT_FALSE(QFileInfo::exists(store->reelFolder(reel)));
    EXPECT_TRUE(open()->reels().isEmpty());
}

TEST_F(LibraryStoreTest, AFailedSaveFailsEveryOperationAndLosesNothing)
{
    using Op = std::function<LibraryOutcome<>(LibraryStore &, const ReelProject &, const Take &)>;
    auto done = [](const auto &outcome) { return outcome.ok() ? LibraryOutcome<>() : outcome.failure(); };
    const struct
    {
        const char *name;
        Op op;
        bool keptInMemory; // an edit and a recorded take stay for the next save
    } cases[] = {
            {"create", [&](LibraryStore &s, auto &, auto &) { return done(s.createReel(5, "Neu", "x")); },
             false},
            {"import", [&](LibraryStore &s, auto &, auto &) { return done(s.importMarkdown("# 6 Neu\nx")); },
             false},
            {"update",
             [](LibraryStore &s, const ReelProject &r, auto &) {
                 ReelProject changed = r;
                 changed.title = "Geändert";
                 return s.updateReel(changed);
             },
             true},
            {"addTake",
             [](LibraryStore &s, const ReelProject &r, auto &) {
                 return s.addTake(makeTake("n.mov", std::nullopt), r.id);
             },
             true},
            {"deleteTake",
             [](LibraryStore &s, const ReelProject &r, const Take &t) { return s.deleteTake(t.id, r.id); },
             false},
            {"deleteReel", [](LibraryStore &s, const ReelProject &r, auto &) { return s.deleteReel(r); },
             false},
    };
    for (const auto &c : cases) {
        QDir(root()).removeRecursively();
        auto store = open();
        // Every list saved is longer than the limit below, the lock file shorter.
        const QString text(2000, u't');
        const ReelProject reel = store->createReel(1, "Eins", text).value();
        store->createReel(2, "Zwei", text);
        const Take take = addTakeWithFiles(*store, reel.id, makeTake("a.mov", "a.m4a"), 10);
        const QList<ReelProject> before = store->reels();
        const QByteArray saved = readFile(libraryFile());
        LibraryOutcome<> outcome;
        {
            const FileSizeLimit full(1000);
            outcome = c.op(*store, *store->reel(reel.id), take);
        }
        ASSERT_FALSE(outcome.ok()) << c.name;
        EXPECT_EQ(outcome.failure().kind, LibraryFailure::Kind::notSaved) << c.name;
        EXPECT_EQ(outcome.error().step, LibraryError::Step::saving) << c.name;
        EXPECT_EQ(readFile(libraryFile()), saved) << c.name;
        EXPECT_EQ(store->reels() != before, c.keptInMemory) << c.name;
        EXPECT_EQ(readFile(store->takesFolder(reel) + "/" + *take.videoFileName).size(), 10) << c.name;
        EXPECT_EQ(readFile(store->reelFolder(reel) + "/reel.md"), "# 001 Eins\n\n" + text.toUtf8()) << c.name;
    }
}

TEST_F(LibraryStoreTest, ImportingCreatesAndUpdatesByNumberInOneChangeOfTheList)
{
    const auto store = open();
    store->createReel(5, "Alt", QString());
    QSignalSpy changes(store.get(), &LibraryStore::reelsChanged);
    const int count = store->importMarkdown("# 5 Erst\nA\n---\nOhne Nummer\n---\n# 5 Wieder\nC").value();
    EXPECT_EQ(count, 3);
    EXPECT_EQ(changes.size(), 1);
    QList<ReelProject> reels = store->reels();
    ASSERT_EQ(reels.size(), 2);
    EXPECT_EQ(reels[0].prefix, 5);
    EXPECT_EQ(reels[0].title, "Wieder");
    EXPECT_EQ(reels[0].script, "C");
    EXPECT_EQ(reels[1].prefix, 6);
    EXPECT_EQ(reels[1].title, "Ohne Nummer");
    EXPECT_EQ(store->selectedID(), reels[0].id);
    EXPECT_EQ(readFile(root() + "/005-wieder/reel.md"), QByteArray("# 005 Wieder\n\nC"));
    EXPECT_FALSE(QFileInfo::exists(root() + "/005-erst"));
    EXPECT_FALSE(QFileInfo::exists(root() + "/005-alt"));
    EXPECT_EQ(open()->reels().size(), 2);
    EXPECT_EQ(store->importMarkdown("  \n").value(), 0);
}

TEST_F(LibraryStoreTest, ImportingCountsOnFromCreatedButNotFromUpdatedLowNumbers)
{
    const struct
    {
        QList<qint64> existing;
        const char *markdown;
        qint64 unnumbered;
    } cases[] = {
            {{9}, "# 3 Neu\n---\nOhne", 11},
            {{3, 9}, "# 3 Alt\n---\nOhne", 10},
            {{}, "# 20 Weit\n---\nOhne", 21},
            {{}, "Ohne eins\n---\n# 1 Gleich\n---\nOhne", 2},
    };
    for (const auto &c : cases) {
        QDir(root()).removeRecursively();
        const auto store = open();
        for (const qint64 n : c.existing)
            store->createReel(n, "da", QString());
        store->importMarkdown(QString::fromUtf8(c.markdown));
        EXPECT_EQ(store->reels().last().prefix, c.unnumbered) << c.markdown;
    }
}

TEST_F(LibraryStoreTest, AnUnreadableLibraryIsMovedAsideBeforeTheFirstSave)
{
    const QByteArray broken = "[{\"id\": kaputt";
    ASSERT_TRUE(writeFile(libraryFile(), broken));
    const auto store = open();
    ASSERT_TRUE(store->lastError().has_value());
    const LibraryError readError = *store->lastError();
    EXPECT_EQ(readError.step, LibraryError::Step::reading);
    EXPECT_EQ(readError.kind, LibraryError::Kind::invalidJson);
    EXPECT_TRUE(store->reels().isEmpty());
    EXPECT_EQ(readFile(libraryFile()), broken) << "loading alone changes nothing";

    store->createReel(std::nullopt, "Neu", QString());
    EXPECT_EQ(store->lastError(), readError);
    ASSERT_EQ(unreadableCopies().size(), 1);
    EXPECT_EQ(readFile(root() + QLatin1Char('/') + unreadableCopies().first()), broken);
    EXPECT_EQ(open()->reels().size(), 1);

    // A second unreadable file within the same second keeps its own copy.
    ASSERT_TRUE(writeFile(libraryFile(), "nochmal kaputt"));
    const auto again = open();
    again->save();
    EXPECT_EQ(unreadableCopies().size(), 2);
    QList<QByteArray> contents;
    for (const QString &name : unreadableCopies())
        contents.append(readFile(root() + QLatin1Char('/') + name));
    EXPECT_TRUE(contents.contains(broken));
    EXPECT_TRUE(contents.contains("nochmal kaputt"));
}

TEST_F(LibraryStoreTest, ANonFiniteValueFailsTheSaveAndKeepsThePreviousFile)
{
    const auto store = open();
    ReelProject reel = store->createReel(1, "Gut", QString()).value();
    const QByteArray saved = readFile(libraryFile());
    reel.cropCenterX = std::numeric_limits<double>::quiet_NaN();
    const LibraryOutcome<> updated = store->updateReel(reel);
    ASSERT_FALSE(updated.ok());
    EXPECT_EQ(updated.error().step, LibraryError::Step::saving);
    EXPECT_EQ(updated.error().kind, LibraryError::Kind::numberNotFinite);
    EXPECT_EQ(readFile(libraryFile()), saved);
    EXPECT_TRUE(std::isnan(store->reel(reel.id)->cropCenterX)) << "the list in memory stays as changed";
}

TEST_F(LibraryStoreTest, ReelsSharingAFolderNeverTouchEachOthersFiles)
{
    const auto store = open();
    const ReelProject first = store->createReel(5, "A", QString()).value();
    ReelProject second = store->createReel(6, "A", QString()).value();
    ASSERT_TRUE(writeFile(store->takesFolder(first) + "/first.mov", "1"));
    ASSERT_TRUE(writeFile(store->takesFolder(second) + "/second.mov", "2"));
    store->addTake(makeTake("first.mov", std::nullopt), first.id);
    store->addTake(makeTake("second.mov", std::nullopt), second.id);

    // Renumbering onto a taken folder leaves that folder's files alone.
    second = *store->reel(second.id);
    second.prefix = 5;
    store->updateReel(second);
    const QString shared = root() + "/005-a/takes/";
    EXPECT_EQ(readFile(shared + "first.mov"), QByteArray("1"));
    EXPECT_EQ(readFile(shared + "second.mov"), QByteArray("2"));

    // Moving away from a shared folder takes only the reel's own files.
    second = *store->reel(second.id);
    second.title = QStringLiteral("B");
    store->updateReel(second);
    EXPECT_EQ(readFile(shared + "first.mov"), QByteArray("1"));
    EXPECT_EQ(readFile(root() + "/005-b/takes/second.mov"), QByteArray("2"));
    EXPECT_FALSE(QFileInfo::exists(shared + "second.mov"));

    // Deleting a reel whose folder another reel uses deletes only its own files.
    second = *store->reel(second.id);
    second.title = QStringLiteral("A");
    store->updateReel(second);
    store->deleteReel(*store->reel(second.id));
    EXPECT_EQ(readFile(shared + "first.mov"), QByteArray("1"));
    EXPECT_FALSE(QFileInfo::exists(shared + "second.mov"));

    store->deleteReel(*store->reel(first.id));
    EXPECT_FALSE(QFileInfo::exists(root() + "/005-a"));
}

TEST_F(LibraryStoreTest, ChangingTheRootLoadsTheNewFolderAndRemembersIt)
{
    const auto store = open();
    store->createReel(1, "alt", QString());
    ASSERT_TRUE(writeFile(libraryFile() + ".x", ""));
    const QString other = dir.filePath("other/deeper");
    QSignalSpy rootSpy(store.get(), &LibraryStore::rootPathChanged);

    ASSERT_TRUE(store->changeRoot(other).ok());
    EXPECT_EQ(store->rootPath(), other);
    EXPECT_EQ(rootSpy.count(), 1);
    EXPECT_TRUE(store->reels().isEmpty());
    EXPECT_FALSE(store->selectedID().has_value());
    EXPECT_TRUE(QFileInfo(other).isDir());
    EXPECT_TRUE(QFile::exists(libraryFile())) << "the old folder's files stay";

    const ReelProject moved = store->createReel(3, "neu", QString()).value();
    LibraryStore remembered(settings);
    EXPECT_EQ(remembered.rootPath(), other);
    EXPECT_EQ(remembered.selectedID(), moved.id);

    ASSERT_TRUE(store->changeRoot(other).ok());
    EXPECT_EQ(rootSpy.count(), 1) << "the same folder again is no change";

    ASSERT_TRUE(writeFile(dir.filePath("plain-file"), "x"));
    const LibraryStatus failed = store->changeRoot(dir.filePath("plain-file/lib"));
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(),
              LibraryError::at(LibraryError::Kind::folderNotCreated, dir.filePath("plain-file/lib")));
}

TEST_F(LibraryStoreTest, AVanishedRememberedFolderFallsBackToTheDefaultFolder)
{
    // The movies folder comes from the XDG user directories; point it into the test folder.
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    const QString config = dir.filePath("config");
    writeFile(config + "/user-dirs.dirs", "XDG_VIDEOS_DIR=\"" + dir.filePath("Filme").toUtf8() + "\"\n");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    settings.setValue("library.bookmark", dir.filePath("weg"));
    const LibraryStore store(settings);
    EXPECT_EQ(store.rootPath(), dir.filePath("Filme/Tandrel"));
    EXPECT_EQ(LibraryStore::defaultFolder(), store.rootPath());
    EXPECT_TRUE(QFileInfo(store.rootPath()).isDir());
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(LibraryStoreTest, PropertiesNotifyOnlyOnChange)
{
    ASSERT_TRUE(writeFile(libraryFile(), "kaputt"));
    const auto store = open();
    QSignalSpy selected(store.get(), &LibraryStore::selectedIDChanged);
    QSignalSpy error(store.get(), &LibraryStore::lastErrorChanged);
    QSignalSpy reels(store.get(), &LibraryStore::reelsChanged);
    const QUuid id = QUuid::createUuid();
    store->setSelectedID(id);
    store->setSelectedID(id);
    store->load();
    store->load();
    EXPECT_EQ(selected.count(), 1);
    EXPECT_EQ(store->property("selectedID").value<std::optional<QUuid>>(), id);
    EXPECT_EQ(store->property("rootPath").toString(), store->rootPath());
    EXPECT_EQ(error.count(), 0) << "the same read error again";
    EXPECT_EQ(reels.count(), 0);
}

TEST_F(LibraryStoreTest, OperationsOnUnknownIdsDoNothing)
{
    const auto store = open();
    ReelProject stranger = storedReel(4, "fremd", minute(0));
    QDir().mkpath(store->reelFolder(stranger));
    QSignalSpy reels(store.get(), &LibraryStore::reelsChanged);
    for (const LibraryOutcome<> &outcome : {store->updateReel(stranger), store->deleteReel(stranger),
                                            store->addTake(makeTake("x.mov", std::nullopt), stranger.id),
                                            store->deleteTake(QUuid::createUuid(), stranger.id)})
        EXPECT_EQ(outcome.failure().kind, LibraryFailure::Kind::notFound);
    EXPECT_EQ(reels.count(), 0);
    EXPECT_FALSE(QFile::exists(libraryFile()));
    EXPECT_TRUE(QFileInfo(store->reelFolder(stranger)).isDir());
    EXPECT_FALSE(store->lastError().has_value());
}

TEST_F(LibraryStoreTest, ReelNumbersPastTheLargestAreRefusedAsAWhole)
{
    constexpr qint64 largest = std::numeric_limits<qint64>::max();
    const struct
    {
        const char *markdown; // null: createReel without a number
        bool refused;
    } cases[] = {
            {nullptr, true},
            {"Ohne Nummer", true},
            {"# 5 Neu\n---\nOhne Nummer", true},
            {"# 5 Neu", false},
            {"# 9223372036854775807 Umbenannt", false},
    };
    for (const auto &c : cases) {
        QDir(root()).removeRecursively();
        auto store = open();
        store->createReel(largest, "Letzte", QString());
        const QByteArray before = readFile(libraryFile());
        auto failureOf = [](const auto &outcome) {
            return outcome.ok() ? std::nullopt : std::optional(outcome.failure());
        };
        const std::optional<LibraryFailure> failure = c.markdown
                ? failureOf(store->importMarkdown(QString::fromUtf8(c.markdown)))
                : failureOf(store->createReel(std::nullopt, "Neu", QString()));
        EXPECT_EQ(failure.has_value(), c.refused) << (c.markdown ? c.markdown : "createReel");
        if (c.refused) {
            EXPECT_EQ(failure->kind, LibraryFailure::Kind::numbersExhausted);
            EXPECT_EQ(failure->error, LibraryError(LibraryError::Kind::numbersExhausted));
            EXPECT_EQ(readFile(libraryFile()), before) << "nothing of a refused import is kept";
            EXPECT_EQ(store->reels().size(), 1);
        }
    }
}

TEST_F(LibraryStoreTest, AMissingScriptFileIsWrittenAgainAtLoad)
{
    const ReelProject reel = open()->createReel(3, "Drei", "Text").value();
    QDir(root() + "/003-drei").removeRecursively();
    leaveMarkOfAKilledProcess(root());
    open();
    EXPECT_EQ(readFile(root() + "/003-drei/reel.md"), QByteArray("# 003 Drei\n\nText"));
    EXPECT_TRUE(QFileInfo(root() + "/003-drei/takes").isDir());
}

// Two stores on one folder stand for two processes (the application and
// tandrelctl): each change is made on what the other saved.
TEST_F(LibraryStoreTest, TwoWritersOnOneLibraryLoseNoChange)
{
    for (const auto saving : {LibraryStore::Saving::waited, LibraryStore::Saving::inBackground}) {
        QDir(root()).removeRecursively();
        const auto app = open();
        app->setSaving(saving);
        const auto ctl = open();
        const ReelProject first = app->createReel(std::nullopt, "Eins", QString()).value();
        app->finishSaves();
        const ReelProject second = ctl->createReel(std::nullopt, "Zwei", QString()).value();
        EXPECT_EQ(second.prefix, 2) << "the second writer counts on from the first one's reel";

        // The application still shows "Eins" without the take that tandrelctl adds.
        const Take take = makeTake("v.mov", "a.m4a");
        const ReelProject stale = *app->reel(first.id);
        ctl->addTake(take, first.id);
        ReelProject renamed = stale;
        renamed.title = QStringLiteral("Erstes");
        app->updateReel(renamed);
        // Another process waits for the lock while the save is on its way.
        app->finishSaves();
        ctl->importMarkdown("# 7 Sieben");

        const auto reopened = open();
        ASSERT_EQ(reopened->reels().size(), 3);
        EXPECT_EQ(reopened->reel(first.id)->title, "Erstes");
        ASSERT_EQ(reopened->reel(first.id)->takes.size(), 1) << "the take added meanwhile stays";
        EXPECT_EQ(reopened->reel(first.id)->takes.first().id, take.id);
        EXPECT_TRUE(QFileInfo::exists(root() + "/001-erstes/reel.md"));
    }
}

TEST_F(LibraryStoreTest, AnOutsideChangeIsLoadedAndKeepsTheSelection)
{
    const auto app = open();
    const ReelProject one = app->createReel(1, "Eins", QString()).value();
    const ReelProject two = app->createReel(2, "Zwei", QString()).value();
    app->setSelectedID(two.id);

    const auto ctl = open();
    ctl->importMarkdown("# 3 Drei");
    ASSERT_TRUE(waitUntil([&] { return app->reels().size() == 3; }, 30000));
    EXPECT_EQ(app->selectedID(), two.id);

    ctl->deleteReel(two);
    ASSERT_TRUE(waitUntil([&] { return app->reels().size() == 2; }, 30000));
    EXPECT_EQ(app->selectedID(), one.id) << "a deleted selection moves to the first reel";
}

TEST_F(LibraryStoreTest, AWriterThatCannotGetTheLockChangesNothingAndSaysWhy)
{
    const auto store = open();
    store->createReel(1, "Eins", QString());
    const QByteArray before = readFile(libraryFile());
    QLockFile other(libraryFile() + ".lock");
    ASSERT_TRUE(other.tryLock(0));
    store->setLockTimeout(50);
    const LibraryOutcome<ReelProject> created = store->createReel(2, "Zwei", QString());
    ASSERT_FALSE(created.ok());
    EXPECT_EQ(created.failure().kind, LibraryFailure::Kind::notSaved);
    EXPECT_EQ(created.error(), LibraryError(LibraryError::Kind::lockBusy).during(LibraryError::Step::saving));
    EXPECT_EQ(readFile(libraryFile()), before);
    EXPECT_EQ(store->reels().size(), 1);
}

TEST_F(LibraryStoreTest, AFullDiskDuringASaveKeepsWhatWasStoredAndSaysWhy)
{
    const auto store = open();
    for (int i = 1; i <= 20; ++i)
        store->createReel(i, QStringLiteral("Reel mit einem längeren Titel %1").arg(i), QString());
    const QByteArray stored = readFile(libraryFile());
    std::optional<LibraryError> error;
    {
        const FileSizeLimit full(stored.size() / 2);
        if (const LibraryOutcome<int> imported = store->importMarkdown("# 30 Neu\nText"); !imported)
            error = imported.error();
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->step, LibraryError::Step::saving);
    EXPECT_EQ(error->kind, LibraryError::Kind::notWritten);
    EXPECT_EQ(error->write, (AtomicWriteFailure{FileError{EFBIG}, false}));
    EXPECT_EQ(readFile(libraryFile()), stored) << "the library on disk is the one before";
    EXPECT_EQ(open()->reels().size(), 20);
}

// In the background a change is in the list at once; its save follows on the
// writer thread, in order, and one still on its way at the end is finished.
TEST_F(LibraryStoreTest, SavesInTheBackgroundReachTheFileInOrder)
{
    auto app = open();
    app->setSaving(LibraryStore::Saving::inBackground);
    ReelProject first;
    for (int i = 1; i <= 20; ++i) {
        const LibraryOutcome<ReelProject> created
                = app->createReel(i, QStringLiteral("Reel %1").arg(i), "Text");
        ASSERT_TRUE(created.ok());
        if (i == 1)
            first = *created;
        EXPECT_EQ(app->reels().size(), i) << "the change is there before it is saved";
    }
    ReelProject renamed = first;
    renamed.title = "Erstes";
    ASSERT_TRUE(app->updateReel(renamed).ok());
    ASSERT_TRUE(app->addTake(makeTake("v.mov", "a.m4a"), first.id).ok());
    ASSERT_TRUE(app->importMarkdown("# 30 Dreißig\nText").ok());
    const QList<ReelProject> shown = app->reels();
    ASSERT_TRUE(waitUntil([&] { return !app->savesPending(); }, 30000));
    EXPECT_EQ(readFile(libraryFile()), *encodeLibrary(shown)); // dates to the second
    EXPECT_TRUE(QFileInfo::exists(root() + "/001-erstes/reel.md"));

    app->deleteReel(*app->reel(first.id), LibraryStore::Removal::permanently);
    ASSERT_TRUE(app->createReel(40, "Vierzig", QString()).ok());
    const QList<ReelProject> last = app->reels();
    app.reset(); // the save of reel 40 is still on its way
    EXPECT_EQ(*encodeLibrary(open()->reels()), *encodeLibrary(last));
    EXPECT_FALSE(QFileInfo::exists(root() + "/001-erstes"));
}

// A save that fails in the background is reported through lastError; the
// change stays, and the next save writes it together with what another
// process wrote meanwhile.
TEST_F(LibraryStoreTest, AFailedSaveInTheBackgroundIsShownAndLosesNothing)
{
    const auto app = open();
    app->setSaving(LibraryStore::Saving::inBackground);
    const ReelProject reel = app->createReel(1, "Eins", QString(2000, u't')).value();
    app->finishSaves();
    const QByteArray saved = readFile(libraryFile());
    ReelProject renamed = reel;
    renamed.title = "Umbenannt";
    {
        const FileSizeLimit full(1000);
        ASSERT_TRUE(app->updateReel(renamed).ok());
        app->finishSaves();
    }
    ASSERT_TRUE(app->lastError().has_value());
    EXPECT_EQ(app->lastError()->step, LibraryError::Step::saving);
    EXPECT_EQ(readFile(libraryFile()), saved) << "the file is the one before";
    EXPECT_EQ(app->reel(reel.id)->title, "Umbenannt") << "the change stays in memory";

    const auto ctl = open();
    const ReelProject other = ctl->createReel(2, "Zwei", QString()).value();
    ASSERT_TRUE(app->addTake(makeTake("v.mov", std::nullopt), reel.id).ok());
    app->finishSaves();
    const auto reopened = open();
    ASSERT_EQ(reopened->reels().size(), 2);
    EXPECT_EQ(reopened->reel(reel.id)->title, "Umbenannt");
    EXPECT_EQ(reopened->reel(reel.id)->takes.size(), 1);
    EXPECT_TRUE(reopened->reel(other.id).has_value()) << "the other process's reel stays";
}
