// The finished reel of a recorded take: a test camera flashes and a test
// microphone beeps at each whole second of the capture clock; the take is
// cut at speech intervals around the beeps and rendered with captions. The
// file is checked with ffprobe and ffmpeg: its streams and container, its
// length against the cut, picture against sound, and the captions' pixels.

#include "app/render_error_text.h"
#include "library/library_store.h"
#include "platform/settings_store.h"
#include "render/finished_reel.h"
#include "render/reel_renderer.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/flash_beep_take.h"
#include "tests/support/tandrelctl_run.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

// The take's speech: around each of the first five beeps but the third; the
// time without it is a long pause.
QList<SpeechInterval> speechAround(const QList<double> &beeps)
{
    QList<SpeechInterval> speech;
    for (qsizetype i = 0; i < 5; ++i)
        if (i != 2)
            speech.append({beeps[i] - 0.1, beeps[i] + 0.5});
    return speech;
}

// Two cues: "Erster Satz." at the first beep, "Zweiter Satz." at the fourth.
QList<WordTime> wordsAt(const QList<double> &beeps)
{
    return {{beeps[0], beeps[0] + 0.25, 0, QStringLiteral("Erster")},
            {beeps[0] + 0.3, beeps[0] + 0.45, 1, QStringLiteral("Satz.")},
            {beeps[3], beeps[3] + 0.3, 2, QStringLiteral("Zweiter")},
            {beeps[3] + 0.35, beeps[3] + 0.5, 3, QStringLiteral("Satz.")}};
}

class FinishedReelTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        settings = new SettingsStore(dir->filePath("settings.ini"));
        store = new LibraryStore(*settings, dir->filePath("library"));
        const ReelProject reel
                = *store->createReel(1, QStringLiteral("Sync"), QStringLiteral("Erster Satz. Zweiter Satz."));
        std::optional<Take> recorded;
        recordFlashBeepTake(*store, reel, 8.0, recorded);
        if (!recorded)
            return;
        // The camera flashes and the microphone beeps at the capture clock's
        // whole seconds, wherever the take began. Only beeps whose flash the
        // take's picture holds are used: a loaded machine drops camera frames.
        const QDir takes(store->takesFolder(reel));
        const QList<double> flashes = tandrel::testing::flashes(takes.filePath(*recorded->videoFileName));
        beeps = new QList<double>;
        for (const double beep : tandrel::testing::beeps(takes.filePath(*recorded->audioFileName)))
            if (std::any_of(flashes.begin(), flashes.end(),
                            [&](double f) { return std::abs(f - beep) < 0.05; }))
                beeps->append(beep);
        if (beeps->size() >= 5) {
            take = new Take(*recorded);
            take->speechIntervals = speechAround(*beeps);
            take->words = wordsAt(*beeps);
            takesFolder = new QString(store->takesFolder(reel));
            reelFolder = new QString(store->reelFolder(reel));
        }
    }
    static void TearDownTestSuite()
    {
        delete take;
        delete beeps;
        delete takesFolder;
        delete reelFolder;
        delete store;
        delete settings;
        delete dir;
    }
    void SetUp() override { ASSERT_TRUE(take) << "no take with five flashes and their beeps was recorded"; }

    static FinishedReel plan(const QString &output, RenderOptions options = {})
    {
        const RenderResult<FinishedReel> planned = FinishedReel::plan(*take, *takesFolder, output, options);
        EXPECT_TRUE(planned.ok()) << planned.errorDetail().toStdString();
        return planned.ok() ? *planned : FinishedReel();
    }

    static inline QTemporaryDir *dir = nullptr;
    static inline SettingsStore *settings = nullptr;
    static inline LibraryStore *store = nullptr;
    static inline Take *take = nullptr;
    static inline QList<double> *beeps = nullptr; // seconds into the take
    static inline QString *takesFolder = nullptr;
    static inline QString *reelFolder = nullptr;
};

QJsonObject probe(const QString &path)
{
    return QJsonDocument::fromJson(
                   runTool("ffprobe", {"-v", "error", "-show_streams", "-show_format", "-of", "json", path})
                           .output)
            .object();
}

QJsonObject stream(const QJsonObject &probed, const QString &type)
{
    for (const QJsonValue &s : probed.value("streams").toArray())
        if (s.toObject().value("codec_type").toString() == type)
            return s.toObject();
    return {};
}

// The names of the file's top-level boxes, in order.
QStringList topLevelBoxes(const QString &path)
{
    QFile file(path);
    QStringList boxes;
    if (!file.open(QIODevice::ReadOnly))
        return boxes;
    for (qint64 at = 0; at + 8 <= file.size();) {
        file.seek(at);
        const QByteArray head = file.read(16);
        quint64 size = qFromBigEndian<quint32>(head.constData());
        if (size == 1 && head.size() == 16)
            size = qFromBigEndian<quint64>(head.constData() + 8);
        boxes.append(QString::fromLatin1(head.mid(4, 4)));
        if (size < 8)
            break;
        at += qint64(size);
    }
    return boxes;
}

// Bright pixels of the reel's frame `frame`, counted in bands of rows.
struct FramePixels
{
    qint64 upper = 0; // rows above the lower third
    qint64 caption = 0; // the lower third above the platforms' strip
    qint64 strip = 0; // the bottom 400 rows
};

FramePixels brightPixels(const QString &path, qint64 frame, const QString &png = {})
{
    const QString select = QStringLiteral("select=eq(n\\,%1)").arg(frame);
    const QByteArray gray = runTool("ffmpeg",
                                    {"-v", "error", "-i", path, "-vf", select + ",format=gray", "-frames:v",
                                     "1", "-f", "rawvideo", "-"})
                                    .output;
    if (!png.isEmpty())
        runTool("ffmpeg", {"-v", "error", "-y", "-i", path, "-vf", select, "-frames:v", "1", png});
    FramePixels pixels;
    EXPECT_EQ(gray.size(), 1080 * 1920) << "frame " << frame;
    for (qsizetype i = 0; i < gray.size(); ++i) {
        if (quint8(gray[i]) < 200)
            continue;
        const qsizetype row = i / 1080;
        (row < 1280 ? pixels.upper : row < 1920 - 400 ? pixels.caption : pixels.strip)++;
    }
    return pixels;
}

// The reel's frame showing the take's moment `seconds`.
qint64 reelFrame(const ReelCut &cut, double seconds)
{
    return qint64(std::floor(cut.reelTime(seconds) * 30 + 1e-6));
}

} // namespace

TEST_F(FinishedReelTest, TheFileIsAnUploadReadyReelOfTheTightenedTakeWithCaptions)
{
    const QString output = QDir(*reelFolder).filePath("reel.mp4");
    const FinishedReel finished = plan(output);
    ASSERT_EQ(finished.cues.size(), 2);
    std::atomic<bool> cancelled{false};
    QList<RenderProgress> progress;
    const RenderResult<QString> rendered = ReelRenderer::render(
            finished.cut, finished.cues, output, [&](const RenderProgress &p) { progress.append(p); },
            cancelled);
    ASSERT_TRUE(rendered.ok()) << rendered.errorDetail().toStdString();
    EXPECT_EQ(*rendered, output);
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last().frame, finished.cut.frames);

    const QJsonObject probed = probe(output);
    const QJsonObject v = stream(probed, "video"), a = stream(probed, "audio");
    std::cout << "[ ffprobe ] "
              << QJsonDocument(probed).toJson(QJsonDocument::Compact).left(1500).toStdString() << '\n';
    const struct
    {
        QJsonObject object;
        const char *key;
        QJsonValue expected;
    } fields[] = {
            {v, "codec_name", "h264"},
            {v, "profile", "High"},
            {v, "pix_fmt", "yuv420p"},
            {v, "width", 1080},
            {v, "height", 1920},
            {v, "r_frame_rate", "30/1"},
            {v, "avg_frame_rate", "30/1"},
            {a, "codec_name", "aac"},
            {a, "profile", "LC"},
            {a, "sample_rate", "48000"},
            {a, "channels", 2},
    };
    for (const auto &f : fields)
        EXPECT_EQ(f.object.value(f.key), f.expected) << f.key;
    EXPECT_TRUE(probed.value("format").toObject().value("format_name").toString().contains("mp4"));
    const QStringList boxes = topLevelBoxes(output);
    ASSERT_TRUE(boxes.contains("moov") && boxes.contains("mdat")) << boxes.join(' ').toStdString();
    EXPECT_LT(boxes.indexOf("moov"), boxes.indexOf("mdat"))
            << "the index comes first: " << boxes.join(' ').toStdString();
    // The encoder's own record of its rate control: 10 Mb/s, at most 12.
    QFile file(output);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.contains("bitrate=10000") && bytes.contains("vbv_maxrate=12000"));

    // Every frame of the cut and no other; the sound as long within a frame per cut.
    const qint64 cuts = finished.cut.segments.size();
    EXPECT_GE(finished.cut.segments.size(), 2) << "the long pause around the third beep is cut";
    EXPECT_EQ(v.value("nb_frames").toString().toLongLong(), finished.cut.frames);
    EXPECT_NEAR(a.value("duration").toString().toDouble(), finished.cut.frames / 30.0, cuts / 30.0);

    expectWithinAFrame(offsets(output, output), "finished reel");

    // Captions: in the lower third while a cue shows, nowhere between the
    // cues; never in the platforms' strip at the bottom. Frames are picked
    // where the camera does not flash.
    QDir().mkpath(QStringLiteral(TANDREL_SCREENSHOT_DIR));
    const QList<double> &b = *beeps;
    const FramePixels first = brightPixels(output, reelFrame(finished.cut, b[0] + 0.6),
                                           QStringLiteral(TANDREL_SCREENSHOT_DIR "/finished-reel.png"));
    const FramePixels between = brightPixels(output, reelFrame(finished.cut, b[1] + 0.6));
    const FramePixels second = brightPixels(output, reelFrame(finished.cut, b[3] + 0.6));
    for (const FramePixels &shown : {first, second}) {
        EXPECT_GT(shown.caption, 5000);
        EXPECT_EQ(shown.upper, 0);
        EXPECT_EQ(shown.strip, 0);
    }
    EXPECT_EQ(between.caption + between.upper + between.strip, 0);
}

// The nice value of each thread of this process, by thread id.
QMap<int, int> threadNiceValues()
{
    QMap<int, int> nice;
    for (const QString &tid :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(tid));
        if (!stat.open(QIODevice::ReadOnly))
            continue; // the thread has ended
        // The command name in parentheses may hold spaces; the fields after it
        // do not. The nice value is the 19th field, the 17th after it.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 16)
            nice.insert(tid.toInt(), fields[16].toInt());
    }
    return nice;
}

TEST_F(FinishedReelTest, ACancelledOrFailedRenderLeavesNoFile)
{
    QTemporaryDir out;
    const QString output = QDir(out.path()).filePath("reel.mp4");
    const FinishedReel finished = plan(output);

    std::atomic<bool> cancelled{false};
    std::atomic<qint64> frame{0};
    std::atomic<int> renderTid{0};
    std::optional<RenderResult<QString>> result;
    const QMap<int, int> before = threadNiceValues();
    std::thread render([&] {
        renderTid = gettid();
        result = ReelRenderer::render(
                finished.cut, finished.cues, output, [&](const RenderProgress &p) { frame = p.frame; },
                cancelled);
    });
    const bool started = waitUntil([&] { return frame > 0; }, 120000);
    // The render's own threads run below the caller, which keeps its priority.
    const QMap<int, int> during = threadNiceValues();
    cancelled = true;
    render.join();
    ASSERT_TRUE(started);
    const int callerNice = during.value(renderTid, -100);
    EXPECT_EQ(callerNice, before.value(gettid()));
    qsizetype lowered = 0;
    for (auto t = during.begin(); t != during.end(); ++t)
        if (!before.contains(t.key()) && t.key() != renderTid)
            lowered += t.value() == std::max(callerNice, 10) ? 1 : 0;
    EXPECT_GE(lowered, 3) << "the render's threads are not below the caller's priority";
    ASSERT_TRUE(result);
    EXPECT_EQ(result->error(), RenderError::cancelled);
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());

    // A disk that fills up during the render: a German text, and nothing left behind.
    std::optional<RenderResult<QString>> full;
    {
        FileSizeLimit limit(16 * 1024);
        cancelled = false;
        full = ReelRenderer::render(finished.cut, finished.cues, output, {}, cancelled);
    }
    ASSERT_FALSE(full->ok());
    EXPECT_TRUE(full->error() == RenderError::writeFailed || full->error() == RenderError::diskFull);
    EXPECT_TRUE(renderErrorText(*full).contains(QStringLiteral("fertige Reel")))
            << renderErrorText(*full).toStdString();
    EXPECT_EQ(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}

TEST_F(FinishedReelTest, TandrelctlRendersTheReelIntoItsFolder)
{
    QTemporaryDir home;
    Tandrelctl ctl(home.path(), store->rootPath());
    const struct
    {
        QStringList args;
        int exitCode;
        const char *err;
    } refused[] = {
            {{"render"}, 2, "Aufruf: tandrelctl render NUMMER"},
            {{"render", "1", "--take", "0"}, 2, "Aufruf"},
            {{"render", "1", "--take", "2"}, 1, "Reel 001 hat nur einen Take."},
            {{"render", "9"}, 1, "Kein Reel mit der Nummer 009."},
    };
    for (const auto &r : refused) {
        const CtlRun run = ctl.run(r.args);
        EXPECT_EQ(run.exitCode, r.exitCode) << r.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(r.err))) << run.err.toStdString();
    }

    // The library's take has the intervals the recorder measured and no words yet.
    const CtlRun run = ctl.run({"--json", "render", "1"}, {}, 600000);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString expected = QDir(*reelFolder).filePath("001 Sync.mp4");
    EXPECT_EQ(QJsonDocument::fromJson(run.out.toUtf8()).object().value("file").toString(), expected);
    EXPECT_TRUE(run.err.contains(QStringLiteral("ohne Untertitel"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("Rendern: 100 %"))) << run.err.toStdString();
    const Take stored = store->reels().first().takes.first();
    const RenderResult<ReelCut> cut = ReelCut::build(stored, *takesFolder, RenderOptions());
    ASSERT_TRUE(cut.ok());
    EXPECT_EQ(probeStream(expected, "v").frames, cut->frames);
}
