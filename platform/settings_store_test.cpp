#include "platform/settings_store.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

TEST(SettingsStore, ValuesSurviveReopeningTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings.ini");
    {
        SettingsStore settings(path);
        settings.setValue("teleprompter.fontSize", 64.5);
        settings.setValue("capture.flipHorizontal", true);
        settings.setValue("library.bookmark", "/tmp/Ä ö");
    }
    SettingsStore reopened(path);
    EXPECT_EQ(reopened.doubleValue("teleprompter.fontSize"), 64.5);
    EXPECT_EQ(reopened.boolValue("capture.flipHorizontal"), true);
    EXPECT_EQ(reopened.stringValue("library.bookmark"), "/tmp/Ä ö");
}

TEST(SettingsStore, AbsentOrUnconvertibleValuesReadAsNone)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    EXPECT_FALSE(settings.doubleValue("teleprompter.fontSize").has_value());
    settings.setValue("teleprompter.fontSize", "groß");
    EXPECT_FALSE(settings.doubleValue("teleprompter.fontSize").has_value());
    settings.setValue("capture.flipVertical", "vielleicht");
    EXPECT_FALSE(settings.boolValue("capture.flipVertical").has_value());
    settings.remove("capture.flipVertical");
    EXPECT_FALSE(settings.contains("capture.flipVertical"));
}
