// The main window's ties to the capture controller, the teleprompter and the
// speech follower, and the export from the reel list.
#include "app/main_window.h"

#include "app/record_workspace.h"
#include "app/settings_window.h"
#include "capture/capture_controller.h"
#include "export/editor_choice.h"
#include "export/editor_export.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "speech/speech_follower.h"
#include "teleprompter/teleprompter_presenter.h"
#include "teleprompter/teleprompter_state.h"

#include <QCloseEvent>
#include <QDir>
#include <QPointer>
#include <QTimer>

namespace tandrel {

void MainWindow::connectSharedObjects()
{
    connect(&m_context.capture, &CaptureController::lastErrorChanged, this, &MainWindow::updateAlert);
    connect(&m_context.teleprompter, &TeleprompterState::isPresentedChanged, this, [this] {
        if (!m_context.teleprompter.isPresented())
            m_context.speechFollower.stop(m_context.capture);
    });
}

void MainWindow::activateCapture()
{
    // Device discovery and the first configuration run after the window is up.
    QPointer<CaptureController> capture(&m_context.capture);
    QTimer::singleShot(0, this, [capture] {
        if (capture)
            capture->activate();
    });
}

std::optional<QString> MainWindow::captureError() const
{
    return m_context.capture.lastError();
}

void MainWindow::clearCaptureError()
{
    m_context.capture.setLastError(std::nullopt);
}

void MainWindow::handleSelectionCleared()
{
    if (!m_context.teleprompter.isPresented())
        return;
    m_context.presenter.dismissTeleprompter();
    m_context.speechFollower.stop(m_context.capture);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A running take is finished and added to its reel before the window goes.
    if (m_context.capture.isRecording() || m_workspace->isTakePending()) {
        event->ignore();
        if (!m_closeAfterRecording) {
            m_closeAfterRecording = true;
            connect(m_workspace, &RecordWorkspace::takeSettled, this, [this] {
                if (!m_workspace->isTakePending())
                    QTimer::singleShot(0, this, &QWidget::close);
            });
            if (m_context.capture.isRecording())
                m_context.capture.stopRecording();
        }
        return;
    }
    // Script edits of the last 0.28 s are not lost with the window.
    if (m_workspace->isPersistPending())
        m_workspace->persistNow();
    // The teleprompter and settings windows would keep the application alive.
    m_context.presenter.dismissTeleprompter();
    m_context.speechFollower.stop(m_context.capture);
    if (SettingsWindow *settings = SettingsWindow::current())
        settings->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::exportReel(const ReelProject &reel)
{
    const EditorChoice choice;
    const Editor editor = choice.chosen(m_context.defaults);
    const ExportResult<EditorExport::Outcome> outcome
            = EditorExport::exportAndOpen(reel, m_context.library, editor, choice, m_context.opener);
    if (!outcome.ok()) {
        setStatusNote(outcome.errorDescription());
        return;
    }
    setStatusNote(EditorExport::statusNote(editor, outcome.value(), false));
}

void MainWindow::showReelFolder(const ReelProject &reel)
{
    m_context.opener.open(m_context.library.reelFolder(reel));
}

} // namespace tandrel
