#pragma once

#include "capture/capture_status.h"
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

// Where a take stands. Only the output queue moves it on: starting (files
// being prepared on the session queue), recording (the gate is open),
// stopping (samples captured before the stop still let in), finishing (the
// writers end their files), then idle again once the take is handed over.
enum class TakePhase { idle, starting, recording, stopping, finishing };

// One take at a time: two files written side by side from what was captured
// between the start and the stop, and the speech found in the microphone's
// levels meanwhile.
//
// Threads: the take is a state machine owned by the output queue, where
// frames and buffers arrive and where start, stop and abort are posted. The
// session queue only prepares a take's files, serialised with every
// reconfiguration of the capture. The take is handed over, and isRecording
// and recordedDuration change, on the main thread. Each member below names
// the one thread that writes it.
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
        std::function<void(CaptureStatus)> status;
        std::function<void(const CaptureNotice &)> lastError;
        // Whether a video source is selected now; the status after a take
        // is `live` then, `audioOnly` otherwise.
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
    // Where the take stands; any thread.
    TakePhase phase() const { return m_phase.load(std::memory_order_acquire); }
    // Whether the gate is open; any thread.
    bool isCapturing() const { return phase() == TakePhase::recording; }
    // Microphone buffers the running take's audio file has taken; any thread.
    qint64 audioBuffersTaken() const { return m_audioBuffersTaken.load(std::memory_order_relaxed); }

    // Starts a take whose two files go into `directory` (created when
    // missing), a video file when `videoID` names a source and an audio file
    // when `micID` does. Returns at once; `completion` runs exactly once on
    // the main thread: soon when the take cannot start, otherwise when it has
    // been stopped and its files are finished.
    void startRecording(const QString &directory, const std::optional<QString> &videoID,
                        const std::optional<QString> &micID, TakeCompletion completion);
    // Stops the running take, also one still starting; nothing happens when
    // none runs.
    void stopRecording();
    // Ends the running take because `reason` (an `aborted` notice) has made
    // it impossible to go on: the take keeps what its files hold, and
    // lastError tells the reason and how much that is.
    void abortRecording(const CaptureNotice &reason);

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
    // A take's files as the session queue has opened them.
    struct PreparedTake
    {
        std::optional<QString> videoPath, audioPath;
        std::shared_ptr<VideoFileWriter> videoWriter;
        std::shared_ptr<AudioFileWriter> audioWriter;
        // "<stamp>.lock" beside the files: the library adopts a take's files
        // only when no running recording holds it.
        std::shared_ptr<QLockFile> lock;
        QDateTime recordedAt;
    };
    struct ActiveTake;
    // The writers of a take, kept until the main thread has the take: a
    // writer waits for its own finish when it goes.
    struct TakeWriters
    {
        std::shared_ptr<VideoFileWriter> video;
        std::shared_ptr<AudioFileWriter> audio;
    };

    Result<PreparedTake, CaptureNotice> prepareTake(const QString &directory, bool wantVideo, bool wantAudio);
    static QString freeTakeStamp(const QDir &dir, const QDateTime &now);
    void watchWriter(MediaWriter &writer);
    void setPhase(TakePhase phase);
    void begin(PreparedTake prepared);
    void requestStop(std::optional<CaptureNotice> abortReason);
    void armLateSampleDeadline(quint64 take);
    void completeIfThrough();
    void complete();
    void completeFiles(FinishedTake &finished);
    void finishWriters(FinishedTake finished, const TakeWriters &writers);
    void finishTake(FinishedTake take);
    void endUnstarted(const CaptureNotice &message, bool shown);
    void showStarted(std::chrono::steady_clock::time_point start);
    void appendPicture(const VideoFrame &frame, double takeTime, bool pastQueueLimit = false);
    bool belongsToTake(double time, bool video);
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

    // output queue
    std::atomic<TakePhase> m_phase{TakePhase::idle};
    std::atomic<qint64> m_audioBuffersTaken{0};
    std::unique_ptr<ActiveTake> m_take; // from the start until the files are being finished
    quint64 m_takeCount = 0;
    std::shared_ptr<PortraitRenderer> m_renderer;
    VideoFrame m_heldPicture; // the newest picture of the video source, in a take or not

    // main thread
    bool m_takeOpen = false; // from startRecording until the completion has run
    TakeCompletion m_completion;
    TakeWriters m_finishingWriters; // from the stop until the take is handed over
    // Threads that let stuck writers go (joined by the destructor).
    std::vector<std::thread> m_writerReleasers;
    bool m_isRecording = false;
    double m_recordedDuration = 0;
    QTimer *m_durationTimer = nullptr;

    // written by the main thread, read by the output queue
    LockedValue<double> m_cropOffsetCell{0.5};
    LockedValue<VideoFlip> m_flipCell;
};

} // namespace tandrel
