#include "app/media_failure_text.h"
#include "cli/cli_context.h"
#include "media/audio_level.h"
#include "media/speech_activity_tracker.h"
#include "media/wav_file.h"

#include <QCoreApplication>
#include <QLocale>

namespace tandrel::cli {

namespace {

constexpr qint64 defaultBufferFrames = 1024;

QString seconds(double value)
{
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

} // namespace

int runLevels(CliContext &ctx)
{
    const std::optional<QString> framesText = ctx.option(QStringLiteral("--buffer-frames"));
    if (ctx.args.size() != 1)
        return ctx.usage();
    qint64 bufferFrames = defaultBufferFrames;
    if (framesText) {
        bool ok = false;
        bufferFrames = framesText->toLongLong(&ok);
        if (!ok || bufferFrames < 1) {
            ctx.err << QCoreApplication::translate("tandrelctl",
                                                   "--buffer-frames erwartet eine positive ganze Zahl.")
                    << Qt::endl;
            return ctx.usage();
        }
    }

    auto opened = WavReader::open(ctx.args.first());
    if (!opened)
        return ctx.fail(mediaFailureText(opened.error()));
    WavReader &wav = *opened.value();

    // Buffer by buffer, as the recorder measures microphone buffers.
    SpeechActivityTracker tracker;
    double latestTime = 0;
    for (qint64 first = 0; first < wav.frames(); first += bufferFrames) {
        const Result<AudioBuffer, MediaFailure> buffer = wav.read(first, bufferFrames);
        if (!buffer)
            return ctx.fail(mediaFailureText(buffer.error()));
        if (const std::optional<float> level = audioLevel(*buffer)) {
            tracker.process(*level, buffer->time);
            latestTime = std::max(latestTime, buffer->time);
        }
    }
    const QList<SpeechInterval> intervals = tracker.finish(wav.duration(), latestTime);

    if (ctx.json) {
        // Written by hand so that the members keep the order the format names;
        // the shortest decimal text of a double is a valid JSON number.
        QStringList objects;
        for (const SpeechInterval &interval : intervals)
            objects.append(QStringLiteral("{\"start\": %1, \"end\": %2}")
                                   .arg(seconds(interval.start), seconds(interval.end)));
        ctx.out << '[' << objects.join(QStringLiteral(", ")) << "]\n";
    } else {
        for (const SpeechInterval &interval : intervals)
            ctx.out << seconds(interval.start) << ' ' << seconds(interval.end) << '\n';
    }
    return 0;
}

} // namespace tandrel::cli
