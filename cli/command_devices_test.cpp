#include "tests/support/tandrelctl_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using tandrel::testing::CtlRun;

CtlRun tandrelctl(const QStringList &args, bool testCamera, bool withScreens = true)
{
    tandrel::testing::Tandrelctl ctl;
    QProcessEnvironment &env = ctl.environment();
    if (!withScreens)
        env.insert("QT_QPA_PLATFORM", "offscreen");
    if (testCamera)
        env.insert("TANDREL_TEST_CAMERA", "1");
    else
        env.remove("TANDREL_TEST_CAMERA");
    return ctl.run(args, {}, 60000);
}

} // namespace

TEST(DevicesCommand, JsonListsSourcesMicrophonesAndTheDefaultSelection)
{
    const CtlRun run = tandrelctl({"--json", "devices"}, true);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    const QJsonArray sources = root.value("videoSources").toArray();
    ASSERT_EQ(sources.size(), 3);
    EXPECT_EQ(sources[0].toObject(),
              (QJsonObject{{"id", "test-camera"}, {"name", "Testkamera"}, {"kind", "camera"}}));
    for (int i = 1; i < 3; ++i) {
        const QJsonObject s = sources[i].toObject();
        EXPECT_EQ(s.value("kind").toString(), "screen");
        EXPECT_EQ(s.value("id").toString(), QStringLiteral("screen:%1").arg(i));
        EXPECT_TRUE(s.value("name").toString().startsWith("Bildschirm: "));
    }
    const QString mic = qEnvironmentVariable("TANDREL_TEST_MIC", "tandrel_mic");
    const QJsonArray mics = root.value("microphones").toArray();
    ASSERT_EQ(mics.size(), 1);
    EXPECT_EQ(mics[0].toObject().value("id").toString(), mic);
    EXPECT_EQ(root.value("selectedVideoSourceID").toString(), "test-camera");
    EXPECT_EQ(root.value("selectedMicrophoneID").toString(), mic);
}

TEST(DevicesCommand, WithoutACameraNothingIsSelectedAndThePlainFormMarksTheMicrophone)
{
    const CtlRun json = tandrelctl({"--json", "devices"}, false);
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_TRUE(root.value("selectedVideoSourceID").isNull());

    const CtlRun plain = tandrelctl({"devices"}, false);
    ASSERT_EQ(plain.exitCode, 0);
    const QStringList lines = plain.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3); // two screens, one microphone
    EXPECT_TRUE(lines[0].startsWith(" \tscreen\tscreen:1\tBildschirm: "));
    const QString mic = qEnvironmentVariable("TANDREL_TEST_MIC", "tandrel_mic");
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("*\tmicrophone\t") + mic + '\t'))
            << lines[2].toStdString();

    EXPECT_EQ(tandrelctl({"devices", "extra"}, false).exitCode, 2);
}

TEST(DevicesCommand, WithoutScreenCaptureOnlyThePlaceholderStandsForTheScreens)
{
    const CtlRun run = tandrelctl({"--json", "devices"}, false, false);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(root.value("videoSources").toArray(),
              (QJsonArray{QJsonObject{
                      {"id", "screen:request"}, {"name", "Bildschirm (Freigabe…)"}, {"kind", "screen"}}}));
    EXPECT_TRUE(root.value("selectedVideoSourceID").isNull());
    EXPECT_EQ(root.value("microphones").toArray().size(), 1);
}
