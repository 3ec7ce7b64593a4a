// What the reel list offers for a reel besides selecting it: the export for
// the chosen editor, its folder in the file manager, and deleting it.
#include "app/main_window.h"

#include "app/desktop_hand_over.h"
#include "app/export_hand_over.h"
#include "app/library_error_text.h"
#include "app/ui_style.h"

#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QDir>
#include <QMessageBox>
#include <QPushButton>

namespace tandrel {

void MainWindow::exportReel(const ReelProject &reel)
{
    ExportHandOver::run(reel, m_context, this, false, [this](const QString &note) { addNote(note); });
}

void MainWindow::showReelFolder(const ReelProject &reel)
{
    DesktopHandOver::open(m_context.opener, m_context.library.reelFolder(reel),
                          DesktopHandOver::Target::folder, this);
}

void MainWindow::deleteReel(const ReelProject &reel)
{
    const LibraryOutcome<> deleted = m_context.library.deleteReel(reel);
    if (deleted) {
        addNote(tr("Reel %1 in den Papierkorb verschoben.").arg(ui::formatNumber(reel.prefix)));
        return;
    }
    if (deleted.failure().kind != LibraryFailure::Kind::noTrash) {
        addNote(libraryErrorText(deleted.error()));
        return;
    }
    // Without a trash a reel without takes goes as before; takes are asked for.
    const std::optional<ReelProject> stored = m_context.library.reel(reel.id);
    if (stored && !stored->takes.isEmpty()) {
        confirmPermanentDelete(*stored);
        return;
    }
    if (const LibraryOutcome<> removed
        = m_context.library.deleteReel(reel, LibraryStore::Removal::permanently);
        !removed)
        addNote(libraryErrorText(removed.error()));
}

void MainWindow::confirmPermanentDelete(const ReelProject &reel)
{
    const QString question = tr("Reel %1 endgültig löschen?").arg(ui::formatNumber(reel.prefix));
    auto *box = new QMessageBox(QMessageBox::Warning, question, question, QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("deleteReelConfirmation"));
    box->setInformativeText(
            reel.takes.size() == 1
                    ? tr("Auf dem Laufwerk der Bibliothek gibt es keinen Papierkorb. Der Ordner "
                         "des Reels mit seinem Take wird gelöscht und lässt sich nicht "
                         "wiederherstellen.")
                    : tr("Auf dem Laufwerk der Bibliothek gibt es keinen Papierkorb. Der Ordner "
                         "des Reels mit seinen %1 Takes wird gelöscht und lässt sich nicht "
                         "wiederherstellen.")
                              .arg(reel.takes.size()));
    QPushButton *remove = box->addButton(tr("Löschen"), QMessageBox::DestructiveRole);
    remove->setObjectName(QStringLiteral("confirmDelete"));
    QPushButton *cancel = box->addButton(tr("Abbrechen"), QMessageBox::RejectRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box->setAttribute(Qt::WA_DeleteOnClose);
    ui::styleMessageBox(box);
    const QUuid id = reel.id;
    connect(box, &QMessageBox::finished, this, [this, box, remove, id] {
        if (box->clickedButton() != remove)
            return;
        const std::optional<ReelProject> current = m_context.library.reel(id);
        if (!current)
            return;
        if (const LibraryOutcome<> removed
            = m_context.library.deleteReel(*current, LibraryStore::Removal::permanently);
            !removed)
            addNote(libraryErrorText(removed.error()));
    });
    box->open();
}

} // namespace tandrel
