// The recording policy without windows: a real follower with the real
// recogniser listening to a silent file, a headless teleprompter state, a
// library in a temporary folder and a capture controller that is never
// activated (with no source chosen, recording is refused).

#include "app/follow_status_text.h"
#include "app/recording_session.h"
#include "capture/capture_controller.h"
#include "library/library_store.h"
#include "media/wav_tap_host.h"
#include "platform/settings_store.h"
#include "speech/espeak_wav.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_state.h"
#include "tests/support/run_tool.h"
#include "tests/support/take_files.h"
#include "tests/support/wait_until.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const QString script = QStringLiteral("Good morning and welcome back to the studio.");

struct Session
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.ini")};
    LibraryStore library{settings, dir.filePath("Bibliothek")};
    CaptureController capture{settings};
    TeleprompterState teleprompter{settings};
    SpeechFollower follower;
    WavTapHost microphone{WavAudio{}, false};
    RecordingSession session{library, capture, teleprompter, follower};
    ReelProject reel;

    Session()
    {
        session.setMicrophone(microphone);
        reel = library.createReel(std::nullopt, "Probe", script).value();
        library.setSelectedID(reel.id);
    }

    // The teleprompter open in speech mode with the follower listening.
    bool presentListening()
    {
        teleprompter.setScrollMode(TeleprompterScrollMode::speech);
        session.presentTeleprompter(script, "001 Probe", false);
        return waitUntil([&] { return follower.isListening(); }, 20000);
    }
    bool following() const { return follower.state() != FollowState::idle || follower.isListening(); }
};

} // namespace

TEST(RecordingSession, FollowingEndsWithSteadyModeAndWithEverythingThatClosesTheTeleprompter)
{
    const struct
    {
        const char *event;
        std::function<void(Session &)> happen;
        bool stillPresented;
    } cases[] = {
            {"steady mode", [](Session &s) { s.teleprompter.setScrollMode(TeleprompterScrollMode::steady); },
             true},
            {"dismissal", [](Session &s) { s.session.dismissTeleprompter(); }, false},
            {"closed from outside", [](Session &s) { s.teleprompter.setIsPresented(false); }, false},
            {"cleared selection", [](Session &s) { s.library.setSelectedID(std::nullopt); }, false},
            {"library folder change",
             [](Session &s) {
                 const Status changed = s.session.changeLibraryFolder(s.dir.filePath("Neu"));
                 EXPECT_TRUE(changed.ok()) << qPrintable(changed.error());
             },
             false},
            {"quit", [](Session &s) { s.session.quit(); }, false},
    };
    for (const auto &c : cases) {
        Session s;
        ASSERT_TRUE(s.presentListening())
                << c.event << ": " << qPrintable(followFailureText(s.follower.failure()));
        EXPECT_EQ(s.teleprompter.followState(), FollowState::listening) << c.event;
        c.happen(s);
        EXPECT_FALSE(s.following()) << c.event;
        EXPECT_EQ(s.teleprompter.followState(), FollowState::idle) << c.event;
        EXPECT_EQ(s.teleprompter.isPresented(), c.stillPresented) << c.event;
    }
}

TEST(RecordingSession, SpeechModeStartsFollowingOnlyWhileTheTeleprompterIsShown)
{
    Session s;
    s.teleprompter.setScrollMode(TeleprompterScrollMode::steady);
    s.session.presentTeleprompter(script, "001 Probe", false);
    EXPECT_TRUE(s.teleprompter.isPresented());
    EXPECT_FALSE(s.following());

    s.teleprompter.setScrollMode(TeleprompterScrollMode::speech);
    ASSERT_TRUE(waitUntil([&] { return s.follower.isListening(); }, 20000))
            << qPrintable(followFailureText(s.follower.failure()));

    // Shown again while listening: the script is handed over, the run and its
    // model stay.
    const quint64 run = s.follower.runGeneration();
    const QString edited = script + " See you tomorrow.";
    s.session.presentTeleprompter(edited, "001 Probe", false);
    EXPECT_EQ(s.follower.runGeneration(), run);
    EXPECT_TRUE(s.follower.isListening());
    EXPECT_EQ(s.follower.aligner().script(), edited);

    s.session.dismissTeleprompter();
    s.teleprompter.setScrollMode(TeleprompterScrollMode::steady);
    s.teleprompter.setScrollMode(TeleprompterScrollMode::speech);
    EXPECT_FALSE(s.following()) << "a closed teleprompter is not followed";
}

TEST(RecordingSession, TheTeleprompterShowsWhatTheFollowerReportsAndRewindsIt)
{
    Session s;
    s.teleprompter.setScrollMode(TeleprompterScrollMode::speech);
    s.session.presentTeleprompter("eins zwei drei vier fünf", "001 Probe", false);
    const quint64 run = s.follower.runGeneration();
    s.follower.handleAnalyzerResult("eins zwei", true, run);
    s.follower.handleAnalyzerResult("drei", false, run);
    EXPECT_EQ(s.teleprompter.cursor(), 2);
    EXPECT_EQ(s.teleprompter.lookahead(), 1);
    EXPECT_EQ(s.teleprompter.followState(), FollowState::listening);

    // An edited script while shown: both keep the reader on the word to read.
    s.session.updateShownReel("001 Neu", "null eins zwei drei vier fünf");
    EXPECT_EQ(s.teleprompter.title(), "001 Neu");
    EXPECT_EQ(s.follower.aligner().script(), "null eins zwei drei vier fünf");
    EXPECT_EQ(s.follower.aligner().document(), s.teleprompter.document()) << "one document, not two";
    EXPECT_EQ(s.follower.cursor(), 3);
    EXPECT_EQ(s.teleprompter.cursor(), 3);

    // Key "0": the first word, and the transcript starts from nothing.
    s.teleprompter.resetFollow();
    EXPECT_EQ(s.follower.cursor(), 0);
    EXPECT_TRUE(s.follower.lastHeard().isEmpty());
    s.follower.handleAnalyzerResult("null", true, run);
    EXPECT_EQ(s.follower.lastHeard(), "null");
    EXPECT_EQ(s.teleprompter.cursor(), 1);

    // Opening from the beginning rewinds as well.
    s.session.presentTeleprompter("null eins zwei drei vier fünf", "001 Neu", true);
    EXPECT_EQ(s.follower.cursor(), 0);
    EXPECT_EQ(s.teleprompter.cursor(), 0);
}

TEST(RecordingSession, ATakeThatCannotStartHandsItsErrorToTheCallerAndAddsNothing)
{
    Session s;
    s.capture.selectVideoSource(std::nullopt);
    s.capture.setSelectedMicrophoneID(std::nullopt);
    QSignalSpy settledSpy(&s.session, &RecordingSession::takeSettled);
    std::optional<Result<Take>> outcome;
    s.session.recordTake(s.reel, [&](const Result<Take> &result) { outcome = result; });
    EXPECT_TRUE(s.session.isTakePending());
    ASSERT_TRUE(waitUntil([&] { return outcome.has_value(); }));
    EXPECT_FALSE(outcome->ok());
    EXPECT_EQ(outcome->error(), "Bitte Video- oder Audioquelle wählen.");
    EXPECT_FALSE(s.session.isTakePending());
    EXPECT_EQ(settledSpy.count(), 1);
    EXPECT_TRUE(s.library.reel(s.reel.id)->takes.isEmpty());
}

TEST(RecordingSession, ATakeRecoveredFromAKilledRecordingLearnsItsWords)
{
    // The take's sound lies in its reel's takes folder, and no take names it.
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.ini")};
    QString takesFolder;
    QUuid reelID;
    {
        LibraryStore before{settings, dir.filePath("Bibliothek")};
        const ReelProject reel = before.createReel(std::nullopt, "Probe", script).value();
        before.ensureFolders(reel);
        takesFolder = before.takesFolder(reel);
        reelID = reel.id;
    }
    // The recording's process was killed: its mark in the library stays.
    leaveMarkOfAKilledProcess(dir.filePath("Bibliothek"));
    const QString wav = dir.filePath("speech.wav");
    ASSERT_TRUE(speakToWav(script, wav));
    const ToolRun encoded = runTool("ffmpeg",
                                    {"-v", "error", "-y", "-i", wav, "-ar", "48000", "-ac", "1", "-c:a",
                                     "aac", takesFolder + "/20260301-100000-audio.m4a"},
                                    ToolErrors::withOutput);
    ASSERT_EQ(encoded.exitCode, 0) << encoded.text().toStdString();

    LibraryStore library{settings, dir.filePath("Bibliothek")};
    ASSERT_EQ(library.reel(reelID)->takes.size(), 1) << "the take is adopted at load";
    CaptureController capture{settings};
    TeleprompterState teleprompter{settings};
    SpeechFollower follower;
    RecordingSession session{library, capture, teleprompter, follower};
    ASSERT_TRUE(waitUntil([&] { return library.reel(reelID)->takes.first().words.has_value(); }, 120000));
    const QList<WordTime> words = *library.reel(reelID)->takes.first().words;
    ASSERT_FALSE(words.isEmpty());
    EXPECT_EQ(words.first().text, "Good");
}
