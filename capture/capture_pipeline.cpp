#include "capture/capture_pipeline.h"

#include "capture/gst_support.h"

#include <gst/app/gstappsink.h>

namespace tandrel {

Result<std::shared_ptr<CapturePipeline>, SourceFailure> CapturePipeline::start(GstElement *source,
                                                                               const QString &conversion,
                                                                               bool video, Handlers handlers,
                                                                               int startTimeoutMs)
{
    ensureGstInitialized();
    using R = Result<std::shared_ptr<CapturePipeline>, SourceFailure>;
    if (!source)
        return R::failure({SourceFailure::Kind::notOpened});
    gst_object_ref_sink(source);

    GError *parseError = nullptr;
    GstElement *chain = gst_parse_bin_from_description(conversion.toUtf8().constData(), TRUE, &parseError);
    if (!chain) {
        gst_object_unref(source);
        const QString text = parseError ? QString::fromUtf8(parseError->message) : QString();
        g_clear_error(&parseError);
        return R::failure({SourceFailure::Kind::reported, text});
    }
    GstElement *sink = gst_element_factory_make("appsink", nullptr);

    std::shared_ptr<CapturePipeline> self(new CapturePipeline);
    self->m_handlers = std::move(handlers);
    self->m_pipeline = gst_pipeline_new(nullptr);
    gst_pipeline_use_clock(GST_PIPELINE(self->m_pipeline), sharedCaptureClock());
    gst_bin_add_many(GST_BIN(self->m_pipeline), source, chain, sink, nullptr);
    gst_object_unref(source); // the bin holds it now

    // Late pictures are dropped rather than queued; sound is never dropped.
    g_object_set(sink, "sync", FALSE, "emit-signals", FALSE, nullptr);
    if (video)
        g_object_set(sink, "max-buffers", 1, "drop", TRUE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink *s, gpointer p) -> GstFlowReturn {
        return GstFlowReturn(onNewSample(GST_ELEMENT(s), p));
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, self.get(), nullptr);

    GstBus *bus = gst_pipeline_get_bus(GST_PIPELINE(self->m_pipeline));
    gst_bus_set_sync_handler(
            bus, [](GstBus *b, GstMessage *m, gpointer p) { return GstBusSyncReply(onBusMessage(b, m, p)); },
            self.get(), nullptr);
    gst_object_unref(bus);

    if (self->m_handlers.onDeviceMoved)
        self->watchDevice(source);
    if (!gst_element_link_many(source, chain, sink, nullptr)) {
        self->stop();
        return R::failure({SourceFailure::Kind::notLinked});
    }
    GstStateChangeReturn ret = gst_element_set_state(self->m_pipeline, GST_STATE_PLAYING);
    if (ret == GST_STATE_CHANGE_ASYNC)
        ret = gst_element_get_state(self->m_pipeline, nullptr, nullptr,
                                    GstClockTime(startTimeoutMs) * GST_MSECOND);
    std::optional<SourceFailure> error;
    {
        // Errors before this point fail the start; later ones go to onError.
        std::lock_guard lock(self->m_errorLock);
        error = self->m_firstError;
        self->m_running = ret != GST_STATE_CHANGE_FAILURE && !error;
    }
    if (!self->m_running) {
        self->stop();
        return R::failure(error.value_or(SourceFailure{SourceFailure::Kind::notStarted}));
    }
    return self;
}

CapturePipeline::~CapturePipeline()
{
    stop();
}

void CapturePipeline::stop()
{
    m_stopping = true;
    if (!m_pipeline)
        return;
    gst_element_set_state(m_pipeline, GST_STATE_NULL); // joins the streaming threads
    if (m_deviceHandler)
        g_signal_handler_disconnect(m_watchedSource, m_deviceHandler);
    m_deviceHandler = 0;
    GstBus *bus = gst_pipeline_get_bus(GST_PIPELINE(m_pipeline));
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(m_pipeline);
    m_pipeline = nullptr;
}

int CapturePipeline::onBusMessage(GstBus *, GstMessage *message, void *p)
{
    auto *self = static_cast<CapturePipeline *>(p);
    SourceFailure failure;
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError *error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        failure = {SourceFailure::Kind::reported, error ? QString::fromUtf8(error->message) : QString()};
        g_clear_error(&error);
    } else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
        // A capture device never ends its stream unless it has gone.
        failure = {SourceFailure::Kind::noData};
    } else {
        return GST_BUS_DROP;
    }
    bool report = false;
    {
        std::lock_guard lock(self->m_errorLock);
        if (!self->m_firstError)
            self->m_firstError = failure;
        report = self->m_running && !self->m_errorReported;
        self->m_errorReported = self->m_errorReported || report;
    }
    if (report && !self->m_stopping && self->m_handlers.onError)
        self->m_handlers.onError(failure);
    return GST_BUS_DROP;
}

// PulseAudio sources name the device they record in "current-device" and
// notify when the server moves their stream. The device asked for is the
// starting point, so that a move right after the stream connects counts too.
void CapturePipeline::watchDevice(GstElement *source)
{
    if (!g_object_class_find_property(G_OBJECT_GET_CLASS(source), "current-device"))
        return;
    gchar *requested = nullptr;
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), "device"))
        g_object_get(source, "device", &requested, nullptr);
    m_device = requested ? QString::fromUtf8(requested) : QString();
    g_free(requested);
    m_watchedSource = source; // the pipeline holds it until stop()
    m_deviceHandler = g_signal_connect(source, "notify::current-device", G_CALLBACK(onCurrentDevice), this);
}

void CapturePipeline::onCurrentDevice(GstElement *source, void *, void *p)
{
    auto *self = static_cast<CapturePipeline *>(p);
    gchar *value = nullptr;
    g_object_get(source, "current-device", &value, nullptr);
    const QString device = value ? QString::fromUtf8(value) : QString();
    g_free(value);
    if (device.isEmpty() || device == self->m_device)
        return;
    // Without a device asked for, the first one named is where the server put it.
    const bool moved = !self->m_device.isEmpty();
    self->m_device = device;
    if (moved && !self->m_stopping)
        self->m_handlers.onDeviceMoved(device);
}

int CapturePipeline::onNewSample(GstElement *sink, void *p)
{
    auto *self = static_cast<CapturePipeline *>(p);
    GstSample *sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
    if (!sample)
        return GST_FLOW_EOS;
    if (!self->m_stopping && self->m_handlers.onSample)
        self->m_handlers.onSample(sample, captureTimeOf(sample, gst_element_get_base_time(self->m_pipeline)));
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

} // namespace tandrel
