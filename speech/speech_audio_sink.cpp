#include "speech/speech_audio_sink.h"

#include "speech/audio_converter.h"

namespace tandrel {

namespace {

bool isReadable(const AudioBuffer &buffer)
{
    const AudioFormat &f = buffer.format;
    return f.sampleRate > 0 && f.channels > 0 && f.bytesPerFrame() > 0 && buffer.frames > 0
            && buffer.data.size() >= buffer.frames * f.bytesPerFrame();
}

} // namespace

SpeechAudioSink::SpeechAudioSink() = default;
SpeechAudioSink::~SpeechAudioSink() = default;

void SpeechAudioSink::prepareAnalyzer(const AudioFormat &format,
                                      std::shared_ptr<SpeechInputStream> continuation)
{
    std::lock_guard lock(m_mutex);
    m_state.targetFormat = format;
    m_state.continuation = std::move(continuation);
    m_state.legacyAppend = nullptr;
    m_state.converter.reset();
}

void SpeechAudioSink::prepareLegacy(AudioTap legacyAppend)
{
    std::lock_guard lock(m_mutex);
    m_state.targetFormat.reset();
    m_state.continuation.reset();
    m_state.legacyAppend = std::move(legacyAppend);
    m_state.converter.reset();
}

void SpeechAudioSink::reset()
{
    std::shared_ptr<SpeechInputStream> taken;
    {
        std::lock_guard lock(m_mutex);
        taken = std::move(m_state.continuation);
        m_state.continuation.reset();
        m_state.legacyAppend = nullptr;
        m_state.converter.reset();
    }
    if (taken)
        taken->finish();
}

int SpeechAudioSink::convertersCreated() const
{
    std::lock_guard lock(m_mutex);
    return m_state.convertersCreated;
}

void SpeechAudioSink::append(const AudioBuffer &buffer)
{
    AudioTap legacy;
    std::shared_ptr<SpeechInputStream> stream;
    std::optional<SpeechChunk> chunk;
    {
        std::lock_guard lock(m_mutex);
        legacy = m_state.legacyAppend;
        if (!legacy) {
            if (!m_state.continuation || !m_state.targetFormat || !isReadable(buffer))
                return;
            chunk = convertLocked(buffer);
            stream = m_state.continuation;
        }
    }
    if (legacy) {
        legacy(buffer);
        return;
    }
    // Yielding after the lock is released keeps the capture queue from
    // waiting on the stream's own lock while the main thread holds ours; the
    // stream stays in order because `append` is only called from one queue.
    if (chunk && stream)
        stream->yield(std::move(*chunk));
}

std::optional<SpeechChunk> SpeechAudioSink::convertLocked(const AudioBuffer &buffer)
{
    const AudioFormat &target = *m_state.targetFormat;
    const qsizetype bytes = qsizetype(buffer.frames * target.bytesPerFrame());
    if (buffer.format == target)
        return SpeechChunk{buffer.data.left(bytes), buffer.time};

    AudioConverter *converter = m_state.converter.get();
    if (!converter || converter->inputFormat() != buffer.format || converter->outputFormat() != target) {
        m_state.converter = AudioConverter::create(buffer.format, target);
        if (!m_state.converter)
            return std::nullopt;
        ++m_state.convertersCreated;
        converter = m_state.converter.get();
    }
    QByteArray converted = converter->convert(buffer.data, buffer.frames);
    if (converted.size() < target.bytesPerFrame())
        return std::nullopt;
    return SpeechChunk{std::move(converted), buffer.time};
}

} // namespace tandrel
