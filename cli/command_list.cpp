#include "app/library_error_text.h"
#include "cli/library_command.h"
#include "library/library_json.h"

#include <QJsonArray>

namespace tandrel::cli {

namespace {

// One line per reel: line breaks and other control characters (a NUL, an
// escape sequence) in a title print as a blank, so that nothing in a title
// reaches the terminal as a command. A tab stays as it is; the number and the
// take count hold none, so the title is everything between the first and the
// last tab.
QString listedTitle(QString title)
{
    for (QChar &c : title) {
        const bool lineBreak = c == u'\u2028' || c == u'\u2029';
        if (c != u'\t' && (lineBreak || c.category() == QChar::Other_Control))
            c = QLatin1Char(' ');
    }
    return title;
}

} // namespace

int runList(CliContext &ctx)
{
    if (!ctx.args.isEmpty())
        return ctx.usage();
    LibraryCommand library(ctx, LibraryStore::Access::readOnly);
    if (const int failed = library.storeFailure())
        return failed;
    QList<ReelProject> reels = library.store().reels();
    sortInReelOrder(reels);

    if (!ctx.json) {
        for (const ReelProject &reel : reels) {
            const QString title = listedTitle(reel.title);
            ctx.out << QString::asprintf("%03lld", static_cast<long long>(reel.prefix)) << '\t' << title
                    << '\t' << reel.takes.size() << '\n';
        }
        return 0;
    }
    QJsonArray records;
    for (const ReelProject &reel : reels) {
        const LibraryResult<QJsonObject> record = encodeReel(reel);
        if (!record)
            return ctx.fail(libraryErrorText(record.error()));
        records.append(*record);
    }
    const LibraryResult<QByteArray> text = toPrettyJson(records);
    if (!text)
        return ctx.fail(libraryErrorText(text.error()));
    ctx.out << QString::fromUtf8(*text);
    return 0;
}

} // namespace tandrel::cli
