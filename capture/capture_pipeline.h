#pragma once

#include "platform/result.h"

#include "capture/capture_notice.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

typedef struct _GstElement GstElement;
typedef struct _GstSample GstSample;
typedef struct _GstBus GstBus;
typedef struct _GstMessage GstMessage;

namespace tandrel {

// One running capture input: a source element, a conversion chain and an
// appsink, on the shared capture clock. Samples and the first error are
// handed out on GStreamer's streaming threads; neither handler may block.
// Destroying the pipeline stops it and waits for its threads, so no handler
// runs afterwards.
class CapturePipeline
{
public:
    struct Handlers
    {
        // Every sample with its capture time in seconds on the shared clock.
        std::function<void(GstSample *sample, double captureTime)> onSample;
        // The pipeline stopped by itself (an error, or the end of its
        // stream); called at most once.
        std::function<void(const SourceFailure &failure)> onError;
        // The sound server moved the source's stream to another device (the
        // user chose one in the desktop's sound settings, or the device went
        // and the stream fell back to the default); called with its name.
        std::function<void(const QString &device)> onDeviceMoved;
    };

    // Builds `source ! <conversion> ! appsink`, starts it and waits until it
    // plays (or `startTimeoutMs` pass; a live source that has not delivered a
    // sample yet still counts as started, and 0 does not wait for one at all). `source` is taken over.
    // `video` makes the appsink keep only the newest sample.
    static Result<std::shared_ptr<CapturePipeline>, SourceFailure> start(GstElement *source,
                                                                         const QString &conversion,
                                                                         bool video, Handlers handlers,
                                                                         int startTimeoutMs = 3000);
    ~CapturePipeline();
    CapturePipeline(const CapturePipeline &) = delete;
    CapturePipeline &operator=(const CapturePipeline &) = delete;

    // Stops the pipeline now; later handlers are not called.
    void stop();

private:
    CapturePipeline() = default;
    static int onBusMessage(GstBus *, GstMessage *message, void *self);
    static int onNewSample(GstElement *sink, void *self);
    void watchDevice(GstElement *source);
    static void onCurrentDevice(GstElement *source, void *spec, void *self);

    GstElement *m_pipeline = nullptr;
    Handlers m_handlers;
    std::atomic<bool> m_stopping{false};
    std::mutex m_errorLock; // guards the three below
    bool m_running = false;
    bool m_errorReported = false;
    std::optional<SourceFailure> m_firstError;
    // The device the source element records from: the one asked for, then
    // each it reports; on the sound server's thread once the pipeline runs.
    QString m_device;
    GstElement *m_watchedSource = nullptr;
    unsigned long m_deviceHandler = 0;
};

} // namespace tandrel
