#include "cli/cli_context.h"

namespace tandrel::cli {

// Not built yet: reports so instead of pretending to work.
int runList(CliContext &ctx)
{
    return ctx.fail(QStringLiteral("Dieser Befehl ist noch nicht verfügbar."));
}

} // namespace tandrel::cli
