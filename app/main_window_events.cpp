// The main window's ties to the capture controller, closing, and the export
// from the reel list.
#include "app/main_window.h"

#include "app/record_workspace.h"
#include "app/recording_session.h"
#include "app/settings_window.h"
#include "capture/capture_controller.h"
#include "export/fcpxml_exporter.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QCloseEvent>
#include <QDir>
#include <QPointer>
#include <QTimer>

namespace tandrel {

void MainWindow::connectSharedObjects()
{
    connect(&m_context.capture, &CaptureController::lastErrorChanged, this, &MainWindow::updateAlert);
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

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A running take is finished and added to its reel before the window goes.
    RecordingSession &session = m_context.session;
    if (session.isRecording() || session.isTakePending()) {
        event->ignore();
        if (!m_closeAfterRecording) {
            m_closeAfterRecording = true;
            connect(&session, &RecordingSession::takeSettled, this, [this] {
                if (!m_context.session.isTakePending())
                    QTimer::singleShot(0, this, &QWidget::close);
            });
            if (session.isRecording())
                session.stopRecording();
        }
        return;
    }
    // Script edits of the last 0.28 s are not lost with the window.
    if (m_workspace->isPersistPending())
        m_workspace->persistNow();
    // The teleprompter and settings windows would keep the application alive.
    session.quit();
    if (SettingsWindow *settings = SettingsWindow::current())
        settings->close();
    QMainWindow::closeEvent(event);
}

void MainWindow::exportReel(const ReelProject &reel)
{
    const ExportResult<QString> bundle
            = FCPXMLExporter::exportAndOpen(reel, m_context.library, m_context.opener);
    if (!bundle.ok()) {
        setStatusNote(bundle.errorDescription());
        return;
    }
    setStatusNote(QStringLiteral("Final-Cut-Projekt liegt unter ") + QDir::toNativeSeparators(bundle.value())
                  + QStringLiteral(" und wird geöffnet."));
}

void MainWindow::showReelFolder(const ReelProject &reel)
{
    m_context.opener.open(m_context.library.reelFolder(reel));
}

} // namespace tandrel
