#include "library/session_mark.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/take_files.h"
#include "tests/support/test_files.h"

#include <memory>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

QStringList marksIn(const QString &folder)
{
    return QDir(folder + "/" + SessionMark::folderName).entryList({"*"}, QDir::Files | QDir::Hidden);
}

} // namespace

TEST(SessionMark, OnlyAMarkNoOneHoldsTellsOfAnUncleanEnd)
{
    QTemporaryDir dir;
    const QString folder = dir.path();
    {
        SessionMark first(folder);
        EXPECT_TRUE(first.uncleanEndBefore()) << "a folder that never had marks may hold anything";
        first.clearLeftBehind();
        EXPECT_FALSE(first.uncleanEndBefore());
        EXPECT_EQ(marksIn(folder).size(), 1);

        SessionMark alongside(folder); // another process, running
        EXPECT_FALSE(alongside.uncleanEndBefore()) << "a held mark is a process still at work";
        EXPECT_EQ(marksIn(folder).size(), 2);
    }
    EXPECT_TRUE(marksIn(folder).isEmpty()) << "a clean end takes its mark away";
    EXPECT_FALSE(SessionMark(folder).uncleanEndBefore());

    leaveMarkOfAKilledProcess(folder);
    {
        SessionMark next(folder);
        EXPECT_TRUE(next.uncleanEndBefore());
        EXPECT_TRUE(SessionMark(folder).uncleanEndBefore()) << "until mended, every start sees it";
        next.clearLeftBehind();
        EXPECT_EQ(marksIn(folder).size(), 1) << "only the own mark stays";
    }
    EXPECT_FALSE(SessionMark(folder).uncleanEndBefore());
}
