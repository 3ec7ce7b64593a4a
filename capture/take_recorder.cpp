#include "capture/take_recorder.h"

#include "capture/audio_file_writer.h"
#include "capture/gst_support.h"
#include "capture/portrait_renderer.h"
#include "capture/video_file_writer.h"
#include "capture/video_source.h"
#include "library/take_file_names.h"
#include "media/audio_level.h"
#include "platform/main_thread.h"
#include "platform/serial_queue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>

#include <cmath>
#include <thread>
#include <utility>
#include <vector>

namespace tandrel {

namespace {

// One line per take with video: how its frames met the frame grid.
Q_LOGGING_CATEGORY(takeLog, "tandrel.capture.take", QtInfoMsg)

void removeFile(const std::optional<QString> &path)
{
    if (path)
        QFile::remove(*path); // housekeeping: a failure is ignored
}

} // namespace

// The running take, on the output queue.
struct TakeRecorder::ActiveTake
{
    quint64 number = 0; // tells a late deadline which take it was armed for
    PreparedTake files;
    bool stopRequested = false; // while starting: the take ends as soon as it has begun
    std::optional<CaptureNotice> abortReason;
    // Capture clock seconds: the gate's opening, and the stop, from which
    // on each source's first sample tells that it is through.
    double captureStart = 0;
    double stopAt = 0;
    bool videoPastStop = false, audioPastStop = false;
    // The time of the take's first sample, where both files begin.
    std::optional<double> sessionStartTime;
    bool limitReached = false;
    std::chrono::steady_clock::time_point startClock;
    double duration = 0; // wall-clock seconds from start to stop
    qint64 videoFrames = 0;
    double lastPictureTime = 0; // take seconds of the newest picture appended
    SpeechActivityTracker speech;
    double lastSpeechTime = 0; // the latest take time fed to the tracker
};

static_assert(VideoFileWriter::MaxTakeSeconds == 3600 && VideoFileWriter::ReservedSeconds == 3900,
              "TakeRecorder::Timing's defaults name the writers' limits");

TakeRecorder::TakeRecorder(SerialQueue &sessionQueue, SerialQueue &outputQueue, Display display,
                           QObject *parent)
    : TakeRecorder(sessionQueue, outputQueue, std::move(display), Timing(), parent)
{ }

TakeRecorder::TakeRecorder(SerialQueue &sessionQueue, SerialQueue &outputQueue, Display display,
                           Timing timing, QObject *parent)
    : QObject(parent), m_sessionQueue(sessionQueue), m_outputQueue(outputQueue),
      m_display(std::move(display)), m_timing(std::move(timing))
{ }

TakeRecorder::~TakeRecorder()
{
    for (std::thread &releaser : m_writerReleasers)
        releaser.join();
}

// Seconds on the clock that stamps every captured frame and buffer.
double TakeRecorder::captureClockNow() const
{
    if (m_timing.captureClock)
        return m_timing.captureClock();
    return double(gst_clock_get_time(sharedCaptureClock())) / double(GST_SECOND);
}

void TakeRecorder::setIsRecording(bool value)
{
    if (m_isRecording != value) {
        m_isRecording = value;
        emit isRecordingChanged();
    }
}

void TakeRecorder::setRecordedDuration(double value)
{
    if (m_recordedDuration != value) {
        m_recordedDuration = value;
        emit recordedDurationChanged();
    }
}

// Main thread.
void TakeRecorder::startRecording(const QString &directory, const std::optional<QString> &videoID,
                                  const std::optional<QString> &micID, TakeCompletion completion)
{
    Q_ASSERT(isMainThread());
    const auto refuse = [this](TakeCompletion completion, CaptureNotice::Kind why) {
        runOnMain(this, [completion = std::move(completion), why] {
            if (completion)
                completion(Result<Take, CaptureNotice>::failure({.kind = why}));
        });
    };
    // A take that is still being finished counts as running: its files are
    // not handed over yet.
    if (m_takeOpen) {
        refuse(std::move(completion), CaptureNotice::Kind::recordingRunning);
        return;
    }
    const bool wantVideo = givesPictures(videoID);
    const bool wantAudio = micID.has_value();
    if (!wantVideo && !wantAudio) {
        refuse(std::move(completion), CaptureNotice::Kind::noSourceChosen);
        return;
    }
    m_takeOpen = true;
    m_completion = std::move(completion);
    // Posted before the preparation, so that a stop posted meanwhile finds
    // the take starting.
    m_outputQueue.post([this] {
        m_take = std::make_unique<ActiveTake>();
        m_take->number = ++m_takeCount;
        setPhase(TakePhase::starting);
    });
    m_sessionQueue.post([this, directory, wantVideo, wantAudio] {
        Result<PreparedTake, CaptureNotice> prepared = prepareTake(directory, wantVideo, wantAudio);
        if (!prepared) {
            m_outputQueue.post([this] {
                m_take.reset();
                setPhase(TakePhase::idle);
            });
            runOnMain(this, [this, message = prepared.error()] { endUnstarted(message, true); });
            return;
        }
        m_outputQueue.post([this, prepared = std::move(*prepared)]() mutable { begin(std::move(prepared)); });
    });
}

// Main thread.
void TakeRecorder::stopRecording()
{
    Q_ASSERT(isMainThread());
    m_outputQueue.post([this] { requestStop(std::nullopt); });
}

// Main thread.
void TakeRecorder::abortRecording(const CaptureNotice &reason)
{
    Q_ASSERT(isMainThread());
    m_outputQueue.post([this, reason] { requestStop(reason); });
}

// Output queue.
void TakeRecorder::setPhase(TakePhase phase)
{
    Q_ASSERT(m_outputQueue.isCurrent());
    m_phase.store(phase, std::memory_order_release);
}

// Session queue: the take's folder, its stamp and lock, and both writers
// opened (their files created) but not started.
Result<TakeRecorder::PreparedTake, CaptureNotice> TakeRecorder::prepareTake(const QString &directory,
                                                                            bool wantVideo, bool wantAudio)
{
    Q_ASSERT(m_sessionQueue.isCurrent());
    using R = Result<PreparedTake, CaptureNotice>;
    const QDir dir(directory);
    if (!QDir().mkpath(directory))
        return R::failure({.kind = CaptureNotice::Kind::folderNotCreated, .path = directory});
    PreparedTake take;
    take.recordedAt = QDateTime::currentDateTime();
    const QString stamp = freeTakeStamp(dir, take.recordedAt);
    // Taken before the files exist, so that the library never adopts them
    // while they are written; a take is recorded even where no lock can be
    // made. Unlocking removes the file.
    take.lock = std::make_shared<QLockFile>(dir.filePath(TakeFileNames::lock(stamp)));
    take.lock->setStaleLockTime(0);
    take.lock->tryLock(0);
    if (wantVideo) {
        take.videoPath = dir.filePath(TakeFileNames::video(stamp));
        auto writer = VideoFileWriter::create(*take.videoPath, m_timing.reservedSeconds);
        if (!writer)
            return R::failure(writer.error());
        take.videoWriter = *writer;
        watchWriter(*take.videoWriter);
    }
    if (wantAudio) {
        take.audioPath = dir.filePath(TakeFileNames::audio(stamp));
        auto writer = AudioFileWriter::create(*take.audioPath, m_timing.reservedSeconds);
        if (!writer) {
            // Nothing was written: the video file just opened goes again.
            take.videoWriter.reset();
            removeFile(take.videoPath);
            return R::failure(writer.error());
        }
        take.audioWriter = *writer;
        watchWriter(*take.audioWriter);
    }
    return take;
}

// Session queue. The stamp of a take starting at `now`; within one second
// a second take gets "-2", "-3" … so that no earlier file is replaced.
QString TakeRecorder::freeTakeStamp(const QDir &dir, const QDateTime &now)
{
    const QString stamp = TakeFileNames::stamp(now);
    QString candidate = stamp;
    for (int n = 2; QFileInfo::exists(dir.filePath(TakeFileNames::video(candidate)))
         || QFileInfo::exists(dir.filePath(TakeFileNames::audio(candidate)));
         ++n)
        candidate = stamp + QLatin1Char('-') + QString::number(n);
    return candidate;
}

// Session queue. A writer that fails while the take runs ends the take: the
// other file is finished normally, and the take keeps what both files hold.
void TakeRecorder::watchWriter(MediaWriter &writer)
{
    writer.setFinishTimeout(m_timing.finishTimeout);
    // On a streaming thread of the writer: the stop goes through the main
    // thread, which outlives neither the recorder nor its queues.
    writer.setFailureHandler([this] { runOnMain(this, [this] { stopRecording(); }); });
}

// Output queue: the files are ready and the gate opens, unless the take was
// stopped while they were being prepared; it then ends before it has begun
// and leaves nothing behind.
void TakeRecorder::begin(PreparedTake prepared)
{
    Q_ASSERT(m_outputQueue.isCurrent() && m_take && phase() == TakePhase::starting);
    m_take->files = std::move(prepared);
    if (m_take->stopRequested) {
        TakeWriters writers{std::move(m_take->files.videoWriter), std::move(m_take->files.audioWriter)};
        for (const std::shared_ptr<MediaWriter> &w :
             {std::shared_ptr<MediaWriter>(writers.video), std::shared_ptr<MediaWriter>(writers.audio)})
            if (w)
                w->cancelWriting();
        removeFile(m_take->files.videoPath);
        removeFile(m_take->files.audioPath);
        m_take.reset();
        setPhase(TakePhase::idle);
        // The writers go with the message, on the main thread.
        runOnMain(this,
                  [this, writers] { endUnstarted({.kind = CaptureNotice::Kind::endedBeforeStart}, false); });
        return;
    }
    m_take->startClock = std::chrono::steady_clock::now();
    m_take->captureStart = captureClockNow();
    m_audioBuffersTaken.store(0, std::memory_order_relaxed);
    setPhase(TakePhase::recording);
    runOnMain(this, [this, start = m_take->startClock] { showStarted(start); });
}

// Main thread: a take that never began ends with `message`, which also
// becomes the last error where `shown`.
void TakeRecorder::endUnstarted(const CaptureNotice &message, bool shown)
{
    setIsRecording(false);
    if (shown)
        m_display.lastError(message);
    m_takeOpen = false;
    if (TakeCompletion completion = std::exchange(m_completion, nullptr))
        completion(Result<Take, CaptureNotice>::failure(message));
}

// Main thread: the take runs; its duration counts up five times a second.
void TakeRecorder::showStarted(std::chrono::steady_clock::time_point start)
{
    setIsRecording(true);
    setRecordedDuration(0);
    m_display.status(CaptureStatus::recording);
    delete m_durationTimer;
    m_durationTimer = new QTimer(this);
    m_durationTimer->setInterval(200);
    connect(m_durationTimer, &QTimer::timeout, this, [this, start] {
        setRecordedDuration(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    });
    m_durationTimer->start();
}

// Output queue. Samples reach the output queue some way behind their
// capture (the camera's pipeline adds up to half a second): the gate closes
// now, but what was captured before this moment is still let in until each
// source has delivered a sample from after it, or the wait has passed.
void TakeRecorder::requestStop(std::optional<CaptureNotice> abortReason)
{
    Q_ASSERT(m_outputQueue.isCurrent());
    if (!m_take)
        return;
    if (phase() == TakePhase::starting) {
        m_take->stopRequested = true;
        return;
    }
    if (phase() != TakePhase::recording)
        return;
    m_take->abortReason = std::move(abortReason);
    m_take->duration
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_take->startClock).count();
    m_take->stopAt = captureClockNow();
    m_take->videoPastStop = !m_take->files.videoWriter;
    m_take->audioPastStop = !m_take->files.audioWriter;
    setPhase(TakePhase::stopping);
    runOnMain(this, [this] {
        delete m_durationTimer;
        m_durationTimer = nullptr;
    });
    armLateSampleDeadline(m_take->number);
    completeIfThrough();
}

// Output queue: the stop gives up waiting for late samples after a while,
// timed on the main thread's event loop.
void TakeRecorder::armLateSampleDeadline(quint64 take)
{
    const auto wait = m_timing.lateSampleWait;
    runOnMain(this, [this, take, wait] {
        QTimer::singleShot(wait, this, [this, take] {
            m_outputQueue.post([this, take] {
                if (m_take && m_take->number == take && phase() == TakePhase::stopping)
                    complete();
            });
        });
    });
}

// Output queue: the stop is through once every source has passed it.
void TakeRecorder::completeIfThrough()
{
    if (m_take && phase() == TakePhase::stopping && m_take->videoPastStop && m_take->audioPastStop)
        complete();
}

// Output queue, the gate closed for good: both files are made to reach the
// stop, and their writers finish on threads of their own.
void TakeRecorder::complete()
{
    Q_ASSERT(m_outputQueue.isCurrent() && m_take);
    setPhase(TakePhase::finishing);
    FinishedTake finished;
    completeFiles(finished);
    ActiveTake &take = *m_take;
    finished.duration = take.duration;
    finished.recordedAt = take.files.recordedAt;
    finished.videoPath = take.files.videoPath;
    finished.audioPath = take.files.audioPath;
    finished.expectedVideo = take.files.videoWriter != nullptr;
    finished.videoFrameCount = take.videoFrames;
    finished.audioBufferCount = m_audioBuffersTaken.load(std::memory_order_relaxed);
    finished.abortReason = std::move(take.abortReason);
    finished.limitReached = take.limitReached;
    finished.lock = std::move(take.files.lock);
    finished.intervals = take.speech.finish(take.duration, take.lastSpeechTime);
    TakeWriters writers{std::move(take.files.videoWriter), std::move(take.files.audioWriter)};
    m_take.reset();
    // Posted before any writer can finish, so the main thread has them when
    // the take arrives there.
    runOnMain(this, [this, writers] { m_finishingWriters = writers; });
    finishWriters(std::move(finished), writers);
}

// Output queue, the gate closed: the picture goes on to the stop on the
// frame grid (a still screen sends none while it does not change), and the
// sound, if it ended earlier, is filled with silence to the picture's end,
// so that both files are equally long. A take stopped at its limit ends there.
void TakeRecorder::completeFiles(FinishedTake &finished)
{
    ActiveTake &take = *m_take;
    const std::shared_ptr<VideoFileWriter> &video = take.files.videoWriter;
    const std::shared_ptr<AudioFileWriter> &audio = take.files.audioWriter;
    if (!take.sessionStartTime || !video)
        return;
    double end = take.stopAt - *take.sessionStartTime;
    if (take.limitReached)
        end = std::min(end, m_timing.takeLimit);
    if (video->frames() == 0 && !m_heldPicture.isNull())
        appendPicture(m_heldPicture, 0);
    qint64 frames = VideoFileWriter::gridFrame(end);
    if (audio)
        frames = std::max(frames, VideoFileWriter::gridFrame(audio->end()));
    video->extendTo(frames);
    if (audio && video->frames() > 0)
        audio->padTo(double(video->frames()) / VideoFileWriter::FrameRate);
    finished.gridFrames = video->frames();
    finished.repeatedFrames = video->repeatedFrames();
    finished.droppedFrames = video->droppedFrames();
}

// Output queue. Both writers finish concurrently, each on its own thread;
// the last one to end hands the take to the main thread. Only the main
// thread holds the writers meanwhile: a writer waits for its own finish
// when it goes, so no finishing thread may drop the last reference.
void TakeRecorder::finishWriters(FinishedTake finished, const TakeWriters &writers)
{
    auto shared = std::make_shared<FinishedTake>(std::move(finished));
    const auto handOver = [recorder = QPointer<TakeRecorder>(this), shared,
                           video = std::weak_ptr<MediaWriter>(writers.video),
                           audio = std::weak_ptr<MediaWriter>(writers.audio)] {
        // Off the main thread: a take cut short is as long as its files.
        shared->noteWriterFailures(video.lock().get(), audio.lock().get());
        runOnMain([recorder, shared] {
            if (recorder)
                recorder->finishTake(std::move(*shared));
        });
    };
    std::vector<std::shared_ptr<MediaWriter>> finishing;
    for (const std::shared_ptr<MediaWriter> &w :
         {std::shared_ptr<MediaWriter>(writers.video), std::shared_ptr<MediaWriter>(writers.audio)}) {
        if (w && w->status() == MediaWriter::Status::Writing)
            finishing.push_back(w);
        else if (w)
            w->cancelWriting(); // a writer that failed or never started
    }
    if (finishing.empty()) {
        handOver();
        return;
    }
    auto pending = std::make_shared<std::atomic<int>>(int(finishing.size()));
    for (const auto &w : finishing)
        w->finishWriting([pending, handOver] {
            if (pending->fetch_sub(1) == 1)
                handOver();
        });
}

// Main thread: the take is over; its files stay or go by its outcome, and
// the next take may start.
void TakeRecorder::finishTake(FinishedTake take)
{
    Q_ASSERT(isMainThread());
    TakeWriters writers = std::exchange(m_finishingWriters, {});
    setIsRecording(false);
    delete m_durationTimer;
    m_durationTimer = nullptr;
    // A writer that timed out may still be stuck in the file system: it is
    // let go on a thread of the recorder's own rather than waited for here;
    // the recorder joins those threads when it ends.
    const auto stuck = [](const std::shared_ptr<MediaWriter> &w) {
        const std::optional<WriteFailure> failure = w ? w->failure() : std::nullopt;
        return failure && failure->kind == WriteFailure::Kind::finishTimedOut;
    };
    if (stuck(writers.video) || stuck(writers.audio))
        m_writerReleasers.emplace_back([writers = std::move(writers)] {});
    writers = {};

    const FinishedTake::Outcome outcome = take.outcome(m_timing.takeLimit);
    if (take.videoPath && outcome.keepVideo)
        qCInfo(takeLog).noquote() << QStringLiteral("%1: %2 frames at %3 fps, %4 repeated, %5 dropped")
                                             .arg(QFileInfo(*take.videoPath).fileName())
                                             .arg(take.gridFrames)
                                             .arg(VideoFileWriter::FrameRate)
                                             .arg(take.repeatedFrames)
                                             .arg(take.droppedFrames);
    if (!outcome.keepVideo)
        removeFile(take.videoPath);
    if (!outcome.keepAudio)
        removeFile(take.audioPath);
    take.lock.reset();
    m_outputQueue.post([this] {
        if (phase() == TakePhase::finishing)
            setPhase(TakePhase::idle);
    });
    m_display.status(m_display.videoSourceSelected() ? CaptureStatus::live : CaptureStatus::audioOnly);
    if (outcome.note)
        m_display.lastError(*outcome.note);
    m_takeOpen = false;
    if (TakeCompletion completion = std::exchange(m_completion, nullptr))
        completion(outcome.take);
}

// Output queue. A take holds what was captured between its start and its
// stop, whenever it arrives: samples captured before the start that arrive
// late are left out; while a stop lets late samples in, those captured
// before it still count, and the first one captured after it tells the stop
// that its source is through.
bool TakeRecorder::belongsToTake(double time, bool video)
{
    if (!m_take)
        return false;
    switch (phase()) {
    case TakePhase::recording:
        return time >= m_take->captureStart;
    case TakePhase::stopping:
        if (time < m_take->stopAt)
            return time >= m_take->captureStart;
        (video ? m_take->videoPastStop : m_take->audioPastStop) = true;
        return false;
    default:
        return false;
    }
}

// Output queue. Both files begin at the time of the take's first sample,
// whichever kind it is.
void TakeRecorder::startWritingIfNeeded(double time)
{
    if (m_take->sessionStartTime)
        return;
    m_take->sessionStartTime = time;
    for (const std::shared_ptr<MediaWriter> &w : {std::shared_ptr<MediaWriter>(m_take->files.videoWriter),
                                                  std::shared_ptr<MediaWriter>(m_take->files.audioWriter)})
        if (w && w->status() == MediaWriter::Status::Unknown)
            w->startWriting();
}

// Output queue. A sample at or past the longest a take may be is not
// written; the first one stops the take, which then ends with a note.
bool TakeRecorder::reachedLimit(double time)
{
    if (time - *m_take->sessionStartTime < m_timing.takeLimit)
        return false;
    if (!m_take->limitReached) {
        m_take->limitReached = true;
        requestStop(std::nullopt);
    }
    return true;
}

// Output queue, for camera and screen frames alike.
void TakeRecorder::recordVideoFrame(const VideoFrame &frame)
{
    Q_ASSERT(m_outputQueue.isCurrent());
    const double t = frame.time();
    const bool belongs = belongsToTake(t, true);
    const VideoFrame before = m_heldPicture;
    // A picture from after the stop is kept for the next take only once this
    // one is done: until its files are completed, the kept picture may be
    // the one a still screen showed all through it.
    if (!frame.isNull() && (belongs || !m_take || t < m_take->captureStart))
        m_heldPicture = frame;
    if (!belongs) {
        completeIfThrough();
        return;
    }
    startWritingIfNeeded(t);
    const std::shared_ptr<VideoFileWriter> &writer = m_take->files.videoWriter;
    if (reachedLimit(t) || !writer || frame.isNull())
        return;
    const double takeTime = t - *m_take->sessionStartTime;
    // Late frames are dropped, not queued: the writer takes media in real
    // time, and the grid repeats the last picture meanwhile. An encoder that
    // stays behind would then get nothing but repeats, and a still screen's
    // one changed picture would be lost: a picture older than this goes in
    // past the queue's limit, in place of a repeat.
    constexpr double maxPictureAge = 0.5;
    const bool overdue = writer->frames() > 0 && takeTime - m_take->lastPictureTime >= maxPictureAge;
    if (!writer->acceptsMoreData() && !overdue) {
        writer->dropFrame(takeTime);
        return;
    }
    // The picture from before the take stands for its first frames, unless
    // this one is the first.
    if (writer->frames() == 0 && !before.isNull() && VideoFileWriter::gridFrame(takeTime) > 0)
        appendPicture(before, 0);
    appendPicture(frame, takeTime, overdue);
}

// Output queue: renders `frame` as it is cropped and mirrored now and
// appends it at `takeTime` seconds of the take.
void TakeRecorder::appendPicture(const VideoFrame &frame, double takeTime, bool pastQueueLimit)
{
    const std::shared_ptr<VideoFileWriter> &writer = m_take->files.videoWriter;
    if (!m_renderer) // made once, on the first frame ever recorded
        m_renderer = std::make_shared<PortraitRenderer>();
    const double cropOffset = m_cropOffsetCell.get();
    const VideoFlip flip = m_flipCell.get();
    PortraitSource source;
    source.format = frame.format();
    source.width = frame.width();
    source.height = frame.height();
    for (int i = 0; i < 3; ++i) {
        source.planes[i] = frame.plane(i);
        source.strides[i] = frame.planeStride(i);
    }
    GstBuffer *rendered = m_renderer->renderPortraitFrame(source, cropOffset, flip.horizontal, flip.vertical,
                                                          writer->pixelBufferPool());
    if (!rendered)
        return;
    // A camera's own YUV keeps its matrix and range; BGRA is converted with BT.601.
    if (writer->appendFrame(rendered, takeTime, PortraitRenderer::outputColorimetry(frame.info()),
                            pastQueueLimit)) {
        ++m_take->videoFrames;
        m_take->lastPictureTime = takeTime;
    }
}

// Output queue.
void TakeRecorder::forgetPicture()
{
    Q_ASSERT(m_outputQueue.isCurrent());
    m_heldPicture = {};
}

// Output queue, after the audio tap has had the buffer.
void TakeRecorder::recordAudioBuffer(const AudioBuffer &buffer)
{
    Q_ASSERT(m_outputQueue.isCurrent());
    const double t = buffer.time;
    if (!belongsToTake(t, false)) {
        completeIfThrough();
        return;
    }
    startWritingIfNeeded(t);
    if (reachedLimit(t))
        return;
    feedSpeechActivity(buffer, t);
    const std::shared_ptr<AudioFileWriter> &writer = m_take->files.audioWriter;
    if (writer && writer->acceptsMoreData() && writer->appendBuffer(buffer, t - *m_take->sessionStartTime))
        m_audioBuffersTaken.fetch_add(1, std::memory_order_relaxed);
}

// Output queue. The tracker gets the buffer's own time from the start of
// the take, never below zero; only the latest time never goes back.
void TakeRecorder::feedSpeechActivity(const AudioBuffer &buffer, double time)
{
    const std::optional<float> level = audioLevel(buffer);
    if (!level)
        return;
    const double takeTime = time - *m_take->sessionStartTime;
    if (!std::isfinite(takeTime))
        return;
    const double clamped = std::max(takeTime, 0.0);
    m_take->lastSpeechTime = std::max(m_take->lastSpeechTime, clamped);
    m_take->speech.process(*level, clamped);
}

} // namespace tandrel
