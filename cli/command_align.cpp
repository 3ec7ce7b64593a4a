#include "cli/cli_context.h"
#include "speech/script_aligner.h"

#include <QCoreApplication>

namespace tandrel::cli {

namespace {

struct Transcript
{
    QString text;
    bool isFinal = false;
};

// One transcript a line, "final<TAB>text" or "pending<TAB>text" (a bare
// "final" or "pending", as editors leave it after trimming, is an empty
// transcript); empty lines are skipped. The whole file is checked before anything is aligned.
std::optional<QList<Transcript>> parseTranscripts(const QString &content, const QString &path, QString *error)
{
    QList<Transcript> transcripts;
    const QStringList lines = content.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        qsizetype tab = line.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            tab = line.size();
        const QString kind = line.left(tab);
        if (kind != QLatin1String("final") && kind != QLatin1String("pending")) {
            *error = QCoreApplication::translate(
                             "tandrelctl",
                             "Zeile %1 in %2 beginnt nicht mit \"final\" oder \"pending\" und "
                             "einem Tabulator.")
                             .arg(i + 1)
                             .arg(path);
            return std::nullopt;
        }
        transcripts.append({line.mid(tab + 1), kind == QLatin1String("final")});
    }
    return transcripts;
}

} // namespace

int runAlign(CliContext &ctx)
{
    const std::optional<QString> scriptPath = ctx.option(QStringLiteral("--script"));
    const std::optional<QString> transcriptPath = ctx.option(QStringLiteral("--transcripts"));
    if (!scriptPath || !transcriptPath || !ctx.args.isEmpty())
        return ctx.usage();

    const std::optional<QString> script = ctx.readText(*scriptPath);
    if (!script)
        return ExitFailure;
    const std::optional<QString> content = ctx.readText(*transcriptPath);
    if (!content)
        return ExitFailure;
    QString error;
    const std::optional<QList<Transcript>> transcripts = parseTranscripts(*content, *transcriptPath, &error);
    if (!transcripts)
        return ctx.fail(error);

    ScriptAligner aligner;
    aligner.replaceScript(*script);
    QStringList positions;
    for (const Transcript &transcript : *transcripts) {
        aligner.ingest(transcript.text, transcript.isFinal);
        if (ctx.json)
            positions.append(QStringLiteral("{\"cursor\": %1, \"lookahead\": %2}")
                                     .arg(aligner.cursor())
                                     .arg(aligner.lookahead()));
        else
            ctx.out << aligner.cursor() << ' ' << aligner.lookahead() << '\n';
    }
    // Written by hand so that the members keep the order the format names.
    if (ctx.json)
        ctx.out << '[' << positions.join(QStringLiteral(", ")) << "]\n";
    return 0;
}

} // namespace tandrel::cli
