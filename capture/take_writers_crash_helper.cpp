// Writes a take's two files in real time until killed: 30 frames and 48 000
// audio frames per second for the given number of seconds. Prints "writing"
// once both writers run. The crash-safety test kills it with SIGKILL.

#include "capture/audio_file_writer.h"
#include "capture/portrait_renderer.h"
#include "capture/test_frames.h"
#include "capture/video_file_writer.h"

#include <QDir>

#include <chrono>
#include <cstdio>
#include <future>
#include <thread>

using namespace tandrel;

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    gst_init(nullptr, nullptr);
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const double seconds = atof(argv[2]);
    auto video = VideoFileWriter::create(dir.filePath(QStringLiteral("killed-video.mov")));
    auto audio = AudioFileWriter::create(dir.filePath(QStringLiteral("killed-audio.m4a")));
    if (!video.ok() || !audio.ok() || !(*video)->startWriting() || !(*audio)->startWriting())
        return 1;
    testing::TestCameraFrame source(20);
    PortraitRenderer renderer;
    const GstVideoColorimetry colorimetry = PortraitRenderer::outputColorimetry(source.frame().info);
    std::printf("writing\n");
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    long frames = 0, audioFrames = 0;
    for (;;) {
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (now >= seconds)
            break;
        for (; frames / 30.0 <= now; ++frames)
            if (GstBuffer *f = renderer.renderPortraitFrame(source.frame(), 0.5, false, false,
                                                            (*video)->pixelBufferPool()))
                (*video)->appendFrame(f, frames / 30.0, colorimetry);
        for (; audioFrames / 48000.0 <= now; audioFrames += 1024)
            (*audio)->appendBuffer(testing::sineBuffer(48000, 1, audioFrames, 1024, audioFrames / 48000.0),
                                   audioFrames / 48000.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::promise<void> a, b;
    (*video)->finishWriting([&] { a.set_value(); });
    (*audio)->finishWriting([&] { b.set_value(); });
    a.get_future().wait();
    b.get_future().wait();
    return 0;
}
