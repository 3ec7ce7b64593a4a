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
    if (const std::optional<ExportError> error = failed.error())
        return *error;
    return ExportResult<T>::fileSystemFailure(failed.errorDescription());
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

QString EditorExport::statusNote(Editor editor, const Outcome &outcome, bool brief)
{
    const QString fileName = QFileInfo(QDir::cleanPath(outcome.location)).fileName();
    if (!outcome.opened)
        return QStringLiteral("Kein Programm öffnet ") + fileName + QStringLiteral(" — Ordner wird gezeigt.");
    const QString kind = EditorChoice::projectLabel(editor);
    if (brief && editor == Editor::finalCut)
        return kind + QLatin1Char(' ') + fileName + QStringLiteral(" wird geöffnet.");
    return kind + QStringLiteral(" liegt unter ") + QDir::toNativeSeparators(outcome.location)
            + QStringLiteral(" und wird geöffnet.");
}

} // namespace tandrel
