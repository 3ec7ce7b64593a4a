#include "app/editor_texts.h"

#include "app/file_error_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace tandrel {

QString exportButtonText(Editor editor)
{
    return QCoreApplication::translate("tandrel::EditorTexts", "Für %1 exportieren")
            .arg(EditorChoice::name(editor));
}

QString projectText(Editor editor)
{
    switch (editor) {
    case Editor::finalCut:
        return QCoreApplication::translate("tandrel::EditorTexts", "Final-Cut-Projekt");
    case Editor::kdenlive:
        return QCoreApplication::translate("tandrel::EditorTexts", "Kdenlive-Projekt");
    case Editor::shotcut:
        return QCoreApplication::translate("tandrel::EditorTexts", "Shotcut-Projekt");
    }
    return EditorChoice::name(editor);
}

QString exportFailureText(const ExportFailure &failure)
{
    switch (failure.kind) {
    case ExportError::noTakes:
        return QCoreApplication::translate("tandrel::EditorTexts",
                                           "Für dieses Reel gibt es noch keine Aufnahme.");
    case ExportError::noMedia:
        return QCoreApplication::translate(
                "tandrel::EditorTexts", "Die Takes enthalten keine verwertbaren Video- oder Audiodateien.");
    case ExportError::folderNotCreated:
        return QCoreApplication::translate("tandrel::EditorTexts",
                                           "Export-Ordner konnte nicht angelegt werden: %1")
                .arg(fileErrorText(failure.cause));
    case ExportError::notAFolder:
        return QCoreApplication::translate("tandrel::EditorTexts",
                                           "Export-Ordner konnte nicht angelegt werden: Kein Ordner: %1")
                .arg(failure.path);
    case ExportError::fileNotWritten:
        return QCoreApplication::translate("tandrel::EditorTexts",
                                           "Export konnte nicht geschrieben werden: %1")
                .arg(atomicWriteFailureText(failure.write));
    }
    return {};
}

QString exportStatusText(Editor editor, const EditorExport::Outcome &outcome, bool brief)
{
    const QString fileName = QFileInfo(QDir::cleanPath(outcome.location)).fileName();
    if (!outcome.opened)
        return QCoreApplication::translate("tandrel::EditorTexts",
                                           "Kein Programm öffnet %1 — Ordner wird gezeigt.")
                .arg(fileName);
    if (brief && editor == Editor::finalCut)
        return QCoreApplication::translate("tandrel::EditorTexts", "%1 %2 wird geöffnet.")
                .arg(projectText(editor), fileName);
    return QCoreApplication::translate("tandrel::EditorTexts", "%1 liegt unter %2 und wird geöffnet.")
            .arg(projectText(editor), QDir::toNativeSeparators(outcome.location));
}

} // namespace tandrel
