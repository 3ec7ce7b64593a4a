// tandrelctl captions on a take whose sound espeak-ng spoke from the script,
// encoded as the recorder encodes it (AAC in an .m4a).
#include "library/caption_cues.h"
#include "library/library_store.h"
#include "platform/settings_store.h"
#include "speech/espeak_wav.h"
#include "tests/support/run_tool.h"
#include "tests/support/take_files.h"
#include "tests/support/tandrelctl_run.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const QString script = QStringLiteral(
        "Good morning! Today we repair an old bicycle, step by step. First we take the wheel off and look "
        "at the tyre. Then we find the hole with a little soapy water.");

class CliCaptionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SettingsStore settings(dir.filePath("settings.ini"));
        LibraryStore store(settings, library());
        const ReelProject reel = store.createReel(1, "Fahrrad", script).value();
        store.createReel(2, "Leer", QString());
        const QString folder = store.takesFolder(reel);
        QDir().mkpath(folder);
        ASSERT_TRUE(speakToWav(script, dir.filePath("reading.wav")));
        const ToolRun encoded = runTool("ffmpeg",
                                        {"-v", "error", "-i", dir.filePath("reading.wav"), "-ac", "1", "-ar",
                                         "48000", "-c:a", "aac", folder + "/take-audio.m4a"},
                                        ToolErrors::withOutput);
        ASSERT_EQ(encoded.exitCode, 0) << encoded.text().toStdString();
        ASSERT_TRUE(
                store.addTake(makeTake(std::nullopt, QStringLiteral("take-audio.m4a"), 12.0), reel.id).ok());
    }

    QString library() const { return dir.filePath("library"); }

    CtlRun run(const QStringList &args) { return Tandrelctl(dir.path(), library()).run(args, {}, 180000); }

    QTemporaryDir dir;
};

QStringList scriptWords()
{
    return script.split(QLatin1Char(' '));
}

} // namespace

TEST_F(CliCaptionsTest, PrintsCuesSpelledAsTheScriptAndKeepsTheWordTimes)
{
    const CtlRun srt = run({"captions", "1"});
    ASSERT_EQ(srt.exitCode, 0) << srt.err.toStdString();
    // The word times are kept with the take, and --json prints them.
    SettingsStore settings(dir.filePath("settings.ini"));
    LibraryStore store(settings, library());
    const std::optional<QList<WordTime>> kept = store.reels().first().takes.first().words;
    ASSERT_TRUE(kept.has_value());
    // What it printed are the cues of those words, which are the script's as it spells them.
    EXPECT_EQ(srtText(captionCues(*kept)), srt.out);
    EXPECT_GE(kept->size(), scriptWords().size() * 9 / 10);
    for (const WordTime &w : *kept)
        EXPECT_EQ(w.text, scriptWords().value(w.index)) << "not spelled as the script";
    const CtlRun json = run({"--json", "captions", "1"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray words = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(words.size(), kept->size());
    EXPECT_EQ(words.first().toObject().value("text").toString(), kept->first().text);
    EXPECT_DOUBLE_EQ(words.last().toObject().value("end").toDouble(), kept->last().end);

    const CtlRun vtt = run({"captions", "1", "--take", "1", "--format", "vtt"});
    ASSERT_EQ(vtt.exitCode, 0) << vtt.err.toStdString();
    EXPECT_EQ(vtt.out, webVttText(captionCues(*kept)));
}

TEST_F(CliCaptionsTest, RefusesWhatNamesNoTakeWithAGermanReason)
{
    const struct
    {
        QStringList args;
        int exitCode;
        const char *says;
    } cases[] = {
            {{"captions", "2"}, 1, "Reel 002 hat keine Takes."},
            {{"captions", "1", "--take", "3"}, 1, "Reel 001 hat nur einen Take."},
            {{"captions", "9"}, 1, "Kein Reel mit der Nummer 009."},
            {{"captions", "1", "--format", "txt"}, 2, "Aufruf: tandrelctl captions"},
            {{"captions", "1", "--take", "0"}, 2, "Aufruf: tandrelctl captions"},
            {{"captions"}, 2, "Aufruf: tandrelctl captions"},
    };
    for (const auto &c : cases) {
        const CtlRun result = run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.says)))
                << c.args.join(' ').toStdString() << ": " << result.err.toStdString();
    }
}
