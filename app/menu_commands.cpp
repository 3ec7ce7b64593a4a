#include "app/menu_commands.h"

#include "app/app_commands.h"
#include "app/editor_texts.h"
#include "app/main_window.h"
#include "app/settings_window.h"
#include "capture/capture_controller.h"
#include "export/editor_choice.h"
#include "library/library_store.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>

namespace tandrel {

namespace {

// Every command is the application's: the settings and teleprompter windows
// are windows of their own, and Strg+N or Strg+R work there as well.
QAction *command(QMenu *menu, const QString &text, const QKeySequence &shortcut)
{
    QAction *action = menu->addAction(text);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::ApplicationShortcut);
    return action;
}

// Text fields claim some Ctrl keys for themselves (a line edit on X11 takes
// Strg+E to the end of the line). The menu's keys are the application's in
// every field, so their shortcut overrides are turned down before a field
// can accept them.
class CommandKeyGuard : public QObject
{
public:
    CommandKeyGuard(QList<QKeySequence> keys, QObject *parent) : QObject(parent), m_keys(std::move(keys))
    {
        qApp->installEventFilter(this);
    }
    ~CommandKeyGuard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        const QKeySequence pressed(key->keyCombination());
        if (!m_keys.contains(pressed))
            return false;
        event->ignore();
        return true;
    }

private:
    QList<QKeySequence> m_keys;
};

} // namespace

MenuCommands installMenuCommands(MainWindow &window, AppContext context)
{
    MenuCommands commands;
    QMenu *file = window.menuBar()->addMenu(QCoreApplication::translate("tandrel::MenuCommands", "Datei"));
    commands.newReel = command(file, QCoreApplication::translate("tandrel::MenuCommands", "Neues Reel"),
                               QKeySequence(Qt::CTRL | Qt::Key_N));
    commands.importMarkdown
            = command(file, QCoreApplication::translate("tandrel::MenuCommands", "Markdown importieren…"),
                      QKeySequence(Qt::CTRL | Qt::Key_I));
    file->addSeparator();
    commands.settings = command(file, QCoreApplication::translate("tandrel::MenuCommands", "Einstellungen…"),
                                QKeySequence(Qt::CTRL | Qt::Key_Comma));
    file->addSeparator();
    commands.quit = command(file, QCoreApplication::translate("tandrel::MenuCommands", "Beenden"),
                            QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu *recording
            = window.menuBar()->addMenu(QCoreApplication::translate("tandrel::MenuCommands", "Aufnahme"));
    commands.toggleRecording
            = command(recording, QCoreApplication::translate("tandrel::MenuCommands", "Aufnahme starten"),
                      QKeySequence(Qt::CTRL | Qt::Key_R));
    commands.teleprompter
            = command(recording, QCoreApplication::translate("tandrel::MenuCommands", "Teleprompter"),
                      QKeySequence(Qt::CTRL | Qt::Key_T));
    commands.exportToEditor = command(recording, exportButtonText(EditorChoice().chosen(context.settings)),
                                      QKeySequence(Qt::CTRL | Qt::Key_E));

    AppCommands *signals_ = &context.commands;
    CaptureController *capture = &context.capture;
    // The main window creates it and says when that fails.
    QObject::connect(commands.newReel, &QAction::triggered, &window, &MainWindow::createReel);
    QObject::connect(commands.importMarkdown, &QAction::triggered, signals_,
                     &AppCommands::openMarkdownImport);
    QObject::connect(commands.settings, &QAction::triggered, &window,
                     [context] { SettingsWindow::open(context); });
    QObject::connect(commands.quit, &QAction::triggered, qApp, &QApplication::closeAllWindows);
    QObject::connect(commands.toggleRecording, &QAction::triggered, signals_, &AppCommands::toggleRecording);
    QObject::connect(commands.teleprompter, &QAction::triggered, signals_, &AppCommands::openTeleprompter);
    QObject::connect(commands.exportToEditor, &QAction::triggered, signals_, &AppCommands::exportToEditor);
    QAction *exportAction = commands.exportToEditor;
    SettingsStore *settings = &context.settings;
    QObject::connect(signals_, &AppCommands::exportEditorChanged, exportAction, [exportAction, settings] {
        exportAction->setText(exportButtonText(EditorChoice().chosen(*settings)));
    });

    QList<QKeySequence> keys;
    for (QAction *action : {commands.newReel, commands.importMarkdown, commands.settings, commands.quit,
                            commands.toggleRecording, commands.teleprompter, commands.exportToEditor})
        keys.append(action->shortcut());
    new CommandKeyGuard(keys, &window);

    QAction *toggle = commands.toggleRecording;
    auto relabel = [toggle, capture] {
        toggle->setText(capture->isRecording()
                                ? QCoreApplication::translate("tandrel::MenuCommands", "Aufnahme stoppen")
                                : QCoreApplication::translate("tandrel::MenuCommands", "Aufnahme starten"));
    };
    QObject::connect(capture, &CaptureController::isRecordingChanged, toggle, relabel);
    relabel();
    return commands;
}

} // namespace tandrel
