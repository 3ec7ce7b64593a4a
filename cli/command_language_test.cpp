#include "tests/support/tandrelctl_run.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using tandrel::testing::CtlRun;
using tandrel::testing::Tandrelctl;

CtlRun runWith(const QList<QPair<QString, QString>> &environment, const QStringList &args)
{
    QTemporaryDir home;
    Tandrelctl ctl(home.path());
    for (const auto &[name, value] : environment)
        ctl.environment().insert(name, value);
    return ctl.run(args, {}, 60000);
}

} // namespace

// The messages follow LANGUAGE first (its first German or English entry),
// then LC_ALL, LC_MESSAGES and LANG in that order; only English counts.
TEST(LanguageOfMessages, FollowsTheEnvironmentAsGettextReadsIt)
{
    const struct
    {
        QList<QPair<QString, QString>> environment;
        bool english;
    } cases[] = {
            {{}, false},
            {{{"LANGUAGE", "en"}}, true},
            {{{"LANG", "en_US.UTF-8"}}, true},
            {{{"LANG", "fr_FR.UTF-8"}}, false},
            {{{"LC_ALL", "de_DE.UTF-8"}, {"LANG", "en_US.UTF-8"}}, false},
            {{{"LC_MESSAGES", "en_GB.UTF-8"}, {"LANG", "de_DE.UTF-8"}}, true},
            {{{"LANGUAGE", "fr:en_GB:de"}, {"LANG", "de_DE.UTF-8"}}, true},
            {{{"LANGUAGE", "de"}, {"LC_ALL", "en_US.UTF-8"}}, false},
    };
    for (const auto &c : cases) {
        const CtlRun run = runWith(c.environment, {"frobnicate"});
        std::string described;
        for (const auto &[name, value] : c.environment)
            described += (name + "=" + value + " ").toStdString();
        EXPECT_EQ(run.exitCode, 2) << described;
        EXPECT_TRUE(run.err.contains(c.english ? "Unknown command: frobnicate"
                                               : "Unbekannter Befehl: frobnicate"))
                << described << run.err.toStdString();
    }
}

TEST(LanguageOfMessages, HelpAndFailuresReadInEnglish)
{
    const CtlRun help = runWith({{"LANGUAGE", "en"}}, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: tandrelctl [--library FOLDER] [--json] COMMAND ..."))
            << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("Lists the reels of the library.")) << help.out.toStdString();

    QTemporaryDir library;
    const CtlRun missing = runWith({{"LANGUAGE", "en"}},
                                   {"--library", library.path(), "import", library.filePath("missing.md")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.startsWith("File could not be read: ")) << missing.err.toStdString();
}
