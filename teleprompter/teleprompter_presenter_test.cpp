#include "platform/display_list.h"
#include "platform/settings_store.h"
#include "teleprompter/teleprompter_presenter.h"
#include "teleprompter/teleprompter_self_view.h"
#include "teleprompter/teleprompter_state.h"
#include "teleprompter/teleprompter_view.h"
#include "teleprompter/teleprompter_window.h"
#include "tests/support/wait_until.h"

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QShortcut>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

// The presenter with a stand-in for the session, the state's only writer of
// "presented": it presents and dismisses as the session does.
struct Prompter
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("d.ini")};
    TeleprompterState state{settings};
    TeleprompterPresenter presenter{state};

    Prompter()
    {
        QObject::connect(&presenter, &TeleprompterPresenter::dismissRequested, [this] { dismiss(); });
    }
    ~Prompter()
    {
        dismiss();
        QApplication::processEvents();
    }
    void present(const QString &script, const QString &title)
    {
        const bool wasPresented = state.isPresented();
        state.setTitle(title);
        state.loadScript(script);
        state.setIsScrolling(true);
        state.setIsPresented(true);
        if (wasPresented)
            presenter.raiseWindow();
    }
    void dismiss()
    {
        state.setIsScrolling(false);
        state.setIsPresented(false);
    }
};

int teleprompterWindows()
{
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int count = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<TeleprompterWindow *>(w))
            ++count;
    return count;
}

} // namespace

TEST(TeleprompterPresenter, RunsOnTwoDisplays)
{
    // The rest of this suite needs the two X screens of the test environment.
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "run inside scripts/test-env";
}

TEST(TeleprompterPresenter, OpeningTwiceLeavesOneWindowCoveringTheLastDisplay)
{
    Prompter s;
    s.present("eins zwei drei", "001 Erster");
    s.present("vier fünf", "002 Zweiter");
    EXPECT_EQ(teleprompterWindows(), 1);
    EXPECT_TRUE(s.state.isPresented());
    EXPECT_TRUE(s.state.isScrolling());
    EXPECT_EQ(s.state.title(), "002 Zweiter");
    EXPECT_EQ(s.state.document()->tokenCount(), 2);

    QScreen *last = QGuiApplication::screens().constLast();
    ASSERT_TRUE(s.presenter.window());
    EXPECT_EQ(s.presenter.placedScreen(), last);
    EXPECT_EQ(s.presenter.window()->windowHandle()->screen(), last);
    EXPECT_EQ(s.presenter.window()->geometry(), last->geometry());
    EXPECT_TRUE(s.presenter.window()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(s.presenter.window()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(s.presenter.window()->windowTitle(), "Teleprompter");
}

TEST(TeleprompterPresenter, KeysActEverywhereWhileOpenAndPassOnAfterwards)
{
    Prompter s;
    QLineEdit other;
    other.show();
    s.state.setFontSize(56);
    s.present("eins zwei drei", "");
    s.state.setReadingPosition(2, 0);

    QTest::keyClick(&other, Qt::Key_Space);
    EXPECT_FALSE(s.state.isScrolling());
    QTest::keyClick(&other, Qt::Key_Plus, Qt::NoModifier);
    QTest::keyClick(&other, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(s.state.fontSize(), 64);
    QTest::keyClick(&other, Qt::Key_Minus);
    EXPECT_EQ(s.state.fontSize(), 60);
    QTest::keyClick(&other, Qt::Key_0);
    EXPECT_EQ(s.state.cursor(), 0);
    EXPECT_EQ(other.text(), ""); // consumed, never typed
    QTest::keyClick(&other, Qt::Key_A);
    EXPECT_EQ(other.text(), "a"); // other keys pass

    QSignalSpy closed(&s.presenter, &TeleprompterPresenter::closed);
    QTest::keyClick(s.presenter.view(), Qt::Key_Escape);
    EXPECT_EQ(closed.size(), 1);
    EXPECT_FALSE(s.state.isPresented());
    EXPECT_FALSE(s.state.isScrolling());
    EXPECT_FALSE(s.presenter.isOpen());
    EXPECT_EQ(teleprompterWindows(), 0);

    const qint64 generation = s.state.resetGeneration();
    other.clear();
    QTest::keyClicks(&other, " +-0");
    EXPECT_EQ(other.text(), " +-0");
    EXPECT_EQ(s.state.fontSize(), 60);
    EXPECT_EQ(s.state.resetGeneration(), generation);
    EXPECT_FALSE(s.state.isScrolling());
}

TEST(TeleprompterPresenter, ClosingFromOutsideIsNeverRefusedDismissesAndReopeningShowsFreshVideo)
{
    Prompter s;
    s.state.setShowsSelfView(true);
    s.presenter.setVideoAvailable(true);
    s.presenter.setFlips(true, false);
    s.present("eins", "");
    QImage frame(64, 36, QImage::Format_RGB32);
    frame.fill(Qt::darkGreen);
    s.presenter.setFrame(frame);
    EXPECT_TRUE(s.presenter.view()->showsVideo());
    EXPECT_TRUE(s.presenter.view()->selfView()->flipHorizontal());

    // The application's quit closes every top-level window this way and gives
    // up quitting when one of them refuses.
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.presenter.window()));
    EXPECT_TRUE(s.presenter.window()->windowHandle()->close());
    EXPECT_TRUE(tandrel::testing::waitUntil([&] { return !s.presenter.isOpen(); }));
    EXPECT_FALSE(s.state.isPresented());
    EXPECT_FALSE(s.state.isScrolling());
    s.presenter.setFrame(frame); // dropped while closed

    s.present("eins", "");
    EXPECT_TRUE(s.presenter.view()->selfView()->frame().isNull());
    EXPECT_TRUE(s.presenter.view()->selfView()->flipHorizontal());
    EXPECT_TRUE(s.state.isScrolling());
    s.presenter.setFrame(frame);
    EXPECT_TRUE(s.presenter.view()->showsVideo());
}

TEST(TeleprompterPresenter, PlacesTheWindowAgainWhenDisplaysChange)
{
    Prompter s;
    const QList<QScreen *> screens = QGuiApplication::screens();
    s.present("eins", "");
    ASSERT_EQ(s.presenter.placedScreen(), screens.last());

    // Another display chosen: the window moves there at once.
    s.state.setSelectedDisplayID(TeleprompterState::screenNumber(screens.first()));
    EXPECT_EQ(s.presenter.placedScreen(), screens.first());
    EXPECT_TRUE(tandrel::testing::waitUntil(
            [&] { return s.presenter.window()->geometry() == screens.first()->geometry(); }));

    // A display change places it again, wherever it was moved meanwhile.
    s.presenter.window()->setGeometry(QRect(screens.first()->geometry().topLeft(), QSize(200, 100)));
    emit DisplayList::instance()->displaysChanged();
    EXPECT_TRUE(tandrel::testing::waitUntil(
            [&] { return s.presenter.window()->geometry() == screens.first()->geometry(); }));

    // Not presented any more: the window is gone and display changes or
    // choices open none.
    s.dismiss();
    EXPECT_FALSE(s.presenter.isOpen());
    s.state.setSelectedDisplayID(0);
    emit DisplayList::instance()->displaysChanged();
    QApplication::processEvents();
    EXPECT_FALSE(s.presenter.isOpen());
    EXPECT_EQ(s.presenter.placedScreen(), nullptr);
}

TEST(TeleprompterPresenter, ClaimsKeysBeforeTheApplicationsShortcuts)
{
    Prompter s;
    QWidget other;
    int shortcutHits = 0;
    auto *shortcut = new QShortcut(QKeySequence(Qt::Key_Space), &other);
    shortcut->setContext(Qt::ApplicationShortcut);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++shortcutHits; });
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));

    // Keys as the window system delivers them, shortcut handling included.
    s.present("eins zwei", "");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.presenter.window()));
    QTest::keyClick(s.presenter.window()->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(shortcutHits, 0);
    EXPECT_FALSE(s.state.isScrolling());

    s.dismiss();
    QTest::keyClick(other.windowHandle(), Qt::Key_Space);
    EXPECT_EQ(shortcutHits, 1);
    EXPECT_FALSE(s.state.isScrolling());
}
