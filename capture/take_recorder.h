#pragma once

#include "capture/finished_take.h"
#include "capture/locked_value.h"
#include "capture/video_frame.h"
#include "library/take.h"
#include "media/audio_buffer.h"
#include "media/speech_activity_tracker.h"
#include "platform/result.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QDir;
class QTimer;

namespace tandrel {

class AudioFileWriter;
class MediaWriter;
class PortraitRenderer;
class SerialQueue;
class VideoFileWriter;

// One take at a time: two files written side by side from what was captured
// between the start and the stop, and the speech found in the microphone's
// levels meanwhile.
//
// Threads: startRecording and stopRecording are called on the main thread
// and do their work on the session queue, so they are serialised with every
// reconfiguration. Frames and buffers arrive on the output queue and pass a
// gate that is open while the take runs. The take is handed over, and
// isRecording and recordedDuration change, on the main thread.
class TakeRecorder : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(double recordedDuration READ recordedDuration NOTIFY recordedDurationChanged)

public:
    using TakeCompletion = FinishedTake::Completion;

    // Where a take shows itself besides its two properties; on the main thread.
    struct Display
    {
        std::function<void(const QString &)> statusMessage;
        std::function<void(const QString &)> lastError;
        // Whether a video source is selected now; the status after a take
        // reads "Live" then, "Nur Audio" otherwise.
        std::function<bool()> videoSourceSelected;
    };

    // The clock the samples' times are read on, and how long a stop waits
    // for samples captured before it: until each source has delivered one
    // from after it, or this much time has passed. Then the limits of a
    // take: its longest duration (the take stops itself there, with a note),
    // the index space its files reserve, and how long finishing a file may
    // take before the take is handed over with what the file holds.
    struct Timing
    {
        std::function<double()> captureClock; // seconds; empty: the pipelines' shared clock
        std::chrono::milliseconds lateSampleWait{1000};
        double takeLimit = 3600; // seconds; VideoFileWriter::MaxTakeSeconds
        quint64 reservedSeconds = 3900; // VideoFileWriter::ReservedSeconds
        std::chrono::milliseconds finishTimeout{60000};
    };

    TakeRecorder(SerialQueue &sessionQueue, SerialQueue &outputQueue, Display display,
                 QObject *parent = nullptr);
    TakeRecorder(SerialQueue &sessionQueue, SerialQueue &outputQueue, Display display, Timing timing,
                 QObject *parent = nullptr);
    ~TakeRecorder() override;

    bool isRecording() const { return m_isRecording; }
    double recordedDuration() const { return m_recordedDuration; }
    // Whether the gate is open; any thread.
    bool isCapturing() const { return m_recordingActive.load(std::memory_order_acquire); }
    // Microphone buffers the running take's audio file has taken; any thread.
    qint64 audioBuffersTaken() const { return m_audioBufferCount.load(std::memory_order_relaxed); }

    // Starts a take whose two files go into `directory` (created when
    // missing), a video file when `videoID` names a source and an audio file
    // when `micID` does. Returns at once; `completion` runs exactly once on
    // the main thread: soon when the take cannot start, otherwise when it has
    // been stopped and its files are finished.
    void startRecording(const QString &directory, const std::optional<QString> &videoID,
                        const std::optional<QString> &micID, TakeCompletion completion);
    // Stops the running take; nothing happens when none runs.
    void stopRecording();
    // Ends the running take because `reason` (German, a sentence without its
    // full stop) has made it impossible to go on: the take keeps what its
    // files hold, and lastError tells the reason and how much that is.
    void abortRecording(const QString &reason);

    // Output queue: a camera or screen frame, 32-bit BGRA. The newest one
    // is kept: a still screen sends its picture only when it changes, so
    // the picture from before the start is the take's first.
    void recordVideoFrame(const VideoFrame &frame);
    // Output queue: the video source has changed; the picture kept from
    // before a take is no longer what it shows.
    void forgetPicture();
    // Output queue: a microphone buffer, after the audio tap has had it.
    void recordAudioBuffer(const AudioBuffer &buffer);

    // Main thread: how recorded frames are cropped and mirrored.
    void setCropOffset(double value) { m_cropOffsetCell.set(value); }
    void setFlip(VideoFlip flip) { m_flipCell.set(flip); }

signals:
    void isRecordingChanged();
    void recordedDurationChanged();

private:
    struct SpeechCaptureState
    {
        SpeechActivityTracker tracker;
        bool active = false; // the tracker takes levels only while true
        double lastTime = 0; // the latest take time fed to it
    };

    void startOnSessionQueue(const QString &directory, const std::optional<QString> &videoID,
                             const std::optional<QString> &micID, TakeCompletion completion);
    void stopOnSessionQueue(std::optional<QString> abortReason);
    void watchWriter(MediaWriter &writer);
    Status prepareWriters(const std::optional<QString> &videoPath, const std::optional<QString> &audioPath);
    static QString freeTakeStamp(const QDir &dir, const QDateTime &now);
    void showStarted(std::chrono::steady_clock::time_point start);
    void finishWriters(FinishedTake finished);
    void finishTake(FinishedTake take);
    void closeGateAfterLateSamples();
    void completeFiles(FinishedTake &finished);
    void appendPicture(const VideoFrame &frame, double takeTime);
    bool belongsToTake(double time, std::atomic<bool> &pastStop);
    void startWritingIfNeeded(double time);
    bool reachedLimit(double time);
    void feedSpeechActivity(const AudioBuffer &buffer, double time);
    double captureClockNow() const;
    void setIsRecording(bool value);
    void setRecordedDuration(double value);

    SerialQueue &m_sessionQueue;
    SerialQueue &m_outputQueue;
    const Display m_display;
    const Timing m_timing;

    // The gate of the capture callbacks: open from the end of a successful
    // start until a stop begins. Released after everything below is in
    // place; acquired by the output queue before it touches any of it.
    std::atomic<bool> m_recordingActive{false};
    // Capture clock seconds when the gate opened: what was captured earlier
    // is not part of the take.
    std::atomic<double> m_takeCaptureStart{0};
    // While a stop waits for samples captured before it (capture clock
    // seconds) that are still on their way.
    std::atomic<bool> m_takingLateSamples{false};
    std::atomic<double> m_lateSamplesBefore{0};
    std::atomic<bool> m_videoPastStop{false};
    std::atomic<bool> m_audioPastStop{false};
    // From a successful start until finishTake: a take is not over while its
    // files are being finished.
    std::atomic<bool> m_takeOpen{false};
    // Set on the output queue by the first sample past the take's limit.
    std::atomic<bool> m_limitReached{false};
    // Set on the session queue before the gate opens, read by the output
    // queue while it is open, cleared by finishTake after it has closed.
    std::shared_ptr<VideoFileWriter> m_videoWriter;
    std::shared_ptr<AudioFileWriter> m_audioWriter;
    // Threads that let stuck writers go (main thread starts them, the
    // destructor joins them).
    std::vector<std::thread> m_writerReleasers;
    std::atomic<qint64> m_videoFrameCount{0};
    std::atomic<qint64> m_audioBufferCount{0};

    // session queue, from start to stop
    std::optional<QString> m_pendingVideoURL;
    std::optional<QString> m_pendingAudioURL;
    bool m_expectedVideo = false;
    bool m_expectedAudio = false;
    TakeCompletion m_finishHandler;
    std::optional<QDateTime> m_recordingStart;
    // "<stamp>.lock" beside the files: the library adopts a take's files
    // only when no running recording holds it.
    std::shared_ptr<QLockFile> m_takeLock;
    std::chrono::steady_clock::time_point m_recordingStartClock;

    // output queue while the gate is open
    std::optional<double> m_sessionStartTime;
    std::shared_ptr<PortraitRenderer> m_renderer;
    // output queue: the newest picture of the video source, in a take or not
    VideoFrame m_heldPicture;

    // written by the main thread, read by the output queue
    LockedValue<double> m_cropOffsetCell{0.5};
    LockedValue<VideoFlip> m_flipCell;
    // speech tracking of the take; fed on the output queue, started and
    // finished on the session queue
    LockedValue<SpeechCaptureState> m_speechCell;

    // main thread
    bool m_isRecording = false;
    double m_recordedDuration = 0;
    QTimer *m_durationTimer = nullptr;
};

} // namespace tandrel
