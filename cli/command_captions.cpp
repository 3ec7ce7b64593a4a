#include "app/follow_status_text.h"
#include "app/library_error_text.h"
#include "cli/library_command.h"
#include "library/caption_cues.h"
#include "library/markdown_import.h"
#include "speech/take_word_times.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tandrel::cli {

namespace {

QJsonDocument wordsJson(const QList<WordTime> &words)
{
    QJsonArray array;
    for (const WordTime &w : words)
        array.append(QJsonObject{{QStringLiteral("start"), w.start},
                                 {QStringLiteral("end"), w.end},
                                 {QStringLiteral("index"), w.index},
                                 {QStringLiteral("text"), w.text}});
    return QJsonDocument(array);
}

} // namespace

// The captions of a take (the newest unless --take names one, counted from
// 1 in recording order). Takes that have no word times yet get them now, and
// the library keeps them.
int runCaptions(CliContext &ctx)
{
    const std::optional<QString> format = ctx.option(QStringLiteral("--format"));
    std::optional<qint64> takeNumber;
    if (ctx.args.size() != 1 || !parseTakeOption(ctx, takeNumber)
        || (format && *format != QLatin1String("srt") && *format != QLatin1String("vtt")))
        return ctx.usage();
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage();

    LibraryCommand library(ctx);
    int exitCode = 0;
    const std::optional<ReelProject> reel = library.openReel(*number, exitCode);
    if (!reel)
        return exitCode;
    const std::optional<Take> chosen = library.takeOf(*reel, takeNumber, reel->takes.size() - 1);
    if (!chosen)
        return ExitFailure;
    const Take &take = *chosen;

    QList<WordTime> words;
    if (take.words) {
        words = *take.words;
    } else {
        if (!take.audioFileName)
            return ctx.fail(QCoreApplication::translate(
                    "tandrelctl", "Der Take hat keine Tonspur: Ohne Ton gibt es keine Untertitel."));
        const QString audio = QDir(library.store().takesFolder(*reel)).filePath(*take.audioFileName);
        const Result<WordAlignment, SpeechProblem> aligned = alignTakeAudio(audio, reel->script);
        if (!aligned)
            return ctx.fail(
                    QCoreApplication::translate("tandrelctl", "Untertitel konnten nicht erzeugt werden: %1")
                            .arg(speechProblemText(aligned.error())));
        words = aligned->words;
        // Printed either way: the words are known, keeping them only saves time.
        if (const LibraryOutcome<> kept = library.store().setTakeWords(take.id, reel->id, words); !kept)
            ctx.err << libraryErrorText(kept.error()) << Qt::endl;
    }

    if (ctx.json)
        ctx.out << wordsJson(words).toJson(QJsonDocument::Compact) << '\n';
    else if (format == QLatin1String("vtt"))
        ctx.out << webVttText(captionCues(words));
    else
        ctx.out << srtText(captionCues(words));
    return 0;
}

} // namespace tandrel::cli
