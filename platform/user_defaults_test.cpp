#include "platform/user_defaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

TEST(UserDefaults, ValuesSurviveReopeningTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("defaults.ini"));
    {
        UserDefaults defaults(path);
        defaults.setValue(QStringLiteral("teleprompter.fontSize"), 64.5);
        defaults.setValue(QStringLiteral("capture.flipHorizontal"), true);
        defaults.setValue(QStringLiteral("library.bookmark"), QStringLiteral("/tmp/Ä ö"));
    }
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.doubleValue(QStringLiteral("teleprompter.fontSize")), 64.5);
    EXPECT_EQ(reopened.boolValue(QStringLiteral("capture.flipHorizontal")), true);
    EXPECT_EQ(reopened.stringValue(QStringLiteral("library.bookmark")), QStringLiteral("/tmp/Ä ö"));
}

TEST(UserDefaults, AbsentOrUnconvertibleValuesReadAsNone)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath(QStringLiteral("defaults.ini")));
    EXPECT_FALSE(defaults.doubleValue(QStringLiteral("teleprompter.fontSize")).has_value());
    defaults.setValue(QStringLiteral("teleprompter.fontSize"), QStringLiteral("groß"));
    EXPECT_FALSE(defaults.doubleValue(QStringLiteral("teleprompter.fontSize")).has_value());
    defaults.setValue(QStringLiteral("capture.flipVertical"), QStringLiteral("vielleicht"));
    EXPECT_FALSE(defaults.boolValue(QStringLiteral("capture.flipVertical")).has_value());
    defaults.remove(QStringLiteral("capture.flipVertical"));
    EXPECT_FALSE(defaults.contains(QStringLiteral("capture.flipVertical")));
}
