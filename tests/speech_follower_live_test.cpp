// The live path: espeak-ng speaks into the PulseAudio null sink while the
// follower listens on the microphone remapped from its monitor.

#include "capture/capture_controller.h"
#include "platform/settings_store.h"
#include "speech/speech_follower.h"
#include "tests/support/wait_until.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

TEST(SpeechFollowerLive, FollowsEspeakSpeakingIntoTheMicrophonePastTheMiddleOfTheScript)
{
    const QString mic = qEnvironmentVariable("TANDREL_TEST_MIC");
    const QString sink = qEnvironmentVariable("TANDREL_TEST_SINK");
    ASSERT_FALSE(mic.isEmpty()) << "runs inside scripts/test-env";
    const QString script
            = QStringLiteral("Every spring the garden behind our house turns green within a few weeks. The "
                             "first flowers open near "
                             "the old stone wall, where the sun warms the ground early in the morning. My "
                             "grandmother planted most "
                             "of these roses many years ago, and she still visits them every weekend.");

    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    SpeechFollower follower;
    qputenv("TANDREL_TEST_CAMERA", "1"); // this machine has no camera
    CaptureController capture(settings);
    capture.activate();
    ASSERT_TRUE(tandrel::testing::waitUntil([&] { return capture.isRunning(); }, 20000))
            << int(capture.status());
    capture.setSelectedMicrophoneID(mic);
    ASSERT_TRUE(tandrel::testing::waitUntil([&] { return capture.audioDeviceInput() == mic; }, 20000));
    follower.start(script, capture);
    ASSERT_TRUE(tandrel::testing::waitUntil([&] { return follower.isListening(); }, 20000))
            << int(follower.failure().detail.kind) << " " << qPrintable(follower.failure().detail.path);
    EXPECT_EQ(follower.state(), FollowState::listening);

    QProcess speaker;
    speaker.start(QStringLiteral("bash"),
                  {QStringLiteral("-c"),
                   QStringLiteral("espeak-ng -v en-us -s 160 --stdout \"$1\" | paplay --device=\"$2\""),
                   QStringLiteral("speak"), script, sink});
    ASSERT_TRUE(speaker.waitForFinished(90000));
    ASSERT_EQ(speaker.exitCode(), 0) << speaker.readAllStandardError().constData();
    const qint64 middle = follower.aligner().tokens().size() / 2;
    // The last utterance ends after a pause of about a second.
    EXPECT_TRUE(tandrel::testing::waitUntil([&] { return follower.cursor() > middle; }, 5000))
            << follower.cursor() << " of " << follower.aligner().tokens().size() << ": "
            << qPrintable(follower.lastHeard());
    follower.stop(capture);
    EXPECT_EQ(follower.state(), FollowState::idle);
}
