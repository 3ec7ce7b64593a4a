// What the reel list offers for a reel besides selecting it: the export for
// the chosen editor and its folder in the file manager.
#include "app/main_window.h"

#include "export/editor_choice.h"
#include "export/editor_export.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QDir>

namespace tandrel {

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
