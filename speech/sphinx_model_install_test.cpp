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
    std::optional<QString> selectedMicrophoneID() const override { return QStringLiteral("mic"); }
    void setAudioTap(AudioTap tap) override { tapInstalled = bool(tap); }
    bool tapInstalled = false;
};

// Debian's English acoustic model and dictionary as a model archive.
QString englishArchive(const QTemporaryDir &dir)
{
    const QString archive = dir.filePath(QStringLiteral("english.tar.gz"));
    QProcess tar;
    tar.start(QStringLiteral("tar"),
              {QStringLiteral("-czf"), archive, QStringLiteral("-C"),
               QStringLiteral("/usr/share/pocketsphinx/model"), QStringLiteral("en-us/en-us"),
               QStringLiteral("en-us/cmudict-en-us.dict")});
    EXPECT_TRUE(tar.waitForFinished(120000) && tar.exitCode() == 0);
    return archive;
}

} // namespace

TEST(SphinxModelInstall, AFollowerWaitsWhileTheModelOfItsLocaleIsInstalledAndFailsWhenTheInstallDoes)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("models"));
    const QString archive = englishArchive(dir);
    for (const bool completed : {true, false}) {
        QDir(QDir(root).filePath(QStringLiteral("de-DE"))).removeRecursively();
        Result<std::unique_ptr<SphinxModelInstall>> install
                = SphinxModelInstall::begin(QStringLiteral("de-DE"), root);
        ASSERT_TRUE(install.ok()) << qPrintable(install.error());
        SpeechFollower follower;
        follower.setModelRoot(root);
        follower.setPreferredLocale(QStringLiteral("de_DE"));
        MicrophoneHost capture;
        follower.start(QStringLiteral("Good morning and welcome back to the studio."), capture);
        ASSERT_TRUE(waitUntil([&] { return follower.state() == FollowState::loading; }));
        // Loading, and it stays there until the install has ended.
        ASSERT_TRUE(waitUntil([&] { return follower.recognizerThreads() == 1; }));
        EXPECT_EQ(follower.state(), FollowState::loading);
        EXPECT_FALSE(capture.tapInstalled);

        if (completed) {
            Result<SphinxModel> model = install.value()->finish(archive);
            ASSERT_TRUE(model.ok()) << qPrintable(model.error());
            EXPECT_EQ(model->folder, QDir(root).filePath(QStringLiteral("de-DE")));
        }
        install.value().reset(); // the install ends
        if (completed) {
            ASSERT_TRUE(waitUntil([&] { return follower.state() == FollowState::listening; }, 60000));
            EXPECT_TRUE(capture.tapInstalled);
        } else {
            ASSERT_TRUE(waitUntil([&] { return follower.state() == FollowState::failed; }, 60000));
            EXPECT_EQ(follower.errorText(),
                      QStringLiteral(
                              "Sprachmodell: Das Sprachmodell für de-DE wurde nicht fertig installiert."));
        }
        follower.stop(capture);
        EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  completed ? QStringList{QStringLiteral("de-DE")} : QStringList{})
                << "nothing of the install is left behind";
    }
}
