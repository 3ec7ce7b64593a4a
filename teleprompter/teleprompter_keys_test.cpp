#include "platform/settings_store.h"
#include "teleprompter/teleprompter_keys.h"
#include "teleprompter/teleprompter_state.h"

#include <QKeyEvent>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

QKeyEvent press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString &text = {})
{
    return QKeyEvent(QEvent::KeyPress, key, modifiers, text);
}

} // namespace

TEST(TeleprompterKeys, KeyTableMapsKeysToActions)
{
    using A = TeleprompterKeyAction;
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        A action;
    } cases[] = {
            {Qt::Key_Space, Qt::NoModifier, A::toggleScrolling},
            {Qt::Key_Return, Qt::NoModifier, A::toggleScrolling},
            {Qt::Key_Enter, Qt::KeypadModifier, A::toggleScrolling},
            {Qt::Key_Plus, Qt::NoModifier, A::enlargeFont},
            {Qt::Key_Plus, Qt::KeypadModifier, A::enlargeFont},
            {Qt::Key_Equal, Qt::NoModifier, A::enlargeFont},
            {Qt::Key_Minus, Qt::KeypadModifier, A::shrinkFont},
            {Qt::Key_Underscore, Qt::ShiftModifier, A::shrinkFont},
            {Qt::Key_0, Qt::NoModifier, A::resetFollow},
            {Qt::Key_0, Qt::KeypadModifier, A::resetFollow},
            {Qt::Key_Insert, Qt::KeypadModifier, A::resetFollow}, // keypad 0 without Num Lock
            {Qt::Key_Insert, Qt::NoModifier, A::none},
            {Qt::Key_Escape, Qt::NoModifier, A::dismiss},
            {Qt::Key_A, Qt::NoModifier, A::none},
            {Qt::Key_1, Qt::NoModifier, A::none},
            {Qt::Key_0, Qt::ControlModifier, A::none}, // belongs to the application's shortcuts
            {Qt::Key_Space, Qt::MetaModifier, A::none},
    };
    for (const auto &c : cases) {
        const QKeyEvent event = press(c.key, c.modifiers);
        EXPECT_EQ(teleprompterKeyAction(event), c.action) << std::hex << c.key;
    }
}

TEST(TeleprompterKeys, FontKeysStepByFourBetweenLimitsAndPersist)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("d.ini"));
    TeleprompterState state(settings);
    const struct
    {
        double from;
        TeleprompterKeyAction action;
        double to;
    } cases[] = {
            {118, TeleprompterKeyAction::enlargeFont, 120}, {120, TeleprompterKeyAction::enlargeFont, 120},
            {26, TeleprompterKeyAction::shrinkFont, 24},    {24, TeleprompterKeyAction::shrinkFont, 24},
            {200, TeleprompterKeyAction::shrinkFont, 196},  {200, TeleprompterKeyAction::enlargeFont, 120},
            {56, TeleprompterKeyAction::enlargeFont, 60},
    };
    for (const auto &c : cases) {
        state.setFontSize(c.from);
        applyTeleprompterKey(c.action, state, {});
        EXPECT_EQ(state.fontSize(), c.to) << c.from;
        EXPECT_EQ(settings.doubleValue("teleprompter.fontSize"), c.to) << c.from;
    }
}
