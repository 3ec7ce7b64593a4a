#include "platform/user_defaults.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

TEST(UserDefaults, ValuesSurviveReopeningTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.ini");
    {
        UserDefaults defaults(path);
        defaults.setValue("teleprompter.fontSize", 64.5);
        defaults.setValue("capture.flipHorizontal", true);
        defaults.setValue("library.bookmark", "/tmp/Ä ö");
    }
    UserDefaults reopened(path);
    EXPECT_EQ(reopened.doubleValue("teleprompter.fontSize"), 64.5);
    EXPECT_EQ(reopened.boolValue("capture.flipHorizontal"), true);
    EXPECT_EQ(reopened.stringValue("library.bookmark"), "/tmp/Ä ö");
}

TEST(UserDefaults, AbsentOrUnconvertibleValuesReadAsNone)
{
    QTemporaryDir dir;
    UserDefaults defaults(dir.filePath("defaults.ini"));
    EXPECT_FALSE(defaults.doubleValue("teleprompter.fontSize").has_value());
    defaults.setValue("teleprompter.fontSize", "groß");
    EXPECT_FALSE(defaults.doubleValue("teleprompter.fontSize").has_value());
    defaults.setValue("capture.flipVertical", "vielleicht");
    EXPECT_FALSE(defaults.boolValue("capture.flipVertical").has_value());
    defaults.remove("capture.flipVertical");
    EXPECT_FALSE(defaults.contains("capture.flipVertical"));
}
