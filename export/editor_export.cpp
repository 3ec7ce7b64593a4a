#include "export/editor_export.h"

#include "export/editor_choice.h"
#include "export/fcpxml_exporter.h"
#include "export/mlt_project.h"
#include "library/library_store.h"
#include "platform/desktop_opener.h"

#include <QDir>
#include <QFileInfo>

namespace tandrel {

namespace {

MltProject::Flavour flavourOf(Editor editor)
{
    return editor == Editor::shotcut ? MltProject::Flavour::shotcut : MltProject::Flavour::kdenlive;
}

template<typename T> ExportResult<T> failureOf(const ExportResult<QString> &failed)
{
    return *failed.failure();
}

} // namespace

ExportResult<QString> EditorExport::exportReel(const ReelProject &reel, const LibraryStore &library,
                                               Editor editor)
{
    if (editor == Editor::finalCut)
        return FCPXMLExporter::exportReel(reel, library);
    return MltProject::exportReel(reel, library, flavourOf(editor));
}

ExportResult<EditorExport::Outcome> EditorExport::exportAndOpen(const ReelProject &reel,
                                                                const LibraryStore &library, Editor editor,
                                                                const EditorChoice &choice,
                                                                DesktopOpener &opener)
{
    if (editor == Editor::finalCut) {
        const ExportResult<QString> bundle = FCPXMLExporter::exportAndOpen(reel, library, opener);
        if (!bundle)
            return failureOf<Outcome>(bundle);
        return Outcome{bundle.value(), true};
    }
    const ExportResult<QString> project = exportReel(reel, library, editor);
    if (!project)
        return failureOf<Outcome>(project);
    if (choice.open(editor, project.value(), opener))
        return Outcome{project.value(), true};
    opener.open(library.reelFolder(reel));
    return Outcome{project.value(), false};
}

} // namespace tandrel
