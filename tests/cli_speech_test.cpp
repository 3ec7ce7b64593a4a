// tandrelctl's align and levels commands, run as a user runs them.

#include "tests/support/tandrelctl_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace {

using tandrel::testing::CtlRun;
using tandrel::testing::refused;
using tandrel::testing::writeFile;

CtlRun tandrelctl(const QStringList &args)
{
    return tandrel::testing::Tandrelctl().run(args, {}, 60000);
}

// Runs sox; an empty string when it succeeded, else what it said.
QString sox(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("sox"), args);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("sox failed: ") + QString::fromUtf8(process.readAllStandardError());
    return {};
}

QList<std::pair<double, double>> intervalsOf(const QString &output)
{
    QList<std::pair<double, double>> intervals;
    for (const QString &line : output.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() == 2)
            intervals.append({parts[0].toDouble(), parts[1].toDouble()});
        else
            intervals.append({NAN, NAN});
    }
    return intervals;
}

} // namespace

TEST(CliLevels, PrintsTheSpeechIntervalsOfToneBurstsMadeBySox)
{
    // 16 kHz, buffers of 0.1 s: a burst starting on a buffer boundary opens
    // an interval at that buffer and ends at the buffer holding its last sample.
    // Which levels make speech is the tracker's test; here the buffers are
    // measured from the file, the last partial one included.
    const struct
    {
        const char *name;
        QStringList pieces; // "tone D" or "quiet D", seconds
        QList<std::pair<double, double>> intervals;
        const char *bufferFrames = "1600";
    } cases[] = {
            {"two buffers are too short", {"quiet 1", "tone 0.2", "quiet 1"}, {}},
            {"a long pause splits",
             {"quiet 1", "tone 0.5", "quiet 0.6", "tone 0.5", "quiet 1"},
             {{1.0, 1.4}, {2.1, 2.5}}},
            {"a partial last buffer is measured too", {"quiet 1", "tone 0.35"}, {{1.0, 1.3}}},
            // Buffers of 1024 frames unless told: 15 (0.96 s) to 23 (1.472 s).
            {"default buffers", {"quiet 1", "tone 0.5", "quiet 1"}, {{0.96, 1.472}}, nullptr},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto &c : cases) {
        QStringList inputs;
        for (qsizetype i = 0; i < c.pieces.size(); ++i) {
            const QStringList piece = c.pieces[i].split(QLatin1Char(' '));
            const QString path = dir.filePath(QStringLiteral("piece%1.wav").arg(i));
            QStringList args{"-n", "-r", "16000", "-c", "1", "-b", "16", path};
            if (piece[0] == QLatin1String("tone"))
                args << QStringList{"synth", piece[1], "sine", "440", "vol", "0.5"};
            else
                args << QStringList{"trim", "0", piece[1]};
            ASSERT_EQ(sox(args), QString());
            inputs << path;
        }
        const QString wav = dir.filePath(QStringLiteral("bursts.wav"));
        ASSERT_EQ(sox(inputs << wav), QString());

        const CtlRun run
                = tandrelctl(c.bufferFrames ? QStringList{"levels", wav, "--buffer-frames", c.bufferFrames}
                                            : QStringList{"levels", wav});
        EXPECT_EQ(run.exitCode, 0) << c.name << run.err.toStdString();
        const auto intervals = intervalsOf(run.out);
        ASSERT_EQ(intervals.size(), c.intervals.size()) << c.name << "\n" << run.out.toStdString();
        for (qsizetype i = 0; i < intervals.size(); ++i) {
            EXPECT_DOUBLE_EQ(intervals[i].first, c.intervals[i].first) << c.name;
            EXPECT_DOUBLE_EQ(intervals[i].second, c.intervals[i].second) << c.name;
        }
    }
}

TEST(CliLevels, RejectsWhatItCannotMeasure)
{
    QTemporaryDir dir;
    const QString pcm24 = dir.filePath(QStringLiteral("pcm24.wav"));
    ASSERT_EQ(sox({"-n", "-r", "8000", "-c", "1", "-b", "24", pcm24, "synth", "1", "sine", "440"}),
              QString());
    const QString text = dir.filePath(QStringLiteral("text.wav"));
    ASSERT_TRUE(writeFile(text, "Das ist keine Audiodatei, auch wenn sie so heißt.\n"));

    const struct
    {
        QStringList args;
        int exitCode;
        const char *message;
    } cases[] = {
            // Which files the reader refuses is its own test; here the refusal reaches the user.
            {{"levels", pcm24}, 1, "Nicht unterstütztes WAV-Format"},
            {{"levels", text}, 1, "Keine WAV-Datei"},
            {{"levels", dir.filePath(QStringLiteral("fehlt.wav"))}, 1, "Datei konnte nicht gelesen werden"},
            {{"levels"}, 2, "Aufruf: tandrelctl levels"},
            {{"levels", pcm24, text}, 2, "Aufruf: tandrelctl levels"},
            {{"levels", pcm24, "--buffer-frames", "0"}, 2, "positive ganze Zahl"},
            {{"levels", pcm24, "--buffer-frames", "viele"}, 2, "positive ganze Zahl"},
            {{"levels", pcm24, "--buffer-frames"}, 2, "Aufruf: tandrelctl levels"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(refused(tandrelctl(c.args), c.exitCode, QString::fromUtf8(c.message)))
                << c.args.join(' ').toStdString();
}

TEST(CliAlign, ReportsThePositionAfterEveryTranscript)
{
    const struct
    {
        const char *script;
        const char *transcripts;
        const char *output;
    } cases[] = {
            // How far a transcript moves is the aligner's test; here lines are
            // read and every one answered, in both output forms.
            {"eins zwei drei vier",
             "final\teins\npending\teins zwei drei\npending\t\nfinal\teins zwei drei vier fünf\n",
             "1 0\n1 2\n1 0\n4 0\n"},
            // "lima" is 11 tokens ahead of the start, "mike" 12.
            {"alpha bravo charlie delta echo foxtrot golf hotel india juliett kilo lima mike",
             "pending\tlima\r\n\r\npending\tmike\r\n", "0 12\n0 0\n"},
            {"Hallo, Welt! Über die Straße geht’s.", "final\thallo welt uber die strasse geht's\n", "6 0\n"},
            {"eins zwei drei vier", "final\teins zwei\nfinal\n", "2 0\n0 0\n"},
    };
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("script.txt"));
    const QString transcripts = dir.filePath(QStringLiteral("transcripts.txt"));
    for (const auto &c : cases) {
        ASSERT_TRUE(writeFile(script, c.script));
        ASSERT_TRUE(writeFile(transcripts, c.transcripts));
        const CtlRun plain = tandrelctl({"align", "--script", script, "--transcripts", transcripts});
        EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
        EXPECT_EQ(plain.out, QString::fromUtf8(c.output)) << c.transcripts;

        const CtlRun json = tandrelctl({"--json", "align", "--transcripts", transcripts, "--script", script});
        EXPECT_EQ(json.exitCode, 0);
        QStringList fromJson;
        for (const QJsonValue &v : QJsonDocument::fromJson(json.out.toUtf8()).array())
            fromJson << QStringLiteral("%1 %2\n")
                                .arg(v[QStringLiteral("cursor")].toInteger())
                                .arg(v[QStringLiteral("lookahead")].toInteger());
        EXPECT_EQ(fromJson.join(QString()), QString::fromUtf8(c.output)) << json.out.toStdString();
    }
}

TEST(CliAlign, RejectsMalformedInputWithoutPrintingPositions)
{
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("script.txt"));
    const QString good = dir.filePath(QStringLiteral("good.txt"));
    const QString bad = dir.filePath(QStringLiteral("bad.txt"));
    const QString latin1 = dir.filePath(QStringLiteral("latin1.txt"));
    ASSERT_TRUE(writeFile(script, "eins zwei drei"));
    ASSERT_TRUE(writeFile(good, "final\teins\n"));
    ASSERT_TRUE(writeFile(bad, "final\teins\nfertig\tzwei\n"));
    ASSERT_TRUE(writeFile(latin1, "final\tf\xfcnf\n"));
    const struct
    {
        QStringList args;
        int exitCode;
        const char *message;
    } cases[] = {
            {{"align", "--script", script, "--transcripts", bad}, 1, "Zeile 2"},
            {{"align", "--script", script, "--transcripts", latin1}, 1, "UTF-8"},
            {{"align", "--script", dir.filePath("fehlt.txt"), "--transcripts", good},
             1,
             "Datei konnte nicht gelesen"},
            {{"align", "--script", script}, 2, "Aufruf: tandrelctl align"},
            {{"align", "--transcripts", good, "--script"}, 2, "Aufruf: tandrelctl align"},
            {{"align", "--script", script, "--transcripts", good, "extra"}, 2, "Aufruf: tandrelctl align"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(refused(tandrelctl(c.args), c.exitCode, QString::fromUtf8(c.message)))
                << c.args.join(' ').toStdString();
}
