// Captions of takes read by espeak-ng, whose word events give the true word
// times: how long a take's word times take to learn per minute of take (the
// whole path a recorded take goes: its AAC file decoded, the script's model,
// every frame decoded, the words lined up), and how far each caption cue's
// start lies from the true start of its first word (median and 90th
// percentile), for two voices in English and in German.
//
//   caption_bench [--srt]
//
// --srt prints each reading's first cues as SRT, each followed by the true
// start of its first word.
//
// The script is read three times over, so that a take lasts about a minute.

#include "library/caption_cues.h"
#include "speech/espeak_reading.h"
#include "speech/script_aligner.h"
#include "speech/take_word_times.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace tandrel;

namespace {

const char *const english = "Every morning I walk the dog along the river before the city wakes up. "
                            "The water is calm, the air is cold, and the bridges are still empty. "
                            "Sometimes a heron stands in the shallows and watches us pass. "
                            "On the way back we buy fresh bread at the small bakery on the corner. "
                            "That quiet hour is the best part of my day.";

const char *const german = "In unserer kleinen Werkstatt reparieren wir jeden Samstag alte Fahrräder. "
                           "Die Kinder bringen ihre Räder mit platten Reifen und rostigen Ketten. "
                           "Zuerst schauen wir gemeinsam an, was kaputt ist, und schreiben eine Liste. "
                           "Danach zeigen wir, wie man einen Schlauch flickt und die Kette ölt. "
                           "Am Ende fahren alle eine Runde um den Platz und freuen sich.";

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? NAN : values[qsizetype(p * double(values.size() - 1) + 0.5)];
}

// CPU time of the whole process: the decoding threads of GStreamer count too.
double processSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The reading as the recorder keeps a take's sound: AAC, 48 kHz, mono.
bool writeTakeAudio(const WavAudio &audio, const QString &path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-y", "-f", "s16le", "-ar", QString::number(audio.format.sampleRate), "-ac",
                  "1", "-i", "-", "-ar", "48000", "-c:a", "aac", "-b:a", "192k", path});
    if (!ffmpeg.waitForStarted())
        return false;
    ffmpeg.write(audio.data);
    ffmpeg.closeWriteChannel();
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool showSrt = app.arguments().contains(QStringLiteral("--srt"));
    QTemporaryDir dir;
    const struct
    {
        const char *voice;
        int wordsPerMinute;
        const char *script;
        const char *language;
    } readings[] = {
            {"en-us", 160, english, "en"},
            {"en-us+f2", 190, english, "en"},
            {"de", 160, german, "de"},
            {"de+m3", 190, german, "de"},
    };
    std::printf("cue start error: from the true start of a cue's first word to the cue's start\n");
    std::printf("alignment: wall-clock and CPU seconds (all threads) per minute of take\n");
    std::printf("%-9s %4s %7s %6s %6s %8s %8s %8s %8s %9s %9s\n", "voice", "lang", "take s", "words", "cues",
                "word med", "word p90", "cue med", "cue p90", "s/min", "cpu s/min");
    for (const auto &r : readings) {
        const QString text = QString::fromUtf8(r.script);
        const QString script = text + QLatin1Char(' ') + text + QLatin1Char(' ') + text;
        const Result<testing::EspeakReading> speech
                = testing::speakWithEspeak(script, r.wordsPerMinute, QString::fromLatin1(r.voice));
        if (!speech) {
            std::fprintf(stderr, "%s\n", qPrintable(speech.error()));
            return 1;
        }
        const QString take = dir.filePath(QStringLiteral("%1-audio.m4a").arg(QString::fromLatin1(r.voice)));
        if (!writeTakeAudio(speech->audio, take)) {
            std::fprintf(stderr, "ffmpeg could not write %s\n", qPrintable(take));
            return 1;
        }

        // The script is what was spoken: each spoken word is a token of it.
        const QList<Token> tokens = ScriptAligner::tokenize(script);
        QMap<qint64, double> trueStart;
        for (const testing::SpokenWord &w : speech->words) {
            for (const Token &t : tokens) {
                if (w.offset >= t.offset && w.offset < t.offset + t.length && !trueStart.contains(t.index))
                    trueStart.insert(t.index, w.start);
            }
        }

        QElapsedTimer clock;
        clock.start();
        const double cpuBefore = processSeconds();
        const Result<WordAlignment, SpeechProblem> aligned
                = alignTakeAudio(take, script, QString::fromLatin1(r.language));
        const double seconds = clock.nsecsElapsed() / 1e9;
        const double cpuSeconds = processSeconds() - cpuBefore;
        if (!aligned) {
            std::fprintf(stderr, "%s: failed (%d) %s\n", r.voice, int(aligned.error().kind),
                         qPrintable(aligned.error().detail));
            return 1;
        }
        QList<double> wordErrors, cueErrors;
        for (const WordTime &w : aligned->words) {
            if (trueStart.contains(w.index))
                wordErrors.append(std::abs(w.start - trueStart.value(w.index)));
        }
        const QList<CaptionCue> cues = captionCues(aligned->words);
        for (const CaptionCue &cue : cues) {
            if (trueStart.contains(cue.firstIndex))
                cueErrors.append(std::abs(cue.start - trueStart.value(cue.firstIndex)));
        }
        if (showSrt) {
            const QList<CaptionCue> first = cues.mid(0, 4);
            const QStringList blocks = srtText(first).split(QStringLiteral("\n\n"), Qt::SkipEmptyParts);
            for (qsizetype k = 0; k < blocks.size(); ++k)
                std::printf("%s\n(true start of \"%s\": %.3f s)\n\n", qPrintable(blocks[k]),
                            qPrintable(tokens[first[k].firstIndex].raw),
                            trueStart.value(first[k].firstIndex));
        }
        const double takeSeconds = aligned->audioSeconds;
        const auto perMinute = [&](double s) { return takeSeconds > 0 ? s * 60 / takeSeconds : NAN; };
        std::printf("%-9s %4s %7.1f %6lld %6lld %8.3f %8.3f %8.3f %8.3f %9.2f %9.2f\n", r.voice, r.language,
                    takeSeconds, qlonglong(aligned->words.size()), qlonglong(cues.size()),
                    percentile(wordErrors, 0.5), percentile(wordErrors, 0.9), percentile(cueErrors, 0.5),
                    percentile(cueErrors, 0.9), perMinute(seconds), perMinute(cpuSeconds));
        std::fflush(stdout);
    }
    return 0;
}
