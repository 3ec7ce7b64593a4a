#include "media/wav_tap_host.h"
#include "speech/espeak_wav.h"
#include "speech/speech_follower.h"
#include "tests/support/wait_until.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using tandrel::testing::waitUntil;

namespace {

const FollowFailure noMicrophone{FollowFailure::Kind::noMicrophone, {}};

// A capture side, with or without a chosen microphone, that counts the taps
// installed on it.
struct CountingHost : AudioTapHost
{
    std::optional<QString> microphone;
    int installed = 0;
    std::optional<QString> selectedMicrophoneID() const override { return microphone; }
    void setAudioTap(AudioTap tap) override { installed += bool(tap); }
};

struct Fixture
{
    QTemporaryDir dir;
    SpeechFollower follower;

    bool failedWith(const FollowFailure &failure) const
    {
        return follower.state() == FollowState::failed && follower.failure() == failure;
    }
};

using Delivered = std::pair<QString, bool>; // transcript, final
} // namespace

TEST(SpeechFollower, WithoutAMicrophoneSaysSoAndNeverListens)
{
    Fixture f;
    CountingHost capture;
    f.follower.start("Hallo Welt", capture);
    EXPECT_EQ(f.follower.state(), FollowState::starting);
    ASSERT_TRUE(waitUntil([&] { return f.failedWith(noMicrophone); }));
    EXPECT_FALSE(f.follower.isListening());
    EXPECT_EQ(capture.installed, 0);
    EXPECT_EQ(f.follower.aligner().script(), "Hallo Welt");

    // A failure outlives stop; only the next start replaces it.
    f.follower.stop(capture);
    EXPECT_TRUE(f.failedWith(noMicrophone));
    f.follower.start("Hallo Welt", capture);
    EXPECT_EQ(f.follower.state(), FollowState::starting);
    EXPECT_EQ(f.follower.failure(), FollowFailure{});
}

TEST(SpeechFollower, WithoutAnInstalledModelSaysThereIsNoRecognitionForTheLanguage)
{
    Fixture f;
    QTemporaryDir emptyRoot;
    f.follower.setModelRoot(emptyRoot.path());
    WavTapHost capture(WavAudio{}, false);
    f.follower.start("Hallo Welt", capture);
    ASSERT_TRUE(waitUntil([&] { return f.failedWith({FollowFailure::Kind::noRecognizer, {}}); }));
    EXPECT_FALSE(f.follower.isListening());
}

TEST(SpeechFollower, StopWhileListeningClearsTheStatusAndRemovesTheTap)
{
    Fixture f;
    ASSERT_TRUE(tandrel::testing::speakToWav("Good morning and welcome back to the studio.",
                                             f.dir.filePath("speech.wav")));
    const Result<WavAudio, MediaFailure> speech = readWavFile(f.dir.filePath("speech.wav"));
    ASSERT_TRUE(speech.ok()) << qPrintable(speech.error().detail);
    WavTapHost capture(*speech, true);
    f.follower.start("Good morning and welcome back to the studio.", capture);
    ASSERT_TRUE(waitUntil([&] { return f.follower.isListening(); }, 15000))
            << int(f.follower.failure().detail.kind);
    EXPECT_EQ(f.follower.state(), FollowState::listening);

    f.follower.stop(capture);
    EXPECT_EQ(f.follower.state(), FollowState::idle);
    EXPECT_FALSE(f.follower.isListening());
    EXPECT_EQ(f.follower.recognizerThreads(), 0) << "a decoding recogniser is joined at once";
    // Nothing of the stopped run may arrive later: what it posted before the
    // join belongs to an old run.
    const QString heard = f.follower.lastHeard();
    const qint64 cursor = f.follower.cursor();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.follower.lastHeard(), heard);
    EXPECT_EQ(f.follower.cursor(), cursor);
    EXPECT_EQ(f.follower.state(), FollowState::idle);
}

TEST(SpeechFollower, StopWhileTheModelLoadsKeepsTheLoadedModelFromListening)
{
    Fixture f;
    CountingHost capture;
    capture.microphone = "mic";
    f.follower.start("Good morning and welcome back to the studio.", capture);
    ASSERT_TRUE(waitUntil([&] { return f.follower.state() == FollowState::loading; }));
    f.follower.stop(capture);
    EXPECT_EQ(f.follower.state(), FollowState::idle);
    // Stopping does not wait for the load; its thread is joined once it ends.
    EXPECT_EQ(f.follower.recognizerThreads(), 1);
    ASSERT_TRUE(waitUntil([&] { return f.follower.recognizerThreads() == 0; }, 20000));
    EXPECT_EQ(capture.installed, 0);
    EXPECT_FALSE(f.follower.isListening());
    EXPECT_EQ(f.follower.state(), FollowState::idle);
}

TEST(SpeechFollower, StartingTwiceLeavesOneRunAndDropsTheFirstRunsResults)
{
    Fixture f;
    CountingHost capture;
    f.follower.start("eins zwei drei vier", capture);
    const quint64 first = f.follower.runGeneration();
    f.follower.start("eins zwei drei vier", capture);
    const quint64 second = f.follower.runGeneration();
    EXPECT_NE(first, second);

    QSignalSpy stateChanges(&f.follower, &SpeechFollower::stateChanged);
    ASSERT_TRUE(waitUntil([&] { return f.failedWith(noMicrophone); }));
    // The first run's step was queued before the second's and has run too.
    QCoreApplication::processEvents();
    EXPECT_EQ(stateChanges.count(), 1) << "only the second run may report";

    f.follower.handleAnalyzerResult("eins zwei", true, first);
    EXPECT_TRUE(f.follower.lastHeard().isEmpty());
    EXPECT_EQ(f.follower.cursor(), 0);
    f.follower.handleAnalyzerResult("eins zwei", true, second);
    EXPECT_EQ(f.follower.lastHeard(), "eins zwei");
    EXPECT_EQ(f.follower.cursor(), 2);

    f.follower.stop(capture);
    f.follower.handleAnalyzerResult("eins zwei drei", true, second);
    EXPECT_EQ(f.follower.lastHeard(), "eins zwei");
    EXPECT_EQ(f.follower.cursor(), 2);
}

TEST(SpeechFollower, JoinsCommittedAndPendingTextIntoOneGrowingTranscript)
{
    Fixture f;
    CountingHost capture;
    f.follower.start("Hallo Welt, wie geht es dir?", capture);
    ASSERT_TRUE(waitUntil([&] { return f.failedWith(noMicrophone); }));
    const quint64 g = f.follower.runGeneration();

    std::vector<Delivered> delivered;
    QObject::connect(&f.follower, &SpeechFollower::resultHandled,
                     [&](double, const QString &transcript, bool isFinal) {
                         delivered.push_back({transcript, isFinal});
                     });
    // Whoever listens to the position sees both of its fields in place.
    std::vector<std::pair<qint64, qint64>> positions;
    auto record = [&] { positions.emplace_back(f.follower.cursor(), f.follower.lookahead()); };
    QObject::connect(&f.follower, &SpeechFollower::cursorChanged, record);
    QObject::connect(&f.follower, &SpeechFollower::lookaheadChanged, record);
    const struct
    {
        const char *text;
        bool isFinal;
        qint64 cursor, lookahead;
    } steps[] = {
            {"hallo", false, 0, 1},      {"  hallo welt\n", false, 0, 2},
            {"Hallo Welt.", true, 2, 0}, {"", false, 2, 0}, // an empty pending result is dropped
            {"wie", false, 2, 1},        {"", true, 2, 0}, // an empty final clears the pending text
            {"geht es", true, 5, 0},
    };
    for (const auto &s : steps) {
        f.follower.handleAnalyzerResult(QString::fromUtf8(s.text), s.isFinal, g);
        EXPECT_EQ(f.follower.cursor(), s.cursor) << s.text;
        EXPECT_EQ(f.follower.lookahead(), s.lookahead) << s.text;
    }
    const std::vector<Delivered> expected{{"hallo", false},      {"hallo welt", false},
                                          {"Hallo Welt.", true}, {"Hallo Welt. wie", false},
                                          {"Hallo Welt.", true}, {"Hallo Welt. geht es", true}};
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(f.follower.lastHeard(), "Hallo Welt. geht es");
    for (const auto &[cursor, lookahead] : positions)
        EXPECT_FALSE(cursor == 2 && lookahead == 2) << "the cursor moved with the old lookahead still there";
    EXPECT_EQ(f.follower.state(), FollowState::listening) << "a result shows that the follower hears";
    EXPECT_EQ(f.follower.failure(), FollowFailure{});
}

TEST(SpeechFollower, AnEditedScriptKeepsTheReaderOnTheNextWord)
{
    Fixture f;
    CountingHost capture;
    f.follower.start("eins zwei drei vier", capture);
    f.follower.handleAnalyzerResult("eins zwei", true, f.follower.runGeneration());
    QSignalSpy cursorChanges(&f.follower, &SpeechFollower::cursorChanged);
    f.follower.loadScript("null eins zwei drei vier");
    EXPECT_EQ(f.follower.cursor(), 3);
    EXPECT_EQ(cursorChanges.count(), 1);
    f.follower.loadScript("null eins zwei drei vier");
    EXPECT_EQ(cursorChanges.count(), 1);
}
