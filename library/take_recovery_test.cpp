#include "library/library_store.h"
#include "library/take_recovery.h"

#include "tests/support/take_files.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

bool encode(const QString &pipeline, const QString &path)
{
    return tandrel::testing::encodeTestFile(pipeline, path);
}

const QString tone = tandrel::testing::toneTakePipeline;
const QString silence = QStringLiteral("audiotestsrc num-buffers=94 wave=silence ! audio/x-raw,rate=48000,"
                                       "channels=1 ! avenc_aac ! mp4mux");
const QString picture = QStringLiteral("videotestsrc num-buffers=60 ! video/x-raw,width=108,height=192,"
                                       "framerate=30/1 ! x264enc ! qtmux");

} // namespace

TEST(TakeRecovery, AdoptsOnlyReadableFilesThatNoTakeNamesAndNoRecordingHolds)
{
    QTemporaryDir dir;
    ReelProject reel;
    reel.id = QUuid::createUuid();
    reel.prefix = 7;
    reel.title = QStringLiteral("Sieben");
    Take known;
    known.id = QUuid::createUuid();
    known.videoFileName = QStringLiteral("20250301-093000-video.mov");
    reel.takes = {known};
    const ReelFolders folders(dir.path());
    folders.ensure(reel);
    const QDir takes(folders.takesFolder(reel));

    ASSERT_TRUE(encode(picture, takes.filePath("20250301-094500-video.mov")));
    ASSERT_TRUE(encode(tone, takes.filePath("20250301-094500-audio.m4a")));
    ASSERT_TRUE(encode(silence, takes.filePath("20250301-095000-2-audio.m4a")));
    ASSERT_TRUE(encode(picture, takes.filePath("20250301-093000-video.mov")));
    ASSERT_TRUE(encode(picture, takes.filePath("20250301-100000-video.mov")));
    QLockFile recording(takes.filePath("20250301-100000.lock"));
    ASSERT_TRUE(recording.tryLock(0));
    ASSERT_TRUE(
            tandrel::testing::writeFile(takes.filePath("20250301-101500-video.mov"), QByteArray(4096, 'x')));

    QList<RecoveredTake> found = findOrphanTakes({reel}, folders);
    std::sort(found.begin(), found.end(),
              [](const auto &a, const auto &b) { return a.take.recordedAt < b.take.recordedAt; });
    ASSERT_EQ(found.size(), 2);
    const Take &both = found[0].take;
    EXPECT_EQ(found[0].reelID, reel.id);
    EXPECT_EQ(both.videoFileName, "20250301-094500-video.mov");
    EXPECT_EQ(both.audioFileName, "20250301-094500-audio.m4a");
    EXPECT_NEAR(both.duration, 2.0, 0.1);
    EXPECT_EQ(both.recordedAt, QDateTime::fromString("20250301-094500", "yyyyMMdd-HHmmss").toUTC());
    EXPECT_FALSE(both.speechIntervals.isEmpty()) << "a tone is measured as voice";
    const Take &audioOnly = found[1].take;
    EXPECT_EQ(audioOnly.videoFileName, std::nullopt);
    EXPECT_EQ(audioOnly.audioFileName, "20250301-095000-2-audio.m4a");
    EXPECT_TRUE(audioOnly.speechIntervals.isEmpty()) << "silence holds no speech";

    // Once the recording is gone (its lock given up or left by a dead
    // process), its files are a take like any other.
    recording.unlock();
    EXPECT_EQ(findOrphanTakes({reel}, folders).size(), 3);
}

// Start-up reads the reel folders only after a process ended without
// closing the library: then it writes missing reel.md files again and adopts
// the take files a killed recording left.
TEST(TakeRecovery, StartUpMendsTheLibraryOnlyAfterAnUncleanEnd)
{
    for (const bool unclean : {false, true}) {
        QTemporaryDir dir;
        SettingsStore settings{dir.filePath("settings.ini")};
        const QString root = dir.filePath("lib");
        QString takes;
        QUuid reelID;
        {
            LibraryStore store(settings, root);
            const ReelProject reel = store.createReel(3, "Drei", "Text").value();
            takes = store.takesFolder(reel);
            reelID = reel.id;
        }
        QFile::remove(root + "/003-drei/reel.md");
        ASSERT_TRUE(encode(tone, takes + "/20260301-100000-audio.m4a"));
        if (unclean)
            tandrel::testing::leaveMarkOfAKilledProcess(root);

        LibraryStore store(settings, root);
        EXPECT_EQ(QFileInfo::exists(root + "/003-drei/reel.md"), unclean) << unclean;
        EXPECT_EQ(store.reel(reelID)->takes.size(), unclean ? 1 : 0) << unclean;
        if (unclean) {
            EXPECT_EQ(store.recoveredNote(), 1);
            EXPECT_EQ(QDir(root + "/.tandrel-sessions").entryList({"*.session"}, QDir::Files).size(), 1)
                    << "the mark left behind goes once the library is mended";
        }
    }
}
