// What the reel list offers for a reel besides selecting it: the Final Cut
// export and its folder in the file manager.
#include "app/main_window.h"

#include "export/fcpxml_exporter.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QDir>

namespace tandrel {

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
