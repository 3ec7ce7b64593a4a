#include "capture/media_writer.h"

#include <chrono>

namespace tandrel {

namespace {

QString messageText(GstMessage *message)
{
    GError *error = nullptr;
    gchar *debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    QString text = error ? QString::fromUtf8(error->message) : QString();
    g_clear_error(&error);
    g_free(debug);
    return text;
}

// The system's cause behind the words GLib wrote for it (g_strerror): a
// sink that cannot write reports errno only as these words, last in its
// debug text ("…: File too large").
FileError causeNamedBy(const QString &words)
{
    // Linux numbers its causes below 134.
    for (int code = 1; !words.isEmpty() && code < 134; ++code)
        if (words == QString::fromUtf8(g_strerror(code)))
            return FileError{code};
    return FileError{};
}

// What an error message says about its cause. The muxer names its reserved
// header space.
WriteFailure failureOf(GstMessage *message)
{
    GError *error = nullptr;
    gchar *debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    const QString text = error ? QString::fromUtf8(error->message) : QString();
    const QString details = debug ? QString::fromUtf8(debug) : QString();
    WriteFailure failure;
    if (error && g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NO_SPACE_LEFT)) {
        failure.kind = WriteFailure::Kind::diskFull;
    } else if (error && error->domain == GST_STREAM_ERROR
               && (text.contains(QLatin1String("reserved")) || details.contains(QLatin1String("reserved")))) {
        failure.kind = WriteFailure::Kind::indexFull;
    } else if (error && error->domain == GST_RESOURCE_ERROR && details.contains(QLatin1Char('\n'))) {
        // "Error while writing to file descriptor 7: File too large"
        const QString last
                = details.section(QLatin1Char('\n'), -1).section(QStringLiteral(": "), -1).trimmed();
        failure.cause = causeNamedBy(last);
        if (failure.cause.code == 0)
            failure.detail
                    = g_error_matches(error, GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE) ? last : text;
    } else {
        failure.detail = text;
    }
    g_clear_error(&error);
    g_free(debug);
    return failure;
}

// The first error waiting on the bus, if any: what a refused state change
// left behind.
QString pendingError(GstElement *pipeline)
{
    GstBus *bus = gst_element_get_bus(pipeline);
    GstMessage *message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR);
    QString text = message ? messageText(message) : QString();
    if (message)
        gst_message_unref(message);
    gst_object_unref(bus);
    return text;
}

} // namespace

MediaWriter::MediaWriter(GstElement *pipeline, GstAppSrc *source, QString path, guint64 maxQueuedBuffers)
    : m_pipeline(pipeline), m_source(source), m_path(std::move(path)), m_maxQueuedBuffers(maxQueuedBuffers)
{
    // Failures and the end of the stream are noted on the streaming thread
    // that raises them; everything else is dropped, so the bus never grows.
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_flushing(bus, TRUE); // drops the state changes of the set-up
    gst_bus_set_flushing(bus, FALSE);
    gst_bus_set_sync_handler(bus, &MediaWriter::onBusMessage, this, nullptr);
    gst_object_unref(bus);
}

MediaWriter::~MediaWriter()
{
    waitForFinish();
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    GstBus *bus = gst_element_get_bus(m_pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_source);
    gst_object_unref(m_pipeline);
}

Result<GstElement *, CaptureNotice> MediaWriter::buildPipeline(const char *description, const QString &path,
                                                               bool video)
{
    using R = Result<GstElement *, CaptureNotice>;
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    GError *error = nullptr;
    GstElement *pipeline = gst_parse_launch_full(description, nullptr, GST_PARSE_FLAG_FATAL_ERRORS, &error);
    if (!pipeline || error) {
        g_clear_error(&error);
        if (pipeline)
            gst_object_unref(pipeline);
        return R::failure({.kind = CaptureNotice::Kind::writerNotReady, .video = video});
    }
    GstElement *sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    g_object_set(sink, "location", path.toLocal8Bit().constData(), nullptr);
    gst_object_unref(sink);
    if (gst_element_set_state(pipeline, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        const QString text = pendingError(pipeline);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        return R::failure({.kind = CaptureNotice::Kind::fileNotCreated, .video = video, .detail = text});
    }
    return pipeline;
}

GstBusSyncReply MediaWriter::onBusMessage(GstBus *, GstMessage *message, gpointer data)
{
    auto *self = static_cast<MediaWriter *>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR: {
        self->fail(failureOf(message));
        break;
    }
    case GST_MESSAGE_EOS: {
        std::lock_guard lock(self->m_mutex);
        self->m_endOfStream = true;
        self->m_ended.notify_all();
        break;
    }
    default:
        break;
    }
    gst_message_unref(message);
    return GST_BUS_DROP;
}

void MediaWriter::fail(const WriteFailure &failure)
{
    bool failedWhileWriting = false;
    {
        std::lock_guard lock(m_mutex);
        // A finished or cancelled writer keeps its state.
        Status current = m_status.load();
        while ((current == Status::Unknown || current == Status::Writing)
               && !m_status.compare_exchange_weak(current, Status::Failed)) { }
        if (!m_failure && current != Status::Completed && current != Status::Cancelled) {
            m_failure = failure;
            failedWhileWriting = current == Status::Writing || current == Status::Failed;
        }
        m_ended.notify_all();
    }
    if (failedWhileWriting && m_failureHandler)
        m_failureHandler();
}

std::optional<WriteFailure> MediaWriter::failure() const
{
    std::lock_guard lock(m_mutex);
    return m_failure;
}

bool MediaWriter::startWriting()
{
    if (status() != Status::Unknown)
        return false;
    if (gst_element_set_state(m_pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        fail({WriteFailure::Kind::failed, {}, pendingError(m_pipeline)});
        return false;
    }
    Status expected = Status::Unknown;
    if (!m_status.compare_exchange_strong(expected, Status::Writing))
        return false;
    onStarted();
    return true;
}

bool MediaWriter::acceptsMoreData() const
{
    return status() == Status::Writing
            && gst_app_src_get_current_level_buffers(m_source) < m_maxQueuedBuffers;
}

bool MediaWriter::push(GstBuffer *buffer)
{
    if (!acceptsMoreData()) {
        gst_buffer_unref(buffer);
        return false;
    }
    return gst_app_src_push_buffer(m_source, buffer) == GST_FLOW_OK;
}

bool MediaWriter::pushPastQueueLimit(GstBuffer *buffer)
{
    if (status() != Status::Writing) {
        gst_buffer_unref(buffer);
        return false;
    }
    return gst_app_src_push_buffer(m_source, buffer) == GST_FLOW_OK;
}

bool MediaWriter::waitForEndOfStream()
{
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, m_finishTimeout, [this] {
        return m_endOfStream || status() == Status::Failed;
    }) && m_endOfStream;
}

void MediaWriter::finishWriting(std::function<void()> done)
{
    waitForFinish(); // an earlier finish has ended by now or ends soon
    m_finisher = std::thread([this, done = std::move(done)] {
        if (status() == Status::Writing)
            gst_app_src_end_of_stream(m_source);
        const bool ended = status() == Status::Writing && waitForEndOfStream();
        if (ended) {
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
            Status expected = Status::Writing;
            if (m_status.compare_exchange_strong(expected, Status::Completed))
                onCompleted();
        } else if (status() == Status::Writing) {
            // The file system holds the stream up: what the index covers so
            // far is what the file keeps. Stopping waits for the blocked
            // write, so the take is told first.
            fail({WriteFailure::Kind::finishTimedOut});
            if (done)
                done();
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
            return;
        } else {
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
        }
        if (done)
            done();
    });
}

void MediaWriter::waitForFinish()
{
    if (m_finisher.joinable())
        m_finisher.join();
}

void MediaWriter::cancelWriting()
{
    const Status previous = m_status.exchange(Status::Cancelled);
    if (previous == Status::Completed)
        m_status.store(Status::Completed);
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
}

} // namespace tandrel
