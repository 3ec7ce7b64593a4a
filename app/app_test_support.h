#pragma once

// Shared set-up of the application's window tests: private home and XDG
// folders, the application with its own settings file, and an opener that
// records instead of launching programs.

#include "app/main_window.h"
#include "app/tandrel_app.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "platform/settings_store.h"
#include "tests/support/recording_opener.h"
#include "tests/support/wait_until.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace tandrel::testing {

// A fresh home for one test: HOME and the XDG folders point into a temporary
// folder before any object reads them.
class TestHome
{
public:
    TestHome()
    {
        qputenv("HOME", m_dir.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/.config")).toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/.local/share")).toUtf8());
    }
    QString path() const { return m_dir.path(); }
    QString settingsFile() const { return m_dir.path() + QStringLiteral("/settings.ini"); }

private:
    QTemporaryDir m_dir;
};

// The whole application as it starts, on a private home.
struct AppUnderTest
{
    // `opener`: the desktop's own opener instead of the recording one, for
    // tests that give xdg-open a default application of their own.
    explicit AppUnderTest(TestHome &home, std::unique_ptr<DesktopOpener> opener = {})
    {
        // The window tests export for Final Cut, whatever editors this machine has.
        SettingsStore(home.settingsFile()).setValue(QStringLiteral("export.editor"), QStringLiteral("fcpxml"));
        if (!opener) {
            auto recording = std::make_unique<RecordingOpener>();
            openerLog = recording.get();
            opener = std::move(recording);
        }
        app = std::make_unique<TandrelApp>(std::make_unique<SettingsStore>(home.settingsFile()),
                                           std::move(opener));
    }
    ~AppUnderTest()
    {
        app.reset();
        QCoreApplication::processEvents();
    }
    MainWindow &window() { return app->mainWindow(); }
    LibraryStore &library() { return app->library(); }
    void show()
    {
        app->show();
        window().activateWindow();
        (void)QTest::qWaitForWindowExposed(&window());
    }

    std::unique_ptr<TandrelApp> app;
    RecordingOpener *openerLog = nullptr;
};

inline QAbstractButton *buttonWithText(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

// The alert reads "Hinweis" above its message, and the message is shown
// whole: laid out at the label's width it needs no more than the label's room
// (a word wider than the line would make it wider), inside the box.
inline bool showsWholeMessage(QMessageBox *box)
{
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"));
    if (box->text() != QStringLiteral("Hinweis") || !label || !label->isVisible())
        return false;
    const QRect room = label->contentsRect();
    const QRect needed = QFontMetrics(label->font())
                                 .boundingRect(QRect(0, 0, room.width(), 100000),
                                               int(label->alignment()) | Qt::TextWordWrap, label->text());
    const QRect inBox(label->mapTo(box, QPoint(0, 0)), label->size());
    return needed.width() <= room.width() && needed.height() <= room.height() && box->rect().contains(inBox);
}

// Answers the next modal file dialog with `answer` as soon as it is up, and
// again while it stays up (the dialog may refuse a file its model has not
// listed yet).
inline void answerNextFileDialog(std::function<void(QFileDialog *)> answer)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(50);
    struct State
    {
        bool found = false;
        QPointer<QFileDialog> dialog;
    };
    auto state = std::make_shared<State>();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, state] {
        if (!state->found) {
            state->dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            state->found = !state->dialog.isNull();
            if (!state->found)
                return;
        }
        if (state->dialog && state->dialog->isVisible()) {
            answer(state->dialog);
            return;
        }
        poll->stop();
        poll->deleteLater();
    });
    poll->start();
}

// Types `text` into `widget` key by key; line breaks as the Return key.
inline void typeText(QWidget *widget, const QString &text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            QTest::keyClick(widget, Qt::Key_Return);
        QTest::keyClicks(widget, lines.at(i));
    }
}

// Types `path` into the dialog's file name field and confirms it.
inline void chooseInDialog(QFileDialog *dialog, const QString &path)
{
    if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    else
        dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept();
}

inline std::optional<ReelProject> selectedReel(LibraryStore &library)
{
    const auto id = library.selectedID();
    return id ? library.reel(*id) : std::nullopt;
}

// Pixels of a menu entry drawn in a clear red, as destructive entries are.
inline int redPixels(QMenu *menu, QAction *action)
{
    const QImage image = menu->grab(menu->actionGeometry(action)).toImage();
    int red = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 110 && c.blue() < 110;
        }
    return red;
}

// Triggers the entry `text` of the next context menu as soon as it pops up;
// `inspect` sees the menu first.
inline void chooseFromNextMenu(const QString &text, std::function<void(QMenu *)> inspect = {})
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, text, inspect] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        poll->stop();
        poll->deleteLater();
        if (inspect)
            inspect(menu);
        for (QAction *action : menu->actions()) {
            if (action->text() == text) {
                menu->close();
                action->trigger();
                return;
            }
        }
        menu->close();
    });
    poll->start();
}

} // namespace tandrel::testing
