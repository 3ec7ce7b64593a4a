#include "platform/settings_store.h"
#include "teleprompter/teleprompter_state.h"

#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

class ListedScreens : public ScreenProvider
{
public:
    QList<TeleprompterScreen> list;
    QList<TeleprompterScreen> screens() const override { return list; }
};

struct Fixture
{
    QTemporaryDir dir;
    QString path = dir.filePath("settings.ini");
    SettingsStore settings{path};
    std::shared_ptr<ListedScreens> screens = std::make_shared<ListedScreens>();

    std::unique_ptr<TeleprompterState> make()
    {
        return std::make_unique<TeleprompterState>(settings, screens);
    }
    // What is on disk, read independently of the store under test.
    QStringList storedKeys() const { return QSettings(path, QSettings::IniFormat).allKeys(); }
    QVariant stored(const QString &key) const { return QSettings(path, QSettings::IniFormat).value(key); }
};

const QStringList nineKeys{
        "teleprompter.fontSize",      "teleprompter.scrollSpeed",      "teleprompter.isMirrored",
        "teleprompter.followSpeech",  "teleprompter.scrollMode",       "teleprompter.textPlacement",
        "teleprompter.showsSelfView", "teleprompter.selectedScreenID", "teleprompter.selectedDisplayID"};

} // namespace

TEST(TeleprompterState, FirstStartUsesDefaultsAndWritesNothing)
{
    Fixture f;
    auto state = f.make();
    EXPECT_EQ(state->fontSize(), 56);
    EXPECT_EQ(state->scrollSpeed(), 72);
    EXPECT_TRUE(state->isMirrored());
    EXPECT_EQ(state->scrollMode(), TeleprompterScrollMode::speech);
    EXPECT_EQ(state->textPlacement(), TeleprompterTextPlacement::standard);
    EXPECT_FALSE(state->showsSelfView());
    EXPECT_EQ(state->selectedScreenID(), std::nullopt);
    EXPECT_EQ(state->selectedDisplayID(), 0u);
    EXPECT_FALSE(state->isScrolling());
    EXPECT_FALSE(state->isPresented());
    EXPECT_TRUE(f.storedKeys().isEmpty());
}

TEST(TeleprompterState, LoadsOnlyAcceptableStoredValues)
{
    const struct
    {
        const char *key;
        QVariant value;
        double fontSize, scrollSpeed;
    } cases[] = {
            {"teleprompter.fontSize", 20.0, 56, 72},
            {"teleprompter.fontSize", 24.0, 24, 72},
            {"teleprompter.fontSize", 200.0, 200, 72},
            {"teleprompter.fontSize", "groß", 56, 72},
            {"teleprompter.scrollSpeed", 7.5, 56, 72},
            {"teleprompter.scrollSpeed", 8.0, 56, 8},
            // hand-edited stores: numbers without an end are no sizes
            {"teleprompter.fontSize", "inf", 56, 72},
            {"teleprompter.scrollSpeed", "inf", 56, 72},
            {"teleprompter.fontSize", "nan", 56, 72},
    };
    for (const auto &c : cases) {
        Fixture f;
        f.settings.setValue(QString::fromLatin1(c.key), c.value);
        auto state = f.make();
        EXPECT_EQ(state->fontSize(), c.fontSize) << c.key << " " << c.value.toString().toStdString();
        EXPECT_EQ(state->scrollSpeed(), c.scrollSpeed) << c.key << " " << c.value.toString().toStdString();
    }
}

TEST(TeleprompterState, ScrollModeFallsBackToTheOldFollowSpeechKey)
{
    using M = TeleprompterScrollMode;
    const struct
    {
        QVariant mode, followSpeech;
        M expected;
    } cases[] = {
            {QVariant(), false, M::steady},      {QVariant(), true, M::speech},
            {"steady", true, M::steady},         {"speech", false, M::speech},
            {"rückwärts", false, M::steady},     {"rückwärts", QVariant(), M::speech},
            {QVariant(), QVariant(), M::speech},
    };
    for (const auto &c : cases) {
        Fixture f;
        if (c.mode.isValid())
            f.settings.setValue("teleprompter.scrollMode", c.mode);
        if (c.followSpeech.isValid())
            f.settings.setValue("teleprompter.followSpeech", c.followSpeech);
        EXPECT_EQ(f.make()->scrollMode(), c.expected)
                << c.mode.toString().toStdString() << " / " << c.followSpeech.toString().toStdString();
    }
}

TEST(TeleprompterState, LoadsPlacementFlagsAndScreen)
{
    Fixture f;
    f.screens->list = {{"Links", 1}, {"Beamer", 2}};
    f.settings.setValue("teleprompter.textPlacement", "center");
    f.settings.setValue("teleprompter.isMirrored", false);
    f.settings.setValue("teleprompter.showsSelfView", true);
    f.settings.setValue("teleprompter.selectedScreenID", "Alter Name");
    f.settings.setValue("teleprompter.selectedDisplayID", 2);
    auto state = f.make();
    EXPECT_EQ(state->textPlacement(), TeleprompterTextPlacement::center);
    EXPECT_FALSE(state->isMirrored());
    EXPECT_TRUE(state->showsSelfView());
    // The number wins and the name shown follows it; loading writes nothing back.
    EXPECT_EQ(state->selectedScreenID(), QString("Beamer"));
    EXPECT_EQ(f.stored("teleprompter.selectedScreenID").toString(), "Alter Name");

    Fixture g;
    g.settings.setValue("teleprompter.textPlacement", "oben");
    g.settings.setValue("teleprompter.selectedDisplayID", "99999999999");
    auto other = g.make();
    EXPECT_EQ(other->textPlacement(), TeleprompterTextPlacement::standard);
    EXPECT_EQ(other->selectedDisplayID(), 0u);
}

TEST(TeleprompterState, EveryWritePersistsAllKeysButNotifiesOnlyOnChange)
{
    Fixture f;
    auto state = f.make();
    QSignalSpy fontSpy(state.get(), &TeleprompterState::fontSizeChanged);
    state->setFontSize(60);
    EXPECT_EQ(fontSpy.size(), 1);
    QStringList keys = f.storedKeys();
    keys.sort();
    QStringList expected = nineKeys;
    expected.removeOne("teleprompter.selectedScreenID"); // none is stored by removing the key
    expected.sort();
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(f.stored("teleprompter.followSpeech").toBool(), true);
    EXPECT_EQ(f.stored("teleprompter.scrollMode").toString(), "speech");
    EXPECT_EQ(f.stored("teleprompter.fontSize").toDouble(), 60);

    // The same value again: no notification, but it is written.
    f.settings.remove("teleprompter.fontSize");
    state->setFontSize(60);
    EXPECT_EQ(fontSpy.size(), 1);
    EXPECT_EQ(f.stored("teleprompter.fontSize").toDouble(), 60);

    state->setScrollMode(TeleprompterScrollMode::steady);
    EXPECT_EQ(f.stored("teleprompter.followSpeech").toBool(), false);
    EXPECT_EQ(f.stored("teleprompter.scrollMode").toString(), "steady");

    // Live fields are not persisted.
    QSignalSpy statusSpy(state.get(), &TeleprompterState::followStatusChanged);
    state->setFollowStatus(FollowState::listening);
    state->setFollowStatus(FollowState::listening);
    EXPECT_EQ(statusSpy.size(), 1);
    EXPECT_FALSE(f.storedKeys().contains("teleprompter.followStatus"));

    // A fresh state reads back what was written.
    auto reloaded = f.make();
    EXPECT_EQ(reloaded->fontSize(), 60);
    EXPECT_EQ(reloaded->scrollMode(), TeleprompterScrollMode::steady);
}

TEST(TeleprompterState, ScreenChoiceResolvesByNumberThenNameThenLast)
{
    Fixture f;
    f.screens->list = {{"Links", 1}, {"Mitte", 2}, {"Rechts", 3}};
    auto state = f.make();
    EXPECT_EQ(state->resolvedScreen()->number, 3u); // nothing chosen: the last

    state->setSelectedScreenID(QString("Mitte"));
    EXPECT_EQ(state->resolvedScreen()->number, 2u);
    state->syncSelectedDisplay();
    EXPECT_EQ(state->selectedDisplayID(), 2u);
    EXPECT_EQ(f.stored("teleprompter.selectedDisplayID").toInt(), 2);

    // The chosen display goes away: its number stays stored, the name falls back.
    f.screens->list = {{"Links", 1}, {"Rechts", 3}};
    EXPECT_EQ(state->resolvedScreen()->number, 3u);
    f.screens->list = {{"Links", 1}, {"Mitte", 4}, {"Rechts", 3}};
    EXPECT_EQ(state->resolvedScreen()->number, 4u); // found again by name
    state->setSelectedScreenID(QString("Weg"));
    state->syncSelectedDisplay();
    EXPECT_EQ(state->selectedDisplayID(), 2u); // unknown name: unchanged

    // Automatic: the name key is removed and 0 stored.
    state->setSelectedScreenID(std::nullopt);
    state->syncSelectedDisplay();
    EXPECT_EQ(state->selectedDisplayID(), 0u);
    EXPECT_FALSE(f.storedKeys().contains("teleprompter.selectedScreenID"));
    EXPECT_EQ(f.stored("teleprompter.selectedDisplayID").toInt(), 0);

    f.screens->list.clear();
    EXPECT_EQ(state->resolvedScreen(), std::nullopt);
}

TEST(TeleprompterState, KeepsTheReportedReadingPositionWithinItsScriptAndResetsIt)
{
    Fixture f;
    auto state = f.make();
    QSignalSpy positionSpy(state.get(), &TeleprompterState::readingPositionChanged);
    QSignalSpy resetSpy(state.get(), &TeleprompterState::followResetRequested);
    QSignalSpy generationSpy(state.get(), &TeleprompterState::resetGenerationChanged);

    state->loadScript("eins zwei drei vier fünf");
    EXPECT_EQ(state->script(), "eins zwei drei vier fünf");
    EXPECT_EQ(state->document()->tokenCount(), 5);
    state->setReadingPosition(2, 1);
    EXPECT_EQ(state->cursor(), 2);
    EXPECT_EQ(state->lookahead(), 1);
    EXPECT_EQ(positionSpy.size(), 1);
    state->setReadingPosition(2, 1); // same position: no notification
    EXPECT_EQ(positionSpy.size(), 1);
    state->setReadingPosition(9, -1); // kept within the script
    EXPECT_EQ(state->cursor(), 5);
    EXPECT_EQ(state->lookahead(), 0);

    // A shorter script keeps the position within it.
    state->loadScript("null eins zwei");
    EXPECT_EQ(state->cursor(), 3);
    state->loadScript("null eins zwei"); // the same text: the same document
    const ScriptDocumentPtr document = state->document();
    state->loadScript("null eins zwei");
    EXPECT_EQ(state->document(), document);

    state->resetFollow();
    EXPECT_EQ(state->cursor(), 0);
    EXPECT_EQ(state->lookahead(), 0);
    EXPECT_EQ(state->resetGeneration(), 1);
    EXPECT_EQ(resetSpy.size(), 1);
    state->resetFollow(); // also when already at the start
    EXPECT_EQ(state->resetGeneration(), 2);
    EXPECT_EQ(generationSpy.size(), 2);
}
