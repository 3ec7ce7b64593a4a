#include "pattern_stream.h"

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

#include <cstring>

struct PatternStream::Listener
{
    spa_hook hook{};
    pw_stream_events events{};
};

PatternStream::PatternStream(const char *nodeName, QSize size) : m_offered(size)
{
    pw_init(nullptr, nullptr);
    m_loop = pw_thread_loop_new("pattern", nullptr);
    m_context = pw_context_new(pw_thread_loop_get_loop(m_loop), nullptr, 0);
    if (pw_thread_loop_start(m_loop) != 0)
        return;
    pw_thread_loop_lock(m_loop);
    m_core = pw_context_connect(m_context, nullptr, 0);
    if (m_core) {
        m_stream = pw_stream_new(
                m_core, nodeName,
                pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_NODE_NAME, nodeName, nullptr));
        m_listener = new Listener;
        m_listener->events.version = PW_VERSION_STREAM_EVENTS;
        m_listener->events.param_changed = &PatternStream::onParamChanged;
        m_listener->events.process = &PatternStream::onProcess;
        pw_stream_add_listener(m_stream, &m_listener->hook, &m_listener->events, this);
        uint8_t buffer[1024];
        spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle rect = SPA_RECTANGLE(uint32_t(size.width()), uint32_t(size.height()));
        const spa_fraction rate = SPA_FRACTION(30, 1);
        spa_video_info_raw info{};
        info.format = SPA_VIDEO_FORMAT_BGRx;
        info.size = rect;
        info.framerate = rate;
        const spa_pod *params[] = {spa_format_video_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
        if (pw_stream_connect(m_stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, PW_STREAM_FLAG_MAP_BUFFERS, params, 1)
            != 0) {
            pw_stream_destroy(m_stream);
            m_stream = nullptr;
        }
    }
    pw_thread_loop_unlock(m_loop);
}

PatternStream::~PatternStream()
{
    pw_thread_loop_stop(m_loop);
    if (m_stream)
        pw_stream_destroy(m_stream);
    if (m_core)
        pw_core_disconnect(m_core);
    pw_context_destroy(m_context);
    pw_thread_loop_destroy(m_loop);
    delete m_listener;
}

void PatternStream::setSize(QSize size)
{
    if (!m_stream)
        return;
    pw_thread_loop_lock(m_loop);
    m_offered = size;
    offerFormat();
    pw_thread_loop_unlock(m_loop);
}

void PatternStream::setSending(Sending sending)
{
    if (!m_stream)
        return;
    pw_thread_loop_lock(m_loop);
    m_sending = sending;
    pw_thread_loop_unlock(m_loop);
}

void PatternStream::setColour(quint8 red, quint8 green, quint8 blue)
{
    if (!m_stream)
        return;
    pw_thread_loop_lock(m_loop);
    m_colour[0] = blue;
    m_colour[1] = green;
    m_colour[2] = red;
    ++m_generation;
    m_changed = true;
    pw_thread_loop_unlock(m_loop);
}

void PatternStream::offerFormat()
{
    uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    spa_video_info_raw info{};
    info.format = SPA_VIDEO_FORMAT_BGRx;
    info.size = SPA_RECTANGLE(uint32_t(m_offered.width()), uint32_t(m_offered.height()));
    info.framerate = SPA_FRACTION(30, 1);
    const spa_pod *params[] = {spa_format_video_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
    pw_stream_update_params(m_stream, params, 1);
}

// On the loop thread: the format agreed with the consumer; buffers follow it.
// They are shared memory (memfd), as a compositor's are: a consumer keeps its
// own mapping of a picture still in use when the buffers are renewed.
void PatternStream::onParamChanged(void *self, uint32_t id, const spa_pod *param)
{
    auto *p = static_cast<PatternStream *>(self);
    if (id != SPA_PARAM_Format || !param)
        return;
    spa_video_info_raw info{};
    if (spa_format_video_raw_parse(param, &info) < 0)
        return;
    p->m_negotiated = QSize(int(info.size.width), int(info.size.height));
    ++p->m_generation;
    p->m_changed = true;
    const int stride = p->m_negotiated.width() * 4;
    uint8_t buffer[1024];
    spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_pod *params[] = {static_cast<const spa_pod *>(spa_pod_builder_add_object(
            &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
            SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
            SPA_PARAM_BUFFERS_size, SPA_POD_Int(stride * p->m_negotiated.height()), SPA_PARAM_BUFFERS_stride,
            SPA_POD_Int(stride), SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)))};
    pw_stream_update_params(p->m_stream, params, 1);
}

// On the loop thread, once per cycle of the graph's driver. A buffer is
// painted once for each format and colour; PipeWire hands the same ones
// round. A cycle without a buffer queued sends no picture.
void PatternStream::onProcess(void *self)
{
    auto *p = static_cast<PatternStream *>(self);
    if (p->m_sending == Sending::never || (p->m_sending == Sending::onChange && !p->m_changed))
        return;
    pw_buffer *b = pw_stream_dequeue_buffer(p->m_stream);
    if (!b)
        return;
    spa_data &d = b->buffer->datas[0];
    const int stride = p->m_negotiated.width() * 4;
    const uint32_t size = uint32_t(stride * p->m_negotiated.height());
    if (d.data && size > 0 && size <= d.maxsize) {
        if (b->user_data != reinterpret_cast<void *>(p->m_generation)) {
            auto *pixels = static_cast<uint8_t *>(d.data);
            for (uint32_t i = 0; i < size; i += 4)
                std::memcpy(pixels + i, p->m_colour, 4);
            b->user_data = reinterpret_cast<void *>(p->m_generation);
        }
        d.chunk->offset = 0;
        d.chunk->stride = stride;
        d.chunk->size = size;
        p->m_changed = false;
    }
    pw_stream_queue_buffer(p->m_stream, b);
}
