#include "cli/library_command.h"
#include "library/library_json.h"
#include "library/markdown_import.h"

namespace tandrel::cli {

int runShow(CliContext &ctx)
{
    if (ctx.args.size() != 1)
        return ctx.usage(QStringLiteral("show NUMMER"));
    const std::optional<qint64> number = parseReelNumber(ctx.args.first());
    if (!number)
        return ctx.usage(QStringLiteral("show NUMMER"));
    LibraryCommand library(ctx);
    if (const int failed = library.storeFailure())
        return failed;
    QList<ReelProject> reels = library.store().reels();
    sortInReelOrder(reels);
    const auto it
            = std::find_if(reels.begin(), reels.end(), [&](const auto &r) { return r.prefix == *number; });
    if (it == reels.end())
        return ctx.fail(QStringLiteral("Kein Reel mit der Nummer %1.")
                                .arg(QString::asprintf("%03lld", static_cast<long long>(*number))));
    const Result<QByteArray> text = encodeReelText(*it);
    if (!text)
        return ctx.fail(text.error());
    ctx.out << QString::fromUtf8(*text);
    return 0;
}

} // namespace tandrel::cli
