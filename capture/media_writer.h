#pragma once

#include "capture/capture_notice.h"
#include "platform/result.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace tandrel {

// One output file written by a GStreamer pipeline fed from an appsrc: the
// common life of the take's video and audio writers. Created paused (the
// file is opened then, so that a bad location fails at once), started at the
// first sample of the take, then finished (end of stream, waited for on a
// thread the writer owns) or cancelled. The pipeline's own streaming threads
// report failures; after one the writer accepts nothing more.
//
// Samples carry their time in seconds from the start of the take. The
// writer takes media in real time: when its queue is full it is not ready,
// and what the caller appends anyway is dropped, never queued without bound.
class MediaWriter
{
public:
    enum class Status { Unknown, Writing, Completed, Failed, Cancelled };

    virtual ~MediaWriter();
    MediaWriter(const MediaWriter &) = delete;
    MediaWriter &operator=(const MediaWriter &) = delete;

    const QString &path() const { return m_path; }
    Status status() const { return m_status.load(std::memory_order_acquire); }
    // The failure that stopped the writer; none while it has not failed.
    std::optional<WriteFailure> failure() const;
    // Called once, on the thread that noticed it, when the writer fails after
    // it has started and before it has finished or been cancelled. Set it
    // before the writer starts; it must not block or destroy the writer.
    void setFailureHandler(std::function<void()> handler) { m_failureHandler = std::move(handler); }
    // How long finishWriting waits for the end of the stream.
    void setFinishTimeout(std::chrono::milliseconds timeout) { m_finishTimeout = timeout; }

    // Starts the pipeline. False (and Failed) when it refuses to run.
    bool startWriting();
    // Whether a sample appended now would be taken: writing, queue not full.
    bool acceptsMoreData() const;
    // Ends the stream and waits, on a thread the writer owns, until the file
    // is complete or the finish timeout has passed; then calls `done` on that
    // thread. A writer that timed out is Failed before `done` runs, and its
    // pipeline is stopped only afterwards (stopping may block as long as the
    // file system does). Destroying the writer waits for that thread, so
    // `done` must not drop the last reference to the writer.
    void finishWriting(std::function<void()> done);
    // Stops the pipeline at once; what reached the file stays there.
    void cancelWriting();

    // Longest wait for the end of the stream before the writer gives up.
    static constexpr int FinishTimeoutMs = 60000;

protected:
    MediaWriter(GstElement *pipeline, GstAppSrc *source, QString path, guint64 maxQueuedBuffers);
    // Pipeline from a launch description with an appsrc named "src" and a
    // filesink named "sink"; the sink gets `path`. Set to PAUSED, which opens
    // the file. Fails with writerNotReady when an element is missing, with
    // fileNotCreated when the file cannot be opened; `video` tells which file.
    static Result<GstElement *, CaptureNotice> buildPipeline(const char *description, const QString &path,
                                                             bool video);

    // Hands `buffer` (owned) to the pipeline. False when not writing or full.
    bool push(GstBuffer *buffer);
    // Hands `buffer` (owned) to the pipeline whatever its queue holds; for a
    // bounded burst at the start only.
    bool pushPastQueueLimit(GstBuffer *buffer);
    GstAppSrc *source() const { return m_source; }
    virtual void onStarted() { }
    // On the finishing thread, once the file is complete and closed, before
    // the finish is reported: last touches to the file.
    virtual void onCompleted() { }
    // Waits until a running finish has ended. A subclass whose destructor
    // releases what the pipeline uses calls it first.
    void waitForFinish();

private:
    static GstBusSyncReply onBusMessage(GstBus *bus, GstMessage *message, gpointer self);
    void fail(const WriteFailure &failure);
    bool waitForEndOfStream();

    GstElement *m_pipeline = nullptr;
    GstAppSrc *m_source = nullptr;
    QString m_path;
    guint64 m_maxQueuedBuffers = 0;
    std::atomic<Status> m_status{Status::Unknown};

    mutable std::mutex m_mutex; // guards the fields below
    std::condition_variable m_ended;
    bool m_endOfStream = false;
    std::optional<WriteFailure> m_failure;
    std::function<void()> m_failureHandler; // set before the start, then only read
    std::chrono::milliseconds m_finishTimeout{FinishTimeoutMs};

    std::thread m_finisher; // from finishWriting until the destructor joins it
};

} // namespace tandrel
