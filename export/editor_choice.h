#pragma once

#include "export/desktop_entry.h"
#include "export/editor.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tandrel {

class DesktopOpener;
class SettingsStore;

// Which editor the export is for: the three editors with their names, which
// of them this desktop has installed, the user's choice under
// "export.editor" and how a file reaches the editor's program. Reads the
// desktop's application folders on each question; holds only their list.
class EditorChoice
{
public:
    // Desktop entries are looked up in `applicationFolders`, earlier first.
    explicit EditorChoice(QStringList applicationFolders = systemApplicationFolders());
    // The desktop's own: the user's applications folder, then the system's.
    static QStringList systemApplicationFolders();

    // Final Cut Pro, Kdenlive, Shotcut: the order of the settings choice.
    static QList<Editor> editors();
    // "Final Cut Pro", "Kdenlive", "Shotcut".
    static QString name(Editor editor);
    // "fcpxml", "kdenlive", "shotcut": the stored choice and tandrelctl's --format.
    static QString formatName(Editor editor);
    static std::optional<Editor> fromFormatName(const QString &text);

    // The editor's first runnable desktop entry; none for Final Cut Pro, which
    // has no Linux version.
    std::optional<DesktopEntry> desktopEntry(Editor editor) const;
    bool isInstalled(Editor editor) const { return desktopEntry(editor).has_value(); }
    // Kdenlive when installed, else Shotcut when installed, else Final Cut Pro.
    Editor defaultEditor() const;
    // The stored choice; the default while none (or an unknown one) is stored.
    Editor chosen(const SettingsStore &settings) const;
    static void choose(SettingsStore &settings, Editor editor);

    // Starts the editor's program on `file` as its desktop entry says; hands
    // the file to the desktop's default handler when the editor is not
    // installed or its program does not start. Whether a program took it.
    bool open(Editor editor, const QString &file, DesktopOpener &opener) const;

private:
    QStringList m_applicationFolders;
};

} // namespace tandrel
