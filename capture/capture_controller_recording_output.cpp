#include "capture/capture_controller.h"

#include "capture/audio_file_writer.h"
#include "media/audio_level.h"
#include "capture/portrait_renderer.h"
#include "capture/video_file_writer.h"

#include <cmath>

// The output-queue half of take recording: every camera or screen frame and
// every microphone buffer that arrives while the gate is open goes into the
// take's files; microphone levels feed the speech activity tracker.

namespace tandrel {

namespace {

// Frames arrive as 32-bit BGRA rows, which the renderer converts with BT.601.
const GstVideoColorimetry &bgraColorimetry()
{
    static const GstVideoColorimetry colorimetry = [] {
        GstVideoInfo info;
        gst_video_info_set_format(&info, GST_VIDEO_FORMAT_BGRA, 16, 16);
        return PortraitRenderer::outputColorimetry(info);
    }();
    return colorimetry;
}

} // namespace

// Output queue. A take holds what was captured between its start and its
// stop, whenever it arrives: samples captured before the start that arrive
// late are left out; while a stop lets late samples in, those captured
// before it still count, and the first one captured after it tells the stop
// that its source is through.
bool CaptureController::belongsToTake(double time, std::atomic<bool> &pastStop)
{
    if (m_recordingActive.load(std::memory_order_acquire))
        return time >= m_takeCaptureStart.load(std::memory_order_relaxed);
    if (!m_takingLateSamples.load(std::memory_order_acquire))
        return false;
    if (time < m_lateSamplesBefore.load(std::memory_order_relaxed))
        return time >= m_takeCaptureStart.load(std::memory_order_relaxed);
    pastStop.store(true, std::memory_order_release);
    return false;
}

// Output queue. Both files begin at the time of the take's first sample,
// whichever kind it is.
void CaptureController::startWritingIfNeeded(double time)
{
    if (m_sessionStartTime)
        return;
    m_sessionStartTime = time;
    if (m_videoWriter && m_videoWriter->status() == MediaWriter::Status::Unknown)
        m_videoWriter->startWriting();
    if (m_audioWriter && m_audioWriter->status() == MediaWriter::Status::Unknown)
        m_audioWriter->startWriting();
}

// Output queue, for camera and screen frames alike.
void CaptureController::recordVideoFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_outputQueue->isCurrent());
    const double t = frame.time();
    if (!belongsToTake(t, m_videoPastStop))
        return;
    startWritingIfNeeded(t);
    // Late frames are dropped, not queued: the writer takes media in real time.
    if (!m_videoWriter || !m_videoWriter->isReadyForMoreMediaData() || frame.isNull())
        return;
    if (!m_renderer) // made once, on the first frame ever recorded
        m_renderer = std::make_shared<PortraitRenderer>();
    const double cropOffset = m_cropOffsetLocked.get();
    const VideoFlip flip = m_flipLock.get();
    GstBuffer *rendered = m_renderer->renderPortraitFrame(
            PortraitSource::packed(GST_VIDEO_FORMAT_BGRA, frame.width(), frame.height(), frame.data(),
                                   frame.stride()),
            cropOffset, flip.horizontal, flip.vertical, m_videoWriter->pixelBufferPool());
    if (!rendered)
        return;
    if (m_videoWriter->appendFrame(rendered, t - *m_sessionStartTime, bgraColorimetry()))
        m_videoFrameCount.fetch_add(1, std::memory_order_relaxed);
}

// Output queue, after the audio tap has had the buffer.
void CaptureController::recordAudioBuffer(const AudioBuffer &buffer)
{
    Q_ASSERT(m_outputQueue->isCurrent());
    const double t = buffer.time;
    if (!belongsToTake(t, m_audioPastStop))
        return;
    startWritingIfNeeded(t);
    feedSpeechActivity(buffer, t);
    if (m_audioWriter && m_audioWriter->isReadyForMoreMediaData()
        && m_audioWriter->appendBuffer(buffer, t - *m_sessionStartTime))
        m_audioBufferCount.fetch_add(1, std::memory_order_relaxed);
}

// Output queue. The tracker gets the buffer's own time from the start of
// the take, never below zero; only the latest time never goes back.
void CaptureController::feedSpeechActivity(const AudioBuffer &buffer, double time)
{
    const std::optional<float> level = audioLevel(buffer);
    if (!level)
        return;
    double takeTime = m_sessionStartTime ? time - *m_sessionStartTime : 0;
    if (!std::isfinite(takeTime))
        return;
    std::lock_guard lock(m_speechLock);
    if (!m_speech.active)
        return;
    takeTime = std::max(takeTime, 0.0);
    m_speech.lastTime = std::max(m_speech.lastTime, takeTime);
    m_speech.tracker.process(*level, takeTime);
}

} // namespace tandrel
