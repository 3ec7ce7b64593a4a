#include "cli/library_command.h"
#include "library/library_json.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace tandrel::cli {

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
        // One line per reel: a line break in a title prints as a blank. A tab
        // stays as it is; the number and the take count hold none, so the
        // title is everything between the first and the last tab.
        static const QRegularExpression lineBreaks(QStringLiteral("[\\n\\r\\x{2028}\\x{2029}]"));
        for (const ReelProject &reel : reels) {
            const QString title = QString(reel.title).replace(lineBreaks, QStringLiteral(" "));
            ctx.out << QString::asprintf("%03lld", static_cast<long long>(reel.prefix)) << '\t' << title
                    << '\t' << reel.takes.size() << '\n';
        }
        return 0;
    }
    QJsonArray records;
    for (const ReelProject &reel : reels) {
        const Result<QJsonObject> record = encodeReel(reel);
        if (!record)
            return ctx.fail(record.error());
        records.append(*record);
    }
    const Result<QByteArray> text = toPrettyJson(records);
    if (!text)
        return ctx.fail(text.error());
    ctx.out << QString::fromUtf8(*text);
    return 0;
}

} // namespace tandrel::cli
