#include "app/capture_text.h"
#include "app/library_error_text.h"
#include "app/recording_session.h"
#include "capture/capture_controller.h"
#include "capture/video_file_writer.h"
#include "cli/library_command.h"
#include "library/library_json.h"
#include "library/markdown_import.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_state.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>

namespace tandrel::cli {

namespace {

// Runs the event loop until `done` holds or `ms` pass.
bool spinUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

struct RecordOptions
{
    qint64 reel = 0;
    double seconds = 0;
    std::optional<QString> video, audio;
    std::optional<double> crop;
    bool flipH = false, flipV = false;
};

std::optional<RecordOptions> parseOptions(CliContext &ctx)
{
    RecordOptions o;
    const auto reel = ctx.option(QStringLiteral("--reel"));
    const auto seconds = ctx.option(QStringLiteral("--seconds"));
    o.video = ctx.option(QStringLiteral("--video"));
    o.audio = ctx.option(QStringLiteral("--audio"));
    const auto crop = ctx.option(QStringLiteral("--crop"));
    o.flipH = ctx.flag(QStringLiteral("--flip-h"));
    o.flipV = ctx.flag(QStringLiteral("--flip-v"));
    if (!ctx.args.isEmpty() || !reel || !seconds)
        return std::nullopt;
    const std::optional<qint64> number = parseReelNumber(*reel);
    bool ok = false;
    o.seconds = seconds->toDouble(&ok);
    if (!number || !ok || !std::isfinite(o.seconds) || o.seconds <= 0)
        return std::nullopt;
    o.reel = *number;
    if (crop) {
        const double x = crop->toDouble(&ok);
        if (!ok || !(x >= 0 && x <= 1))
            return std::nullopt;
        o.crop = x;
    }
    return o;
}

// Waits until the selected sources deliver, so that the take does not begin
// with the devices still starting; gives up quietly (the take then tells
// what was missing).
void waitForSources(CaptureController &controller, const std::optional<QString> &video, bool microphone)
{
    std::atomic<int> buffers{0};
    int frames = 0;
    controller.setAudioTap([&buffers](const AudioBuffer &) { ++buffers; });
    auto counting = QObject::connect(&controller, &CaptureController::previewFrame,
                                     [&frames](const QImage &) { ++frames; });
    spinUntil([&] { return (!video || frames >= 2) && (!microphone || buffers >= 5); }, 10000);
    QObject::disconnect(counting);
    controller.setAudioTap({});
}

} // namespace

// One take exactly as the record button makes it: the capture controller with
// the chosen (or default) sources, the reel's crop position and the stored
// mirror settings; the recording session records the take and adds it to the
// reel. No teleprompter opens.
int runRecord(CliContext &ctx)
{
    const std::optional<RecordOptions> options = parseOptions(ctx);
    if (!options)
        return ctx.usage();

    LibraryCommand library(ctx);
    if (const int failed = library.storeFailure())
        return failed;
    const std::optional<ReelProject> reel = library.reelNumbered(options->reel);
    if (!reel)
        return ExitFailure;

    // The user's mirror settings apply, but the command never writes them:
    // the controller keeps its settings in a scratch copy.
    QTemporaryDir scratch;
    SettingsStore settings(scratch.filePath(QStringLiteral("settings.ini")));
    const SettingsStore stored;
    for (const SettingKey<bool> key : {settings::flipHorizontal, settings::flipVertical})
        if (const std::optional<bool> value = stored.boolValue(key))
            settings.setValue(key, *value);

    CaptureController controller(settings);
    bool activated = false;
    QObject::connect(&controller, &CaptureController::activated, [&activated] { activated = true; });
    controller.activate();
    spinUntil([&] { return activated; }, 20000);

    if (options->video) {
        const QList<VideoSource> sources = controller.videoSources();
        if (std::none_of(sources.begin(), sources.end(),
                         [&](const auto &s) { return s.id == *options->video; }))
            return ctx.fail(QCoreApplication::translate("tandrelctl", "Unbekannte Videoquelle: %1")
                                    .arg(*options->video));
        controller.selectVideoSource(options->video);
    }
    if (options->audio) {
        const QList<AudioDevice> mics = controller.microphones();
        if (std::none_of(mics.begin(), mics.end(), [&](const auto &m) { return m.id == *options->audio; }))
            return ctx.fail(QCoreApplication::translate("tandrelctl", "Unbekanntes Mikrofon: %1")
                                    .arg(*options->audio));
        // The picker's order: the selection first, then the session follows it.
        // A capture card with its own sound is recorded with that sound, as
        // in the window, whichever microphone is chosen.
        controller.setSelectedMicrophoneID(options->audio);
        controller.scheduleReconfigure();
        const QList<CaptureDevice> cameras = controller.cameras();
        const auto card = std::find_if(cameras.begin(), cameras.end(), [&](const CaptureDevice &d) {
            return d.carriesAudio && d.uniqueID == controller.selectedVideoSourceID();
        });
        const std::optional<QString> sound
                = card != cameras.end() ? std::optional(card->audioSourceID) : options->audio;
        if (!spinUntil([&] { return controller.audioDeviceInput() == sound; }, 20000))
            return ctx.fail(
                    QCoreApplication::translate("tandrelctl", "Mikrofon konnte nicht geöffnet werden: %1")
                            .arg(*options->audio));
    }
    controller.setCropOffset(options->crop.value_or(reel->cropCenterX));
    if (options->flipH)
        controller.setFlipHorizontal(true);
    if (options->flipV)
        controller.setFlipVertical(true);
    waitForSources(controller, controller.selectedVideoSourceID(),
                   controller.selectedMicrophoneID().has_value());

    // The session's teleprompter and follower stay unused: the command only
    // records. Their settings go to the scratch store as well.
    TeleprompterState teleprompter(settings);
    SpeechFollower follower;
    RecordingSession session(library.store(), controller, teleprompter, follower);
    QEventLoop loop;
    std::optional<Result<Take>> outcome;
    // The take runs for the given time from the moment recording has begun.
    // On time to the millisecond, not within a coarse timer's 5 %. Past the
    // longest take the recorder stops the take itself, and says so.
    QTimer duration;
    duration.setSingleShot(true);
    duration.setTimerType(Qt::PreciseTimer);
    const double longest = double(VideoFileWriter::MaxTakeSeconds) + 60;
    duration.setInterval(int(std::llround(std::min(options->seconds, longest) * 1000)));
    QObject::connect(&duration, &QTimer::timeout, &session, &RecordingSession::stopRecording);
    QObject::connect(&controller, &CaptureController::isRecordingChanged, &duration, [&] {
        if (controller.isRecording())
            duration.start();
    });
    // A take that neither begins nor settles in time is given up.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    limit.start(duration.interval() + 140000);
    session.recordTake(*reel, [&](const Result<Take> &r) {
        outcome = r;
        loop.quit();
    });
    if (!outcome)
        loop.exec();
    if (!outcome)
        return ctx.fail(QCoreApplication::translate("tandrelctl", "Die Aufnahme wurde nicht abgeschlossen."));
    if (!outcome->ok())
        return ctx.fail(outcome->error());

    const Take take = outcome->value();
    if (const int failed = library.storeFailure())
        return failed;
    // Video was asked for and no picture came: the take keeps its sound,
    // but a script must not take it for what it asked.
    if (take.audioFileName && !take.videoFileName && controller.lastError()
        && givesPictures(controller.selectedVideoSourceID()))
        return ctx.fail(captureNoticeText(*controller.lastError()));
    // A take that a failing device or the disk ended early is kept, but it is
    // not the take asked for. One the length limit ended is, with a note.
    if (const std::optional<CaptureNotice> notice = controller.lastError()) {
        if (notice->kind == CaptureNotice::Kind::aborted)
            return ctx.fail(captureNoticeText(*notice));
        if (notice->kind == CaptureNotice::Kind::takeLimit)
            ctx.err << captureNoticeText(*notice) << Qt::endl;
    }
    const LibraryResult<QByteArray> text = encodeTakeText(take);
    if (!text)
        return ctx.fail(libraryErrorText(text.error()));
    ctx.out << QString::fromUtf8(*text);
    return 0;
}

} // namespace tandrel::cli
