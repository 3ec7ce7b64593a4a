#include "platform/desktop_opener.h"

#include "tests/support/xdg_open_handler.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;
using tandrel::testing::waitUntil;
using tandrel::testing::XdgOpenHandler;

// The desktop's own xdg-open, whose default application is the test's: each
// of its answers reached as it comes about on a desktop.
TEST(SystemDesktopOpener, ReportsWhatTheDesktopsOpenerSaysByItsExitStatus)
{
    QTemporaryDir dir;
    QFile document(dir.filePath("Handbuch.pdf")); // a kind no application here opens
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write("%PDF-1.4\n");
    document.close();
    const struct
    {
        const char *name;
        QString location;
        int exit; // the default application's
        bool installed;
        std::optional<OpenFailure> failure;
        bool handedOver;
    } cases[] = {
            {"opened", dir.path(), 0, true, std::nullopt, true},
            {"the application failed", dir.path(), 1, true, OpenFailure::refused, true},
            {"no such file", dir.filePath("weg"), 0, true, OpenFailure::notFound, false},
            {"no program", document.fileName(), 0, true, OpenFailure::noProgram, false},
            {"wrong command line", "--unbekannt", 0, true, OpenFailure::refused, false},
            {"no xdg-open", dir.path(), 0, false, OpenFailure::noOpener, false},
    };
    for (const auto &c : cases) {
        XdgOpenHandler handler(c.exit, c.exit, c.installed);
        SystemDesktopOpener opener;
        int calls = 0;
        std::optional<OpenFailure> reported;
        opener.openAndReport(c.location, [&](std::optional<OpenFailure> failure) {
            ++calls;
            reported = failure;
        });
        ASSERT_TRUE(waitUntil([&] { return calls > 0; }, 30000)) << c.name;
        EXPECT_EQ(reported, c.failure) << c.name;
        EXPECT_EQ(handler.opened(), c.handedOver ? QStringList{c.location} : QStringList()) << c.name;
        // Settled once only, also when the opener's end arrives after a failure to start.
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 1) << c.name;
        // The plain hand-over knows only whether the opener started.
        EXPECT_EQ(opener.open(c.location), c.installed) << c.name;
    }
}
