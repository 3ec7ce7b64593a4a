#pragma once

#include <QSize>

struct pw_thread_loop;
struct pw_context;
struct pw_core;
struct pw_stream;

// A picture of one colour (green at first) published into PipeWire as a
// video source node, as a compositor publishes a shared monitor. Unlike
// pipewiresink it can change its size while consumers are linked: the new
// size is offered as the stream's only format, and the link renegotiates as
// it does when a real monitor changes its resolution.
class PatternStream
{
public:
    // When a picture is sent: every cycle of the graph, only after the
    // picture has changed (as a compositor sends a monitor's pictures), or
    // never.
    enum class Sending { everyCycle, onChange, never };

    explicit PatternStream(const char *nodeName, QSize size);
    ~PatternStream();
    PatternStream(const PatternStream &) = delete;
    PatternStream &operator=(const PatternStream &) = delete;

    bool isConnected() const { return m_stream != nullptr; }
    void setSize(QSize size);
    void setSending(Sending sending);
    // The picture changes to this colour (also a change when it is the same).
    void setColour(quint8 red, quint8 green, quint8 blue);

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
    quintptr m_generation = 1; // buffers painted for another format or colour are painted anew
    Sending m_sending = Sending::everyCycle;
    bool m_changed = true; // a picture waits to be sent
    quint8 m_colour[4] = {0x40, 0xc0, 0x20, 0xff}; // B, G, R, x
};
