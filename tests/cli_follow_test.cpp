// tandrelctl follow, run as a user runs it: a WAV file of espeak-ng reading an
// English or a German script goes through the speech follower (on the English
// model, the one every machine has) into the aligner.

#include "bench/follow_scripts.h"
#include "speech/espeak_wav.h"
#include "speech/script_aligner.h"
#include "tests/support/tandrelctl_run.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tandrel::testing::CtlRun;
using tandrel::testing::refused;
using tandrel::testing::writeFile;

CtlRun tandrelctl(const QStringList &args)
{
    return tandrel::testing::Tandrelctl().run(args, {}, 180000);
}

// tandrelctl follow, fast, on the folder's script.txt and `audio` in it.
CtlRun follow(const QTemporaryDir &dir, const char *audio, bool json = true)
{
    const QStringList args{"follow",  "--script",          dir.filePath("script.txt"),
                           "--audio", dir.filePath(audio), "--fast"};
    return tandrelctl(json ? QStringList{"--json"} + args : args);
}

// The run's JSON lines reach the script's end, moving while the reading goes on.
void followsToTheEnd(const CtlRun &run, qsizetype tokens);

} // namespace

TEST(TandrelctlFollow, FollowsAHundredWordEspeakReadingToTheEndInEnglishAndGerman)
{
    for (const auto &[name, voice] : {std::pair{"morning", "en-us"}, std::pair{"werkstatt", "de"}}) {
        SCOPED_TRACE(name);
        // Debian's clang 14 cannot capture a structured binding.
        const char *wanted = name;
        const auto *s = std::find_if(std::begin(tandrel::bench::followScripts), std::end(tandrel::bench::followScripts),
                                     [wanted](const auto &f) { return QLatin1String(f.name) == QLatin1String(wanted); });
        QTemporaryDir dir;
        const QString script = QString::fromUtf8(s->text);
        const qsizetype tokens = tandrel::ScriptAligner::tokenize(script).size();
        ASSERT_GE(tokens, 100);
        ASSERT_TRUE(writeFile(dir.filePath("script.txt"), script.toUtf8()));
        ASSERT_TRUE(tandrel::testing::speakToWav(script, dir.filePath("reading.wav"), 160, QLatin1String(voice)));
        followsToTheEnd(follow(dir, "reading.wav"), tokens);
    }
}

namespace {

void followsToTheEnd(const CtlRun &run, qsizetype tokens)
{
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);

    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    double lastTime = -1;
    qint64 lastCursor = 0;
    int finals = 0;
    QList<std::pair<double, qint64>> shown; // time, cursor + lookahead
    for (const QString &line : lines) {
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << qPrintable(line);
        for (const char *key : {"t", "final", "cursor", "lookahead", "transcript"})
            ASSERT_TRUE(o.contains(QLatin1String(key))) << key << " missing in " << qPrintable(line);
        EXPECT_GE(o["t"].toDouble(), lastTime) << "results come in audio order";
        lastTime = o["t"].toDouble();
        lastCursor = o["cursor"].toInteger();
        finals += o["final"].toBool();
        shown.append({lastTime, lastCursor + o["lookahead"].toInteger()});
        EXPECT_GE(o["lookahead"].toInteger(), 0);
    }
    EXPECT_GE(finals, 1) << "the end of the file ends the last utterance";
    // The position follows while the reading goes on, not only at its end.
    bool movedEarly = false;
    for (const auto &[time, position] : shown)
        movedEarly |= time <= 0.6 * lastTime && position >= tokens * 3 / 10;
    EXPECT_TRUE(movedEarly);
    EXPECT_GE(lastCursor, tokens * 95 / 100) << qPrintable(lines.last());
    EXPECT_LE(lastTime, 60.0);
}

} // namespace

TEST(TandrelctlFollow, PrintsPlainLinesAndRefusesBadInput)
{
    QTemporaryDir dir;
    const QString script = QStringLiteral("First we check the light, then we read the script.");
    ASSERT_TRUE(writeFile(dir.filePath("script.txt"), script.toUtf8()));
    ASSERT_TRUE(tandrel::testing::speakToWav(script, dir.filePath("reading.wav")));
    ASSERT_TRUE(writeFile(dir.filePath("broken.wav"), QByteArray("RIFF\0\0\0\0WAVEjunk", 16)));

    const CtlRun plain = follow(dir, "reading.wav", false);
    ASSERT_EQ(plain.exitCode, 0) << qPrintable(plain.err);
    const QStringList lines = plain.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty());
    static const QRegularExpression shape("^\\d+\\.\\d\\d (final|pending) \\d+ \\d+ .*$");
    for (const QString &line : lines)
        EXPECT_TRUE(shape.match(line).hasMatch()) << qPrintable(line);
    EXPECT_TRUE(lines.last().contains(" final ")) << "the end of the file ends the last utterance";

    const struct
    {
        QStringList args;
        int exitCode;
        const char *stderrHas;
    } cases[] = {
            {{"follow", "--script", dir.filePath("script.txt")}, 2, "Aufruf: tandrelctl follow"},
            {{"follow", "--script", dir.filePath("missing.txt"), "--audio", dir.filePath("reading.wav")},
             1,
             "konnte nicht gelesen werden"},
            {{"follow", "--script", dir.filePath("script.txt"), "--audio", dir.filePath("broken.wav")},
             1,
             "WAV-Datei"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(refused(tandrelctl(c.args), c.exitCode, QString::fromUtf8(c.stderrHas)))
                << qPrintable(c.args.join(QLatin1Char(' ')));
}

TEST(TandrelctlFollow, SpeechBesideTheScriptAndTheRoomBeforeTheTakeLeaveThePositionAlone)
{
    QTemporaryDir dir;
    const QString script = QString::fromUtf8(tandrel::bench::followScripts[0].text);
    const qsizetype tokens = tandrel::ScriptAligner::tokenize(script).size();
    ASSERT_TRUE(writeFile(dir.filePath("script.txt"), script.toUtf8()));
    const QString monologue = QString::fromUtf8(tandrel::bench::unrelatedMonologue("en"));
    const QString chatter = QString::fromUtf8(tandrel::bench::chatterBeforeTheTake("en"));
    ASSERT_TRUE(tandrel::testing::speakToWav(monologue, dir.filePath("monologue.wav")));
    ASSERT_TRUE(
            tandrel::testing::speakToWav(chatter + QLatin1Char(' ') + script, dir.filePath("chatter.wav")));
    // The room before the take: pink noise, then plucked chords (sox).
    QProcess sox;
    sox.start("sox",
              QStringLiteral(
                      "-n -r 16000 -c 1 -b 16 %1 synth 20 pinknoise vol 0.3 : synth 0.25 pluck C4 pluck E4 "
                      "pluck G4 pluck C5 remix - repeat 39 vol 0.5")
                      .arg(dir.filePath("room.wav"))
                      .split(QLatin1Char(' ')));
    ASSERT_TRUE(sox.waitForFinished(60000) && sox.exitCode() == 0) << sox.readAllStandardError().constData();

    const struct
    {
        const char *audio;
        qsizetype mostShown; // the furthest cursor + lookahead may ever get
        qsizetype leastFinal; // where the last result must have got to
    } cases[] = {
            // At most 3 % of the script for an unrelated monologue of 17 s.
            {"monologue.wav", tokens * 3 / 100, 0},
            {"room.wav", 0, 0},
            // Chatter first, then the reading: followed to the end all the same.
            {"chatter.wav", tokens, tokens * 95 / 100},
    };
    for (const auto &c : cases) {
        const CtlRun run = follow(dir, c.audio);
        ASSERT_EQ(run.exitCode, 0) << c.audio << ": " << qPrintable(run.err);
        qint64 shown = 0, lastCursor = 0;
        for (const QString &line : run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QJsonObject o = QJsonDocument::fromJson(line.toUtf8()).object();
            lastCursor = o["cursor"].toInteger();
            shown = std::max(shown, lastCursor + o["lookahead"].toInteger());
            if (shown > c.mostShown) {
                ADD_FAILURE() << c.audio << " moved the position to " << shown << ": " << qPrintable(line);
                break;
            }
        }
        EXPECT_GE(lastCursor, c.leastFinal) << c.audio << ": " << qPrintable(run.out.right(400));
    }
}
