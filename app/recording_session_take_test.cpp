// Takes through the recording session on the test desktop: the test camera
// and the PulseAudio microphone, no windows.

#include "app/recording_session.h"
#include "capture/capture_controller.h"
#include "library/library_store.h"
#include "platform/user_defaults.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_state.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>

using namespace tandrel;
using tandrel::testing::waitUntil;

TEST(RecordingSessionTake, ATakeReachesItsReelAndTheFolderStaysWhileItRuns)
{
    qputenv("TANDREL_TEST_CAMERA", "1"); // this machine has no camera
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
    const QString root = dir.filePath(QStringLiteral("Bibliothek"));
    LibraryStore library(defaults, root);
    CaptureController capture(defaults);
    TeleprompterState teleprompter(defaults);
    SpeechFollower follower;
    RecordingSession session(library, capture, teleprompter, follower);
    const ReelProject reel
            = library.createReel(std::nullopt, QStringLiteral("Probe"), QStringLiteral("Eins"));
    capture.activate();
    ASSERT_TRUE(waitUntil([&] { return capture.readyForHotplug() && capture.isRunning(); }, 20000))
            << qPrintable(capture.statusMessage());
    ASSERT_TRUE(capture.selectedMicrophoneID()) << "the test microphone is the default";

    std::optional<Result<Take>> outcome;
    session.recordTake(reel, [&](const Result<Take> &result) { outcome = result; });
    ASSERT_TRUE(waitUntil([&] { return capture.recordedDuration() >= 1.0; }, 20000))
            << qPrintable(outcome ? outcome->error() : capture.statusMessage());
    // On a busy machine the microphone may deliver late: the take runs on
    // until its sound is seen arriving.
    std::atomic<int> buffers{0};
    capture.setAudioTap([&](const AudioBuffer &) { ++buffers; });
    ASSERT_TRUE(waitUntil([&] { return buffers >= 10; }, 30000));
    capture.setAudioTap({});
    EXPECT_TRUE(session.isTakePending());
    const Status moved = session.changeLibraryFolder(dir.filePath(QStringLiteral("Anderswo")));
    EXPECT_EQ(moved.error(),
              QStringLiteral("Während der Aufnahme kann der Bibliothekspfad nicht geändert werden."));
    EXPECT_EQ(QDir(library.rootPath()), QDir(root));

    session.stopRecording();
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }, 30000));
    ASSERT_TRUE(outcome->ok()) << qPrintable(outcome->error());
    EXPECT_FALSE(session.isTakePending());
    const QList<Take> takes = library.reel(reel.id)->takes;
    ASSERT_EQ(takes.size(), 1);
    EXPECT_EQ(takes.constFirst().id, outcome->value().id);
    ASSERT_TRUE(takes.constFirst().audioFileName);
    EXPECT_TRUE(QFileInfo(library.takesFolder(reel) + QLatin1Char('/') + *takes.constFirst().audioFileName)
                        .isFile());
    EXPECT_TRUE(session.changeLibraryFolder(dir.filePath(QStringLiteral("Anderswo"))).ok());
}
