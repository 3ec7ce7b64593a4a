#pragma once

#include <QSize>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

// A green picture published into PipeWire as a video source node, as a
// compositor publishes a shared monitor. Unlike pipewiresink it can change its
// size while consumers are linked: the new size is offered as the stream's
// only format, and the link renegotiates as it does when a real monitor
// changes its resolution.
class PatternStream
{
public:
    explicit PatternStream(const char *nodeName, QSize size);
    ~PatternStream();
    PatternStream(const PatternStream &) = delete;
    PatternStream &operator=(const PatternStream &) = delete;

    bool isConnected() const { return m_stream != nullptr; }
    void setSize(QSize size);

private:
    static void onParamChanged(void *self, uint32_t id, const struct spa_pod *param);
    static void onProcess(void *self);
    void offerFormat(); // with the loop locked

    pw_thread_loop *m_loop = nullptr;
    pw_context *m_context = nullptr;
    pw_core *m_core = nullptr;
    pw_stream *m_stream = nullptr;
    struct Listener;
    Listener *m_listener = nullptr;
    // pipewire's loop thread only, or with the loop locked
    QSize m_offered;
    QSize m_negotiated;
    quintptr m_generation = 1; // buffers painted for another format are painted anew
};
