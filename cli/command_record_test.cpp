// tandrelctl record, run as a user runs it, against the test desktop (test
// camera, PulseAudio microphone).
#include "capture/media_probe.h"
#include "tests/support/tandrelctl_run.h"
#include "tests/support/wait_until.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <thread>

using namespace tandrel::testing;

namespace {

class RecordCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(writeFile(dir.filePath("reel.md"), "# 7 Aufnahmetest\nHallo Welt"));
        const CtlRun imported = run({"import", dir.filePath("reel.md")});
        ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    }

    // The user's stored settings stay out of the test; the test camera stands in.
    Tandrelctl tandrelctl() const
    {
        Tandrelctl ctl(dir.path(), library());
        ctl.environment().insert("TANDREL_TEST_CAMERA", "1");
        return ctl;
    }

    CtlRun run(const QStringList &args) const { return tandrelctl().run(args); }
    // Reel 7's takes as tandrelctl show prints them.
    QJsonArray storedTakes() const
    {
        const CtlRun shown = run({"show", "7"});
        return QJsonDocument::fromJson(shown.out.toUtf8()).object().value("takes").toArray();
    }

    QString library() const { return dir.filePath("lib"); }
    QString takes() const { return library() + "/007-aufnahmetest/takes"; }

    QTemporaryDir dir;
};

} // namespace

TEST_F(RecordCommandTest, RecordsATakeAddsItToTheReelAndPrintsIt)
{
    const CtlRun recorded
            = run({"--json", "record", "--reel", "7", "--seconds", "3", "--crop", "0", "--flip-h"});
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err.toStdString();
    const QJsonObject take = QJsonDocument::fromJson(recorded.out.toUtf8()).object();
    const QString video = take.value("videoFileName").toString();
    const QString audio = take.value("audioFileName").toString();
    ASSERT_FALSE(video.isEmpty());
    ASSERT_FALSE(audio.isEmpty());
    EXPECT_NEAR(take.value("duration").toDouble(), 3.0, 0.6);

    // Stored with the reel.
    const QJsonArray takes = storedTakes();
    ASSERT_EQ(takes.size(), 1);
    EXPECT_EQ(takes.first().toObject(), take);

    const ProbedStream v = probeStream(QDir(this->takes()).filePath(video), "v");
    EXPECT_EQ(v.profile, "High");
    EXPECT_EQ(v.width, 1080);
    EXPECT_EQ(v.height, 1920);
    const ProbedStream a = probeStream(QDir(this->takes()).filePath(audio), "a");
    EXPECT_EQ(a.sampleRate, 48000);
    EXPECT_EQ(a.channels, 1);
    // Crop at the left edge of the mirrored picture: the camera's right, blue half.
    const QImage frame = decodeFrame(QDir(this->takes()).filePath(video), 1.0);
    ASSERT_FALSE(frame.isNull());
    const QColor mean = meanColour(frame, QRect(100, 100, 880, 300));
    EXPECT_GT(mean.blue(), mean.red() + 60);

    // The plain form prints the same record.
    const CtlRun plain = run({"record", "--reel", "007", "--seconds", "1"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_TRUE(QJsonDocument::fromJson(plain.out.toUtf8()).object().contains("speechIntervals"));
}

TEST_F(RecordCommandTest, BadArgumentsAndUnknownThingsAreRefused)
{
    const struct
    {
        QStringList args;
        int exitCode;
        const char *message;
    } cases[] = {
            {{"record", "--reel", "7"}, 2, "Aufruf: tandrelctl record"},
            {{"record", "--reel", "7", "--seconds", "0"}, 2, "Aufruf: tandrelctl record"},
            {{"record", "--reel", "7", "--seconds", "1", "--crop", "1.5"}, 2, "Aufruf: tandrelctl record"},
            {{"record", "--reel", "x", "--seconds", "1"}, 2, "Aufruf: tandrelctl record"},
            {{"record", "--reel", "42", "--seconds", "1"}, 1, "Kein Reel mit der Nummer 042."},
            {{"record", "--reel", "7", "--seconds", "1", "--video", "no-such-camera"},
             1,
             "Unbekannte Videoquelle: no-such-camera"},
            {{"record", "--reel", "7", "--seconds", "1", "--audio", "no-such-mic"},
             1,
             "Unbekanntes Mikrofon: no-such-mic"},
    };
    for (const auto &c : cases) {
        const CtlRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QDir(takes()).exists() && !QDir(takes()).entryList(QDir::Files).isEmpty());
}

// A script learns from the exit status when the camera fails the take. One
// that sends no picture at all leaves a take of sound only; one that stops
// sending (after 10 s of frames here) ends the take early. Either take is
// kept, with what it holds.
TEST_F(RecordCommandTest, ACameraThatFailsTheTakeIsSaidAndTheTakeKept)
{
    const struct
    {
        const char *frames;
        const char *seconds;
        const char *message;
        int movies; // in the takes folder after the run
        bool endsEarly;
    } cases[] = {
            {"0", "2", "Keine Videobilder empfangen. Take enthält nur Audio.", 0, false},
            {"300", "60", "Aufnahme abgebrochen: ", 1, true},
    };
    qsizetype stored = 0;
    for (const auto &c : cases) {
        Tandrelctl ctl = tandrelctl();
        ctl.environment().insert("TANDREL_TEST_CAMERA_FRAMES", c.frames);
        const CtlRun recorded = ctl.run({"record", "--reel", "7", "--seconds", c.seconds});
        EXPECT_TRUE(refused(recorded, 1, QString::fromUtf8(c.message))) << c.frames;
        const QStringList kept = QDir(takes()).entryList(QDir::Files);
        EXPECT_EQ(kept.filter(".m4a").size(), ++stored) << kept.join(", ").toStdString();
        EXPECT_EQ(kept.filter(".mov").size(), c.movies) << kept.join(", ").toStdString();
        const QJsonArray takes = storedTakes();
        ASSERT_EQ(takes.size(), stored);
        if (c.endsEarly) {
            EXPECT_LT(takes.last().toObject().value("duration").toDouble(),
                      QString(c.seconds).toDouble() / 2);
        }
    }
}

TEST_F(RecordCommandTest, AKilledRecordingLeavesBothFilesPlayable)
{
    QProcess p;
    tandrelctl().start(p, {"record", "--reel", "7", "--seconds", "20"});
    ASSERT_TRUE(p.waitForStarted());
    // Five seconds into the take: counted from when both files receive data.
    QDir folder(takes());
    const auto recording = [&] {
        const QFileInfoList files = folder.entryInfoList({"*.mov", "*.m4a"}, QDir::Files);
        return files.size() == 2 && files[0].size() > 0 && files[1].size() > 0;
    };
    ASSERT_TRUE(waitUntil(recording, 30000));
    // The take runs at least five seconds; on a busy machine the kill may
    // come later, so the upper bound is what really passed.
    QElapsedTimer running;
    running.start();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double killedAfter = running.elapsed() / 1000.0;
    ::kill(pid_t(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::CrashExit);

    const QStringList files = folder.entryList({"*.mov", "*.m4a"}, QDir::Files);
    ASSERT_EQ(files.size(), 2);
    for (const QString &name : files) {
        const double seconds = decodableSeconds(folder.filePath(name));
        EXPECT_GE(seconds, 3.0) << name.toStdString();
        // The take began before the encoders' first output reached the
        // files, up to a second earlier on a busy machine.
        EXPECT_LE(seconds, killedAfter + 1.5) << name.toStdString();
    }
    // The take never finished, so the reel has none until a process that
    // may write to the library adopts the files it left.
    EXPECT_TRUE(storedTakes().isEmpty());
    const CtlRun next = run({"import", dir.filePath("reel.md")});
    EXPECT_EQ(next.exitCode, 0);
    EXPECT_TRUE(next.err.contains("1 Take wiederhergestellt.")) << next.err.toStdString();

    const QJsonArray adopted = storedTakes();
    ASSERT_EQ(adopted.size(), 1);
    const QJsonObject take = adopted.first().toObject();
    EXPECT_TRUE(files.contains(take.value("videoFileName").toString()));
    EXPECT_TRUE(files.contains(take.value("audioFileName").toString()));
    EXPECT_GE(take.value("duration").toDouble(), 3.0);
    EXPECT_LE(take.value("duration").toDouble(), 6.5);
    const QString stamp = files.first().left(15);
    EXPECT_EQ(QDateTime::fromString(take.value("recordedAt").toString(), Qt::ISODate),
              QDateTime::fromString(stamp, "yyyyMMdd-HHmmss").toUTC());
    EXPECT_TRUE(run({"import", dir.filePath("reel.md")}).err.isEmpty()) << "adopted once";
}

// The sound of a take comes from the microphone named, or from a capture
// card's own sound when the card has one, whatever microphone is named (the
// test camera stands for a card on a USB port). Speech is played into the
// sound's own speaker only; the default microphone hears nothing meanwhile.
TEST_F(RecordCommandTest, TheSoundRecordedIsTheChosenMicrophoneOrACaptureCardsOwn)
{
    const struct
    {
        const char *sink, *source, *sourceProperties;
        const char *cameraBusPath; // none: the test camera is no capture card
        const char *audio; // --audio
    } cases[] = {
            {"tandrel_sink2", "tandrel_mic2", "device.description=Zweitmikrofon", nullptr, "tandrel_mic2"},
            {"card_sink", "card_sound", "device.bus_path=pci-0000:00:14.0-usb-0:9:1.2",
             "pci-0000:00:14.0-usb-0:9:1.0", "tandrel_mic"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source);
        const QString sinkModule
                = pactl({"load-module", "module-null-sink", QStringLiteral("sink_name=") + c.sink});
        const QString sourceModule = pactl({"load-module", "module-remap-source",
                                            QStringLiteral("master=%1.monitor").arg(c.sink),
                                            QStringLiteral("source_name=") + c.source,
                                            QStringLiteral("source_properties=") + c.sourceProperties});
        ASSERT_FALSE(sinkModule.isEmpty());
        ASSERT_FALSE(sourceModule.isEmpty());
        Tandrelctl ctl = tandrelctl();
        if (c.cameraBusPath)
            ctl.environment().insert("TANDREL_TEST_CAMERA_BUS_PATH", c.cameraBusPath);

        QProcess record;
        ctl.start(record, {"--json", "record", "--reel", "7", "--seconds", "4", "--audio", c.audio});
        ASSERT_TRUE(record.waitForStarted());
        // Speech into the sound's speaker once the take's files are being written.
        QDir folder(takes());
        const QStringList before = folder.entryList({"*.m4a"}, QDir::Files);
        ASSERT_TRUE(waitUntil([&] { return folder.entryList({"*.m4a"}, QDir::Files) != before; }, 30000));
        QProcess speak;
        speak.start("sh",
                    {"-c",
                     QStringLiteral("espeak-ng --stdout 'This is the chosen sound speaking' | "
                                    "paplay --device=%1")
                             .arg(c.sink)});
        ASSERT_TRUE(record.waitForFinished(180000));
        speak.waitForFinished(20000);
        pactl({"unload-module", sourceModule});
        pactl({"unload-module", sinkModule});
        ASSERT_EQ(record.exitCode(), 0) << record.readAllStandardError().toStdString();

        const QJsonObject take = QJsonDocument::fromJson(record.readAllStandardOutput()).object();
        const QString audio = take.value("audioFileName").toString();
        ASSERT_FALSE(audio.isEmpty());
        EXPECT_FALSE(take.value("speechIntervals").toArray().isEmpty()) << "the speech reached the take";
        const std::vector<float> pcm = decodeAudio(folder.filePath(audio));
        double peak = 0;
        for (const float sample : pcm)
            peak = std::max(peak, double(std::abs(sample)));
        EXPECT_GT(peak, 0.05);
    }
}
