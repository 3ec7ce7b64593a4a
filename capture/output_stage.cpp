#include "capture/output_stage.h"

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

OutputStage::OutputStage(QObject *context, Handlers handlers)
    : m_context(context), m_handlers(std::move(handlers)),
      m_queue(std::make_unique<SerialQueue>("capture.output"))
{ }

OutputStage::~OutputStage()
{
    m_shuttingDown = true;
    m_queue.reset();
}

void OutputStage::forgetCameraSize()
{
    m_queue->post([this] { m_cameraSize = {}; });
}

std::optional<double> OutputStage::FrameSize::changedAspect(const VideoFrame &frame)
{
    if (frame.width() == width && frame.height() == height)
        return std::nullopt;
    width = frame.width();
    height = frame.height();
    return height > 0 ? std::optional(double(width) / height) : std::nullopt;
}

// On the output queue.
void OutputStage::handleCameraFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_queue->isCurrent());
    if (m_shuttingDown)
        return;
    // The size actually negotiated can differ from the one asked for.
    if (const std::optional<double> aspect = m_cameraSize.changedAspect(frame))
        runOnMain(m_context, [this, aspect = *aspect] { m_handlers.cameraAspect(aspect); });
    postPreview(frame, cameraPreviewInterval);
    m_handlers.videoFrame(frame);
}

void OutputStage::setScreenSelected(bool value)
{
    m_screenSelected = value;
    m_queue->post([this] {
        m_screenSize = {};
        if (m_handlers.videoSourceChanged)
            m_handlers.videoSourceChanged();
    });
}

// On the output queue. The size a screen stream reports at its start is the
// display's as last known; a portal's monitor may have changed its
// resolution since, so the frames have the last word.
void OutputStage::handleScreenFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_queue->isCurrent());
    if (m_shuttingDown)
        return;
    if (const std::optional<double> aspect = m_screenSize.changedAspect(frame);
        aspect && m_handlers.screenAspect)
        runOnMain(m_context, [this, aspect = *aspect] { m_handlers.screenAspect(aspect); });
    updateScreenPreview(frame);
    m_handlers.videoFrame(frame);
}

// On the output queue: the screen preview shows at most 24 pictures a second;
// recording is not throttled.
void OutputStage::updateScreenPreview(const VideoFrame &frame)
{
    if (!m_screenPreviewActive && !m_screenSelected)
        return;
    postPreview(frame, screenPreviewInterval);
}

// On the output queue. The picture shares the frame's pixels; while the main
// thread has not taken the previous one, newer ones are skipped rather than
// queued behind it.
void OutputStage::postPreview(const VideoFrame &frame, double minimumInterval)
{
    const auto now = std::chrono::steady_clock::now();
    if (std::chrono::duration<double>(now - m_lastPreviewAt).count() < minimumInterval)
        return;
    m_lastPreviewAt = now;
    if (m_previewPending.exchange(true))
        return;
    runOnMain(m_context, [this, image = frame.image()] {
        m_previewPending = false;
        m_handlers.previewFrame(image);
    });
}

// On the output queue: the tap first, for every buffer, then recording.
void OutputStage::handleAudioSample(GstSample *sample, double captureTime)
{
    Q_ASSERT(m_queue->isCurrent());
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

    if (const AudioTap tap = m_audioTapCell.get())
        tap(buffer);
    m_handlers.audioBuffer(buffer);
}

} // namespace tandrel
