#include "app/export_hand_over.h"

#include "app/app_context.h"
#include "app/desktop_hand_over.h"
#include "app/editor_texts.h"

#include "export/editor_choice.h"
#include "export/editor_export.h"
#include "library/library_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace tandrel {

namespace {

QString handedOverNote(Editor editor, const QString &location, bool brief)
{
    if (editor != Editor::finalCut)
        return exportStatusText(editor, EditorExport::Outcome{location, true}, brief);
    const QString kind = projectText(editor);
    if (brief)
        return QCoreApplication::translate("tandrel::ExportHandOver", "%1 %2 wird im Dateimanager gezeigt.")
                .arg(kind, QFileInfo(QDir::cleanPath(location)).fileName());
    return QCoreApplication::translate("tandrel::ExportHandOver",
                                       "%1 liegt unter %2 und wird im Dateimanager gezeigt.")
            .arg(kind, QDir::toNativeSeparators(location));
}

// The editor's own program when its desktop entry starts; whether it did.
bool startEditor(const EditorChoice &choice, Editor editor, const QString &file)
{
    const std::optional<DesktopEntry> entry = choice.desktopEntry(editor);
    if (!entry)
        return false;
    const QStringList command = entry->command(file);
    return !command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1));
}

} // namespace

void ExportHandOver::run(const ReelProject &reel, AppContext &context, QWidget *parent, bool brief,
                         std::function<void(const QString &)> note)
{
    const EditorChoice choice;
    const Editor editor = choice.chosen(context.settings);
    const ExportResult<QString> written = EditorExport::exportReel(reel, context.library, editor);
    if (!written.ok()) {
        note(exportFailureText(written));
        return;
    }
    const QString location = written.value();
    auto handedOver = [note, editor, location, brief] { note(handedOverNote(editor, location, brief)); };
    if (editor == Editor::finalCut) {
        DesktopHandOver::showInFileManager(
                context.opener, location, parent, handedOver,
                QCoreApplication::translate("tandrel::ExportHandOver", "%1 gespeichert, aber nicht gezeigt")
                        .arg(projectText(editor)));
        return;
    }
    if (startEditor(choice, editor, location)) {
        handedOver();
        return;
    }
    // Without the editor's program the desktop's handler gets the project;
    // the alert says so when none takes it.
    DesktopHandOver::open(
            context.opener, location, DesktopHandOver::Target::file, parent, handedOver,
            QCoreApplication::translate("tandrel::ExportHandOver", "%1 gespeichert, aber nicht geöffnet")
                    .arg(projectText(editor)));
}

} // namespace tandrel
