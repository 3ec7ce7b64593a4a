#include "speech/speech_follower.h"
#include "speech/sphinx_model_install.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using tandrel::testing::waitUntil;

namespace {

// A capture side with a microphone; it only notes whether a tap is installed.
class MicrophoneHost : public AudioTapHost
{
public:
    std::optional<QString> selectedMicrophoneID() const override { return "mic"; }
    void setAudioTap(AudioTap tap) override { tapInstalled = bool(tap); }
    bool tapInstalled = false;
};

// Debian's English acoustic model and dictionary as a model archive.
QString englishArchive(const QTemporaryDir &dir)
{
    const QString archive = dir.filePath("english.tar.gz");
    QProcess tar;
    tar.start("tar",
              {"-czf", archive, "-C", "/usr/share/pocketsphinx/model", "en-us/en-us",
               "en-us/cmudict-en-us.dict"});
    EXPECT_TRUE(tar.waitForFinished(120000) && tar.exitCode() == 0);
    return archive;
}

} // namespace

TEST(SphinxModelInstall, AFollowerWaitsWhileTheModelOfItsLocaleIsInstalledAndFailsWhenTheInstallDoes)
{
    QTemporaryDir dir;
    const QString root = dir.filePath("models");
    const QString archive = englishArchive(dir);
    for (const bool completed : {true, false}) {
        QDir(QDir(root).filePath("de-DE")).removeRecursively();
        Result<std::unique_ptr<SphinxModelInstall>, ModelProblem> install
                = SphinxModelInstall::begin("de-DE", root);
        ASSERT_TRUE(install.ok()) << int(install.error().kind);
        SpeechFollower follower;
        follower.setModelRoot(root);
        follower.setPreferredLocale("de_DE");
        MicrophoneHost capture;
        follower.start("Good morning and welcome back to the studio.", capture);
        ASSERT_TRUE(waitUntil([&] { return follower.state() == FollowState::loading; }));
        // Loading, and it stays there until the install has ended.
        ASSERT_TRUE(waitUntil([&] { return follower.recognizerThreads() == 1; }));
        EXPECT_EQ(follower.state(), FollowState::loading);
        EXPECT_FALSE(capture.tapInstalled);

        if (completed) {
            Result<SphinxModel, ModelProblem> model = install.value()->finish(archive);
            ASSERT_TRUE(model.ok()) << int(model.error().kind) << " " << qPrintable(model.error().detail);
            EXPECT_EQ(model->folder, QDir(root).filePath("de-DE"));
        }
        install.value().reset(); // the install ends
        if (completed) {
            ASSERT_TRUE(waitUntil([&] { return follower.state() == FollowState::listening; }, 60000));
            EXPECT_TRUE(capture.tapInstalled);
        } else {
            ASSERT_TRUE(waitUntil([&] { return follower.state() == FollowState::failed; }, 60000));
            EXPECT_EQ(follower.failure(),
                      (FollowFailure{FollowFailure::Kind::modelNotLoaded,
                                     {.kind = SpeechProblem::Kind::installUnfinished, .detail = "de-DE"}}));
        }
        follower.stop(capture);
        EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  completed ? QStringList{"de-DE"} : QStringList{})
                << "nothing of the install is left behind";
    }
}
