#include "platform/user_defaults.h"
#include "speech/espeak_wav.h"
#include "speech/speech_follower.h"
#include "media/wav_tap_host.h"
#include "teleprompter/teleprompter_state.h"
#include "tests/support/temp_library.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using tandrel::testing::waitUntil;

namespace {

const QString noMicrophone = QStringLiteral("Keine Audioquelle fürs Mitlaufen. Mikrofon wählen.");
const QString listening = QStringLiteral("Hört zu…");

// A capture side on which the user has not chosen a microphone.
class NoMicrophoneHost : public AudioTapHost
{
public:
    std::optional<QString> selectedMicrophoneID() const override { return std::nullopt; }
    void setAudioTap(AudioTap tap) override { tapInstalled = bool(tap); }
    bool tapInstalled = false;
};

// A capture side with a microphone that counts the taps installed on it.
class CountingHost : public AudioTapHost
{
public:
    std::optional<QString> selectedMicrophoneID() const override { return QStringLiteral("mic"); }
    void setAudioTap(AudioTap tap) override { installed += bool(tap); }
    int installed = 0;
};

struct Fixture
{
    QTemporaryDir dir;
    UserDefaults defaults{dir.filePath(QStringLiteral("settings.ini"))};
    TeleprompterState state{defaults};
    SpeechFollower follower;

    WavAudio speech(const QString &text)
    {
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        EXPECT_TRUE(tandrel::testing::speakToWav(text, path));
        Result<WavAudio> audio = readWavFile(path);
        EXPECT_TRUE(audio.ok()) << qPrintable(audio.error());
        return audio.ok() ? *audio : WavAudio{};
    }
};

struct Delivered
{
    QString transcript;
    bool isFinal;
    bool operator==(const Delivered &) const = default;
};

} // namespace

TEST(SpeechFollower, WithoutAMicrophoneSaysSoAndNeverListens)
{
    Fixture f;
    NoMicrophoneHost capture;
    f.follower.start(QStringLiteral("Hallo Welt"), capture, f.state);
    EXPECT_EQ(f.follower.statusMessage(), QStringLiteral("Starte lokales Sprachmodell…"));
    ASSERT_TRUE(waitUntil([&] { return f.follower.statusMessage() == noMicrophone; }));
    EXPECT_EQ(f.state.followStatus(), noMicrophone);
    EXPECT_FALSE(f.follower.isListening());
    EXPECT_FALSE(capture.tapInstalled);
    EXPECT_EQ(f.state.script(), QStringLiteral("Hallo Welt"));

    // An error text outlives stop; only the next start replaces it.
    f.follower.stop(capture);
    EXPECT_EQ(f.follower.statusMessage(), noMicrophone);
    EXPECT_EQ(f.state.followStatus(), noMicrophone);
}

TEST(SpeechFollower, WithoutAnInstalledModelSaysThereIsNoRecognitionForTheLanguage)
{
    Fixture f;
    QTemporaryDir emptyRoot;
    f.follower.setModelRoot(emptyRoot.path());
    WavTapHost capture(WavAudio{}, false);
    f.follower.start(QStringLiteral("Hallo Welt"), capture, f.state);
    const QString expected = QStringLiteral("Keine lokale Spracherkennung für diese Sprache.");
    ASSERT_TRUE(waitUntil([&] { return f.follower.statusMessage() == expected; }));
    EXPECT_EQ(f.state.followStatus(), expected);
    EXPECT_FALSE(f.follower.isListening());
}

TEST(SpeechFollower, StopWhileListeningClearsTheStatusAndRemovesTheTap)
{
    Fixture f;
    WavTapHost capture(f.speech(QStringLiteral("Good morning and welcome back to the studio.")), true);
    f.follower.start(QStringLiteral("Good morning and welcome back to the studio."), capture, f.state);
    ASSERT_TRUE(waitUntil([&] { return f.follower.isListening(); }, 15000))
            << qPrintable(f.follower.statusMessage());
    EXPECT_EQ(f.follower.statusMessage(), listening);
    EXPECT_EQ(f.state.followStatus(), listening);

    f.follower.stop(capture);
    EXPECT_TRUE(f.follower.statusMessage().isEmpty());
    EXPECT_TRUE(f.state.followStatus().isEmpty());
    EXPECT_FALSE(f.follower.isListening());
    // Nothing of the stopped run may arrive later.
    const QString heard = f.follower.lastHeard();
    const qint64 cursor = f.state.aligner().cursor();
    waitUntil([] { return false; }, 1500);
    EXPECT_EQ(f.follower.lastHeard(), heard);
    EXPECT_EQ(f.state.aligner().cursor(), cursor);
    EXPECT_TRUE(f.follower.statusMessage().isEmpty());
}

TEST(SpeechFollower, StopWhileTheModelLoadsKeepsTheLoadedModelFromListening)
{
    Fixture f;
    CountingHost capture;
    f.follower.start(QStringLiteral("Good morning and welcome back to the studio."), capture, f.state);
    ASSERT_TRUE(waitUntil(
            [&] { return f.follower.statusMessage() == QStringLiteral("Lade lokales Sprachmodell…"); }));
    f.follower.stop(capture);
    EXPECT_TRUE(f.state.followStatus().isEmpty());
    waitUntil([] { return false; }, 2000); // the model finishes loading meanwhile
    EXPECT_EQ(capture.installed, 0);
    EXPECT_FALSE(f.follower.isListening());
    EXPECT_TRUE(f.follower.statusMessage().isEmpty());
}

TEST(SpeechFollower, StartingTwiceLeavesOneRunAndDropsTheFirstRunsResults)
{
    Fixture f;
    NoMicrophoneHost capture;
    f.follower.start(QStringLiteral("eins zwei drei vier"), capture, f.state);
    const quint64 first = f.follower.runGeneration();
    f.follower.start(QStringLiteral("eins zwei drei vier"), capture, f.state);
    const quint64 second = f.follower.runGeneration();
    EXPECT_NE(first, second);

    QSignalSpy statusChanges(&f.follower, &SpeechFollower::statusMessageChanged);
    ASSERT_TRUE(waitUntil([&] { return f.follower.statusMessage() == noMicrophone; }));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(statusChanges.count(), 1) << "only the second run may report";

    f.follower.handleAnalyzerResult(QStringLiteral("eins zwei"), true, &f.state, first);
    EXPECT_TRUE(f.follower.lastHeard().isEmpty());
    EXPECT_EQ(f.state.aligner().cursor(), 0);
    f.follower.handleAnalyzerResult(QStringLiteral("eins zwei"), true, &f.state, second);
    EXPECT_EQ(f.follower.lastHeard(), QStringLiteral("eins zwei"));
    EXPECT_EQ(f.state.aligner().cursor(), 2);

    f.follower.stop(capture);
    f.follower.handleAnalyzerResult(QStringLiteral("eins zwei drei"), true, &f.state, second);
    EXPECT_EQ(f.follower.lastHeard(), QStringLiteral("eins zwei"));
    EXPECT_EQ(f.state.aligner().cursor(), 2);
}

TEST(SpeechFollower, JoinsCommittedAndPendingTextIntoOneGrowingTranscript)
{
    Fixture f;
    NoMicrophoneHost capture;
    f.follower.start(QStringLiteral("Hallo Welt, wie geht es dir?"), capture, f.state);
    ASSERT_TRUE(waitUntil([&] { return f.follower.statusMessage() == noMicrophone; }));
    const quint64 g = f.follower.runGeneration();

    std::vector<Delivered> delivered;
    QObject::connect(&f.follower, &SpeechFollower::resultHandled,
                     [&](double, const QString &transcript, bool isFinal) {
                         delivered.push_back({transcript, isFinal});
                     });
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
        f.follower.handleAnalyzerResult(QString::fromUtf8(s.text), s.isFinal, &f.state, g);
        EXPECT_EQ(f.state.aligner().cursor(), s.cursor) << s.text;
        EXPECT_EQ(f.state.aligner().lookahead(), s.lookahead) << s.text;
    }
    const std::vector<Delivered> expected{{"hallo", false},      {"hallo welt", false},
                                          {"Hallo Welt.", true}, {"Hallo Welt. wie", false},
                                          {"Hallo Welt.", true}, {"Hallo Welt. geht es", true}};
    EXPECT_EQ(delivered, expected);
    EXPECT_EQ(f.follower.lastHeard(), QStringLiteral("Hallo Welt. geht es"));
    EXPECT_EQ(f.follower.statusMessage(), listening) << "a result shows that the follower hears";
}

TEST(SpeechFollower, RewindingTheTeleprompterStartsTheTranscriptFromNothing)
{
    Fixture f;
    NoMicrophoneHost capture;
    f.follower.start(QStringLiteral("eins zwei drei vier fünf"), capture, f.state);
    const quint64 g = f.follower.runGeneration();
    f.follower.handleAnalyzerResult(QStringLiteral("eins zwei drei"), true, &f.state, g);
    ASSERT_EQ(f.state.aligner().cursor(), 3);

    f.state.resetFollow();
    EXPECT_TRUE(f.follower.lastHeard().isEmpty());
    EXPECT_EQ(f.state.aligner().cursor(), 0);
    f.follower.handleAnalyzerResult(QStringLiteral("eins"), false, &f.state, g);
    EXPECT_EQ(f.follower.lastHeard(), QStringLiteral("eins"));
    EXPECT_EQ(f.state.aligner().lookahead(), 1);
}
