// The workspace's operations: loading and saving the edited reel, recording,
// the teleprompter, the export and deleting takes.
#include "app/finish_reel_dialog.h"
#include "app/record_workspace.h"

#include "app/desktop_hand_over.h"
#include "app/export_hand_over.h"
#include "app/library_error_text.h"
#include "app/preview_panel.h"
#include "app/recording_session.h"
#include "app/reel_number.h"
#include "app/ui_style.h"
#include "capture/capture_controller.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"
#include "platform/trash.h"
#include "teleprompter/teleprompter_state.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tandrel {

void RecordWorkspace::setReelID(std::optional<QUuid> id)
{
    if (m_reelID == id)
        return;
    // Script edits and crop moves of the reel being left still reach it; only
    // their 0.28 s delay is cut short.
    if (m_persistTimer.isActive()) {
        persistNow();
        // Saving notifies the main window, which may have shown `id` already.
        if (m_reelID == id)
            return;
    }
    m_reelID = id;
    syncTakes();
    syncRecordControls();
    if (!id)
        return;
    loadReelFields();
    if (m_context.teleprompter.isPresented())
        openTeleprompter(true);
}

void RecordWorkspace::loadReelFields()
{
    const std::optional<ReelProject> reel = currentReel();
    if (!reel)
        return;
    m_loading = true;
    m_title->setText(reel->title);
    m_number->setText(ui::formatNumber(reel->prefix));
    if (m_script->toPlainText() != reel->script)
        m_script->setPlainText(reel->script);
    m_cropOffset = reel->cropCenterX;
    m_preview->setCropOffset(reel->cropCenterX);
    m_context.capture.setCropOffset(reel->cropCenterX);
    m_loading = false;
}

void RecordWorkspace::setCropOffset(double offset)
{
    if (m_cropOffset == offset)
        return;
    m_cropOffset = offset;
    m_preview->setCropOffset(offset);
    m_context.capture.setCropOffset(offset);
    if (!m_loading)
        schedulePersist();
}

void RecordWorkspace::schedulePersist()
{
    m_persistTimer.start(); // restarting replaces the pending save
}

void RecordWorkspace::persistNow()
{
    m_persistTimer.stop();
    std::optional<ReelProject> reel = currentReel();
    if (!reel)
        return;
    const QString script = m_script->toPlainText();
    reel->title = m_title->text();
    reel->script = script;
    reel->cropCenterX = m_cropOffset;
    if (const std::optional<qint64> number = parseReelNumber(m_number->text()))
        reel->prefix = *number;
    if (const LibraryOutcome<> saved = m_context.library.updateReel(*reel); !saved)
        emit statusNoteRequested(libraryErrorText(saved.error()));
    m_context.session.updateShownReel(reel->displayLabel(), script);
}

void RecordWorkspace::toggleRecording()
{
    persistNow();
    const std::optional<ReelProject> reel = currentReel();
    if (!reel)
        return;
    RecordingSession &session = m_context.session;
    if (session.isRecording()) {
        session.stopRecording();
        return;
    }
    openTeleprompter(false);
    QPointer<RecordWorkspace> self(this);
    session.recordTake(*reel, [self](const Result<Take> &result) {
        if (!result.ok() && self)
            emit self->statusNoteRequested(result.error());
    });
}

void RecordWorkspace::openTeleprompter(bool reset)
{
    persistNow();
    const std::optional<ReelProject> reel = currentReel();
    const QString title = reel ? reel->displayLabel() : m_title->text();
    m_context.session.presentTeleprompter(m_script->toPlainText(), title, reset);
}

void RecordWorkspace::exportToEditor()
{
    persistNow();
    const std::optional<ReelProject> reel = currentReel();
    if (!reel)
        return;
    ExportHandOver::run(*reel, m_context, this, true,
                        [this](const QString &note) { emit statusNoteRequested(note); });
}

FinishReelDialog *RecordWorkspace::finishDialog() const
{
    return m_finishDialog.data();
}

void RecordWorkspace::finishReel(std::optional<QUuid> takeID)
{
    persistNow();
    const std::optional<ReelProject> reel = currentReel();
    if (!reel)
        return;
    if (reel->takes.isEmpty()) {
        emit statusNoteRequested(tr("Dieser Reel hat noch keine Takes."));
        return;
    }
    // One finishing at a time; the open dialog comes to the front.
    if (m_finishDialog) {
        m_finishDialog->raise();
        m_finishDialog->activateWindow();
        return;
    }
    auto *dialog = new FinishReelDialog(m_context, *reel, takeID, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_finishDialog = dialog;
    dialog->show();
}

void RecordWorkspace::requestDeleteTake(const Take &take)
{
    if (m_confirmation)
        return;
    m_takePendingDelete = take;
    m_confirmation = new QMessageBox(QMessageBox::Warning, tr("Take löschen?"), tr("Take löschen?"),
                                     QMessageBox::NoButton, this);
    m_confirmation->setObjectName(QStringLiteral("deleteTakeConfirmation"));
    // Where the takes folder has no trash, the files are gone for good.
    const std::optional<ReelProject> reel = currentReel();
    const bool trash = !reel || trashAvailableFor(m_context.library.takesFolder(*reel));
    m_confirmation->setInformativeText(
            trash ? tr("Video und Audio dieses Takes werden in den Papierkorb verschoben.")
                  : tr("Video und Audio dieses Takes werden endgültig gelöscht: Auf diesem "
                       "Laufwerk gibt es keinen Papierkorb."));
    QPushButton *remove = m_confirmation->addButton(tr("Löschen"), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("confirmDelete"));
    QPushButton *cancel = m_confirmation->addButton(tr("Abbrechen"), QMessageBox::RejectRole);
    m_confirmation->setDefaultButton(cancel);
    m_confirmation->setEscapeButton(cancel);
    m_confirmation->setAttribute(Qt::WA_DeleteOnClose);
    ui::styleMessageBox(m_confirmation);
    const QUuid reelID = m_reelID.value_or(QUuid());
    connect(m_confirmation, &QMessageBox::finished, this, [this, remove, reelID] {
        const bool confirmed = m_confirmation && m_confirmation->clickedButton() == remove;
        const std::optional<Take> take = std::exchange(m_takePendingDelete, std::nullopt);
        m_confirmation.clear();
        if (confirmed && take)
            deleteTake(take->id, reelID);
    });
    m_confirmation->open();
}

void RecordWorkspace::deleteTake(const QUuid &takeID, const QUuid &reelID)
{
    LibraryStore &library = m_context.library;
    LibraryOutcome<> deleted = library.deleteTake(takeID, reelID);
    // The user has been told that the files go for good where there is no trash.
    if (!deleted && deleted.failure().kind == LibraryFailure::Kind::noTrash)
        deleted = library.deleteTake(takeID, reelID, LibraryStore::Removal::permanently);
    if (!deleted)
        emit statusNoteRequested(libraryErrorText(deleted.error()));
}

void RecordWorkspace::showTakesFolder()
{
    if (const std::optional<ReelProject> reel = currentReel())
        DesktopHandOver::open(m_context.opener, m_context.library.takesFolder(*reel),
                              DesktopHandOver::Target::folder, this);
}

void RecordWorkspace::playTake(const Take &take)
{
    const std::optional<ReelProject> reel = currentReel();
    const std::optional<QString> file = take.videoFileName ? take.videoFileName : take.audioFileName;
    if (!reel || !file)
        return;
    DesktopHandOver::open(m_context.opener, QDir(m_context.library.takesFolder(*reel)).filePath(*file),
                          DesktopHandOver::Target::file, this);
}

void RecordWorkspace::connectTeleprompter()
{
    TeleprompterState &teleprompter = m_context.teleprompter;
    connect(&teleprompter, &TeleprompterState::selectedScreenIDChanged, this, [this] {
        if (!m_reelID)
            return;
        m_context.teleprompter.syncSelectedDisplay();
        if (m_context.teleprompter.isPresented())
            openTeleprompter(false);
    });
}

} // namespace tandrel
