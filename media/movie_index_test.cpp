#include "media/movie_index.h"

#include "tests/support/run_tool.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <cerrno>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

bool gstLaunch(const QString &pipeline)
{
    return runTool("gst-launch-1.0", QStringList{"-q"} + pipeline.split(' ', Qt::SkipEmptyParts)).exitCode
            == 0;
}

// 45 frames at 30 fps on a 1/3000 time base, as the take's video writer
// writes them.
QString writeVideo(const QTemporaryDir &dir)
{
    const QString path = dir.filePath("v.mov");
    EXPECT_TRUE(gstLaunch("videotestsrc num-buffers=45 ! video/x-raw,width=64,height=128,framerate=30/1"
                          " ! x264enc speed-preset=ultrafast ! qtmux trak-timescale=3000 movie-timescale=3000"
                          " ! filesink location="
                          + path));
    return path;
}

// One second of sound in AAC on a 1/48000 time base, as the take's audio
// writer writes it.
QString writeAudio(const QTemporaryDir &dir)
{
    const QString path = dir.filePath("a.m4a");
    EXPECT_TRUE(
            gstLaunch("audiotestsrc num-buffers=30 samplesperbuffer=1600 ! audio/x-raw,rate=48000,channels=1"
                      " ! avenc_aac ! mp4mux trak-timescale=48000 movie-timescale=48000 ! filesink location="
                      + path));
    return path;
}

// Samples ffmpeg decodes from the file, as a player does (edit list applied).
qint64 decodedSamples(const QString &path)
{
    return runTool("ffmpeg", {"-v", "error", "-i", path, "-f", "f32le", "-ac", "1", "-"}).output.size() / 4;
}

} // namespace

TEST(MovieIndex, ReadsTheFramesOfAMovieAndTheSamplesOfASoundFile)
{
    QTemporaryDir dir;
    const auto video = MovieIndex::read(writeVideo(dir));
    ASSERT_TRUE(video.ok()) << int(video.error().kind);
    const auto v = video->track(MovieTrack::Kind::video);
    ASSERT_TRUE(v);
    EXPECT_FALSE(video->track(MovieTrack::Kind::audio));
    EXPECT_EQ(v->timescale, 3000u);
    EXPECT_EQ(v->samples, 45);
    EXPECT_TRUE(v->constantDuration);
    EXPECT_EQ(v->sampleDuration, 100);
    EXPECT_EQ(v->presentedDuration, 4500);

    const auto audio = MovieIndex::read(writeAudio(dir));
    ASSERT_TRUE(audio.ok()) << int(audio.error().kind);
    const auto a = audio->track(MovieTrack::Kind::audio);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->timescale, 48000u);
    EXPECT_EQ(a->mediaStart, 0);
    EXPECT_EQ(a->presentedDuration, a->mediaDuration);
    EXPECT_GE(a->mediaDuration, 48000);
}

// An encoder's priming skipped by the edit list: a player decodes that many
// samples fewer, and the index reads the shorter length.
TEST(MovieIndex, AnEditListSkipsTheLeadingSamplesOfASoundFile)
{
    QTemporaryDir dir;
    const QString path = writeAudio(dir);
    const qint64 before = decodedSamples(path);
    const MovieTrack original = *MovieIndex::read(path)->track(MovieTrack::Kind::audio);

    const auto skipped = MovieIndex::skipLeadingAudio(path, 1024);
    ASSERT_TRUE(skipped.ok()) << int(skipped.error().kind);
    const MovieTrack edited = *MovieIndex::read(path)->track(MovieTrack::Kind::audio);
    EXPECT_EQ(edited.mediaStart, 1024);
    EXPECT_EQ(edited.presentedDuration, original.mediaDuration - 1024);
    EXPECT_EQ(decodedSamples(path), before - 1024);
}

TEST(MovieIndex, RefusesFilesItCannotReadOrEdit)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("notes.txt");
    ASSERT_TRUE(writeFile(text, QByteArray(4096, 'x')));
    const QString video = writeVideo(dir);
    const QString audio = writeAudio(dir);
    ASSERT_TRUE(MovieIndex::skipLeadingAudio(audio, 1024).ok());
    using Kind = MediaFailure::Kind;
    const struct
    {
        const char *what;
        std::function<MediaFailure()> failure;
        Kind kind;
    } cases[] = {
            {"no index", [&] { return MovieIndex::read(text).error(); }, Kind::movieNoIndex},
            {"a missing file", [&] { return MovieIndex::read(dir.filePath("gone.mov")).error(); },
             Kind::unreadable},
            {"no sound to edit", [&] { return MovieIndex::skipLeadingAudio(video, 1024).error(); },
             Kind::movieNoAudioEdit},
            // A second edit would skip sound that was recorded.
            {"an edit list that skips already",
             [&] { return MovieIndex::skipLeadingAudio(audio, 1024).error(); }, Kind::movieNoAudioEdit},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.failure().kind, c.kind) << c.what;
    EXPECT_EQ(MovieIndex::read(dir.filePath("gone.mov")).error().cause.code, ENOENT);
}
