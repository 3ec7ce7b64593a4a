#pragma once

// Shared set-up of the application's window tests: private home and XDG
// folders, the application with its own settings file, and an opener that
// records instead of launching programs.

#include "app/main_window.h"
#include "app/tandrel_app.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "tests/support/recording_opener.h"
#include "platform/user_defaults.h"
#include "tests/support/temp_library.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
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
    QString settingsFile() const { return m_dir.path() + QStringLiteral("/defaults.ini"); }

private:
    QTemporaryDir m_dir;
};

// The whole application as it starts, on a private home.
struct AppUnderTest
{
    explicit AppUnderTest(TestHome &home)
    {
        // The window tests export for Final Cut, whatever editors this machine has.
        UserDefaults(home.settingsFile()).setValue(QStringLiteral("export.editor"), QStringLiteral("fcpxml"));
        auto opener = std::make_unique<RecordingOpener>();
        openerLog = opener.get();
        app = std::make_unique<TandrelApp>(std::make_unique<UserDefaults>(home.settingsFile()),
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

} // namespace tandrel::testing
