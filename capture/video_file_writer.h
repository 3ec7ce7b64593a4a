#pragma once

#include "capture/media_writer.h"

#include <gst/video/video.h>

namespace tandrel {

// The take's video file: 1080 × 1920 I420 frames encoded as H.264 High at an
// average 12 Mb/s into a QuickTime movie. The movie's index is rewritten
// into reserved header space every second, so that a file whose process
// dies stays playable up to about a second before; a normally finished file
// is an ordinary movie.
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
    // Frames waiting for the encoder before the writer reports not ready.
    static constexpr guint64 MaxQueuedFrames = 4;
    // Most copies of the first frame that stand for the time before it.
    static constexpr guint64 MaxLeadFrames = 60;
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
    static Result<std::shared_ptr<VideoFileWriter>> create(const QString &path,
                                                           guint64 reservedSeconds = ReservedSeconds,
                                                           const char *preset = SpeedPreset,
                                                           const char *options = EncoderOptions);
    ~VideoFileWriter() override;

    // Pool of output frames for the renderer; active from the start of
    // writing on, none before.
    GstBufferPool *pixelBufferPool() const;
    // Appends `frame` (owned) at `time` seconds from the start of the take.
    // Frames not after the previous one are dropped (the encoder needs
    // increasing times). The first frame's `colorimetry` is written into the
    // stream for all; later ones cannot change it. When the first frame comes
    // after the start (the take began with audio), it also stands for the
    // time before it, so that the movie starts with the take. True when the
    // writer took the frame.
    bool appendFrame(GstBuffer *frame, double time, const GstVideoColorimetry &colorimetry);

protected:
    void onStarted() override;

private:
    VideoFileWriter(GstElement *pipeline, GstAppSrc *source, const QString &path);
    void setCaps(const GstVideoColorimetry &colorimetry);

    GstBufferPool *m_pool = nullptr;
    std::atomic<bool> m_poolActive{false};
    GstClockTime m_lastTime = GST_CLOCK_TIME_NONE;
    GstClockTime m_lastDuration = GST_SECOND / 30;
};

} // namespace tandrel
