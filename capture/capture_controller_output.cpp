#include "capture/capture_controller.h"

#include "platform/main_thread.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

namespace tandrel {

namespace {

constexpr double cameraPreviewInterval = 1.0 / 30.0;
constexpr double screenPreviewInterval = 1.0 / 24.0;

SampleFormat sampleFormatOf(const GstAudioInfo &info)
{
    switch (GST_AUDIO_INFO_FORMAT(&info)) {
    case GST_AUDIO_FORMAT_F32LE:
        return SampleFormat::Float32;
    case GST_AUDIO_FORMAT_S16LE:
        return SampleFormat::Int16;
    default:
        return SampleFormat::Other;
    }
}

} // namespace

// On outputQueue.
void CaptureController::handleCameraFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_outputQueue->isCurrent());
    if (m_shuttingDown)
        return;
    // The size actually negotiated can differ from the one asked for.
    if (frame.width() != m_lastCameraWidth || frame.height() != m_lastCameraHeight) {
        m_lastCameraWidth = frame.width();
        m_lastCameraHeight = frame.height();
        const double aspect = double(frame.width()) / frame.height();
        runOnMain(this, [this, aspect] {
            if (!m_usesScreenPreview)
                setPreviewAspect(aspect);
        });
    }
    postPreview(frame, cameraPreviewInterval);
    recordVideoFrame(frame);
}

// On outputQueue.
void CaptureController::handleScreenFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_outputQueue->isCurrent());
    if (m_shuttingDown)
        return;
    updateScreenPreview(frame);
    recordVideoFrame(frame);
}

// On outputQueue: the screen preview shows at most 24 pictures a second;
// recording is not throttled.
void CaptureController::updateScreenPreview(const VideoFrame &frame)
{
    if (!m_screenPreviewActive && !m_screenSelected)
        return;
    postPreview(frame, screenPreviewInterval);
}

// On outputQueue. The picture shares the frame's pixels; while the main
// thread has not taken the previous one, newer ones are skipped rather than
// queued behind it.
void CaptureController::postPreview(const VideoFrame &frame, double minimumInterval)
{
    const auto now = std::chrono::steady_clock::now();
    if (std::chrono::duration<double>(now - m_lastPreviewAt).count() < minimumInterval)
        return;
    m_lastPreviewAt = now;
    if (m_previewPending.exchange(true))
        return;
    runOnMain(this, [this, image = frame.image()] {
        m_previewPending = false;
        emit previewFrame(image);
    });
}

// On outputQueue: the tap first, for every buffer, then recording.
void CaptureController::handleAudioSample(GstSample *sample, double captureTime)
{
    Q_ASSERT(m_outputQueue->isCurrent());
    if (m_shuttingDown)
        return;
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *gstBuffer = gst_sample_get_buffer(sample);
    GstAudioInfo info;
    if (!caps || !gstBuffer || !gst_audio_info_from_caps(&info, caps) || GST_AUDIO_INFO_BPF(&info) <= 0)
        return;
    GstMapInfo map;
    if (!gst_buffer_map(gstBuffer, &map, GST_MAP_READ))
        return;
    AudioBuffer buffer;
    buffer.format = {GST_AUDIO_INFO_RATE(&info), GST_AUDIO_INFO_CHANNELS(&info), sampleFormatOf(info)};
    buffer.data = QByteArray(reinterpret_cast<const char *>(map.data), qsizetype(map.size));
    buffer.frames = qint64(map.size) / GST_AUDIO_INFO_BPF(&info);
    buffer.time = captureTime;
    gst_buffer_unmap(gstBuffer, &map);

    if (const AudioTap tap = m_audioTapLock.get())
        tap(buffer);
    recordAudioBuffer(buffer);
}

} // namespace tandrel
