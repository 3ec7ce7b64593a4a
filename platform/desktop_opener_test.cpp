#include "platform/desktop_opener.h"

#include "tests/support/fake_xdg_open.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using tandrel::testing::FakeXdgOpen;
using tandrel::testing::waitUntil;

TEST(SystemDesktopOpener, ReportsWhatTheDesktopsOpenerSaysByItsExitStatus)
{
    QTemporaryDir dir;
    const struct
    {
        const char *name;
        int exit;
        bool installed;
        std::optional<OpenFailure> failure;
    } cases[] = {
            {"opened", 0, true, std::nullopt},
            {"no such file", 2, true, OpenFailure::notFound},
            {"no program", 3, true, OpenFailure::noProgram},
            {"action failed", 4, true, OpenFailure::refused},
            {"wrong command line", 1, true, OpenFailure::refused},
            {"no xdg-open", 0, false, OpenFailure::noOpener},
    };
    for (const auto &c : cases) {
        FakeXdgOpen fake(c.exit, c.exit, c.installed);
        SystemDesktopOpener opener;
        int calls = 0;
        std::optional<OpenFailure> reported;
        opener.openAndReport(dir.path(), [&](std::optional<OpenFailure> failure) {
            ++calls;
            reported = failure;
        });
        ASSERT_TRUE(waitUntil([&] { return calls > 0; }, 30000)) << c.name;
        EXPECT_EQ(reported, c.failure) << c.name;
        if (c.installed) {
            EXPECT_EQ(fake.opened(), QStringList{dir.path()}) << c.name;
        }
        // Settled once only, also when the opener's end arrives after a failure to start.
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1) << c.name;
        // The plain hand-over knows only whether the opener started.
        EXPECT_EQ(opener.open(dir.path()), c.installed) << c.name;
    }
}
