#pragma once

#include "capture/media_writer.h"

#include <gst/video/video.h>

namespace tandrel {

// The take's video file: 1080 × 1920 I420 frames encoded as H.264 High at an
// average 12 Mb/s into a QuickTime movie of constant frame rate. The movie's
// index is rewritten into reserved header space every second, so that a
// file whose process dies stays playable up to about a second before; a
// normally finished file is an ordinary movie.
//
// Frames lie on a fixed grid of FrameRate a second from the start of the
// take: frame n shows from n / FrameRate s on, and the track's time base
// (FrameRate × 100 units a second) holds that duration exactly. A captured
// picture takes the grid frame nearest its time; a grid frame no picture
// reached repeats the last one (a late camera frame, a still screen that
// sends nothing), a picture whose grid frame is taken already is dropped
// (an early camera frame). Both are counted.
class VideoFileWriter : public MediaWriter
{
public:
    static constexpr int BitRateKbps = 12000;
    // x264 preset, chosen by measurement on a two-core machine (see the
    // recording benchmark): "ultrafast" with CABAC, 8×8 transforms and the
    // deblocking filter turned back on. Without the first two ultrafast falls
    // to Constrained Baseline; with them the stream is High profile at about
    // 40 % of superfast's and 20 % of veryfast's CPU time on camera-like
    // (noisy) pictures, which leaves the second core to capture, teleprompter
    // and recogniser. It uses no B-frames and no look-ahead, so the encoder
    // holds few frames and a killed take loses little.
    static constexpr const char *SpeedPreset = "ultrafast";
    static constexpr const char *EncoderOptions = "cabac=1:8x8dct=1:deblock=0,0";
    static constexpr int FrameRate = 30;
    static constexpr int Timescale = FrameRate * 100;
    // Frames waiting for the encoder before the writer reports not ready.
    // Repeats are queued past it: they share the pixels of their picture,
    // and the grid has no gaps.
    static constexpr guint64 MaxQueuedFrames = 4;
    // Frames the buffer pool may hand out at once: those queued, those the
    // encoder holds for its look-ahead and threads, and one being rendered.
    static constexpr guint PoolSize = 20;
    // Takes end at MaxTakeSeconds (TakeRecorder stops them there); the
    // index space reserved in the header covers five minutes more, so that a
    // take stopped at the limit never runs out of it. A writer whose
    // reservation runs out fails, and its file keeps what the last rewrite
    // of the index covers.
    static constexpr guint64 MaxTakeSeconds = 3600;
    static constexpr guint64 ReservedSeconds = MaxTakeSeconds + 300;
    // Header bytes reserved per second for the index of up to 60 frames a
    // second. The muxer keeps two copies: 2 × 3900 × 600 bytes, 4.7 MB of
    // header room in every file.
    static constexpr guint ReservedBytesPerSecond = 600;

    // A writer for a new file at `path`, opened but not started, whose index
    // space covers `reservedSeconds`. Other encoder settings than the
    // defaults are for measurements.
    static Result<std::shared_ptr<VideoFileWriter>, CaptureNotice>
    create(const QString &path, guint64 reservedSeconds = ReservedSeconds, const char *preset = SpeedPreset,
           const char *options = EncoderOptions);
    ~VideoFileWriter() override;

    // Pool of output frames for the renderer; active from the start of
    // writing on, none before.
    GstBufferPool *pixelBufferPool() const;
    // Appends `frame` (owned), captured `time` seconds after the start of
    // the take, on the grid frame nearest that time; the grid frames before
    // it that no picture reached repeat the previous picture, or this one
    // when it is the first (so that the movie starts with the take). The
    // first frame's `colorimetry` is written into the stream for all; later
    // ones cannot change it. True when the writer took the frame; false when
    // its grid frame is taken already (a drop) or the writer cannot take it.
    // `pastQueueLimit` takes the picture even when the writer's queue is
    // full, as a repeat would be.
    bool appendFrame(GstBuffer *frame, double time, const GstVideoColorimetry &colorimetry,
                     bool pastQueueLimit = false);
    // A picture captured at `time` that was not rendered because the writer
    // was busy: counted as dropped; the grid up to it repeats the last picture.
    void dropFrame(double time);
    // Repeats the last picture on every grid frame before `frames`, whatever
    // the queue holds: the end of a take. Nothing before the first picture.
    void extendTo(qint64 frames);

    // Grid frames written so far, repeats among them, and pictures dropped.
    qint64 frames() const { return m_nextFrame; }
    qint64 repeatedFrames() const { return m_repeated; }
    qint64 droppedFrames() const { return m_dropped; }
    // The grid frame nearest `time` seconds.
    static qint64 gridFrame(double time);

protected:
    void onStarted() override;

private:
    VideoFileWriter(GstElement *pipeline, GstAppSrc *source, const QString &path);
    void setCaps(const GstVideoColorimetry &colorimetry);

    // Pushes `frame` (owned) as grid frame m_nextFrame.
    bool pushFrame(GstBuffer *frame, bool pastQueueLimit);
    // Repeats the last picture on the grid frames before `frame`.
    void repeatUntil(qint64 frame);

    GstBufferPool *m_pool = nullptr;
    std::atomic<bool> m_poolActive{false};
    // The thread that appends, one at a time
    GstBuffer *m_last = nullptr; // the picture of the latest grid frame
    qint64 m_nextFrame = 0;
    qint64 m_repeated = 0;
    qint64 m_dropped = 0;
};

} // namespace tandrel
