#pragma once

#include "cli/cli_context.h"
#include "library/library_store.h"
#include "platform/user_defaults.h"

#include <memory>

namespace tandrel::cli {

// The library store as the commands use it: the folder from --library, or the
// application's own remembered folder.
class LibraryCommand
{
public:
    explicit LibraryCommand(CliContext &ctx)
        : m_defaults(std::make_unique<UserDefaults>()), m_store(*m_defaults, ctx.libraryDir), m_ctx(ctx)
    { }

    LibraryStore &store() { return m_store; }

    // The first reel in reel order with `number`; none after printing the
    // German text that there is no such reel.
    std::optional<ReelProject> reelNumbered(qint64 number)
    {
        QList<ReelProject> reels = m_store.reels();
        sortInReelOrder(reels);
        for (const ReelProject &reel : reels)
            if (reel.prefix == number)
                return reel;
        m_ctx.fail(QStringLiteral("Kein Reel mit der Nummer %1.")
                           .arg(QString::asprintf("%03lld", static_cast<long long>(number))));
        return std::nullopt;
    }

    // A failure the store met (reading or saving the library), printed as the
    // command's failure; ExitFailure then, otherwise 0.
    int storeFailure()
    {
        if (const std::optional<QString> error = m_store.lastError())
            return m_ctx.fail(*error);
        return 0;
    }

private:
    std::unique_ptr<UserDefaults> m_defaults;
    LibraryStore m_store;
    CliContext &m_ctx;
};

} // namespace tandrel::cli
