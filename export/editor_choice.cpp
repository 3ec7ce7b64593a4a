#include "export/editor_choice.h"

#include "platform/desktop_opener.h"
#include "platform/settings_store.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace tandrel {

namespace {

// What the application calls each editor, and the desktop file names of its
// Debian, Flatpak and Snap packages.
struct EditorFacts
{
    Editor editor;
    const char *name;
    const char *formatName;
    const char *desktopFiles[3]; // unused places are null
};

const EditorFacts &facts(Editor editor)
{
    static const EditorFacts table[] = {
            {Editor::finalCut, "Final Cut Pro", "fcpxml", {}},
            {Editor::kdenlive,
             "Kdenlive",
             "kdenlive",
             {"org.kde.kdenlive.desktop", "kdenlive.desktop", "kdenlive_kdenlive.desktop"}},
            {Editor::shotcut,
             "Shotcut",
             "shotcut",
             {"org.shotcut.Shotcut.desktop", "shotcut.desktop", "shotcut_shotcut.desktop"}},
    };
    for (const EditorFacts &f : table) {
        if (f.editor == editor)
            return f;
    }
    return table[0];
}

} // namespace

EditorChoice::EditorChoice(QStringList applicationFolders)
    : m_applicationFolders(std::move(applicationFolders))
{ }

QStringList EditorChoice::systemApplicationFolders()
{
    return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
}

QList<Editor> EditorChoice::editors()
{
    return {Editor::finalCut, Editor::kdenlive, Editor::shotcut};
}

QString EditorChoice::name(Editor editor)
{
    return QString::fromUtf8(facts(editor).name);
}

QString EditorChoice::formatName(Editor editor)
{
    return QString::fromUtf8(facts(editor).formatName);
}

std::optional<Editor> EditorChoice::fromFormatName(const QString &text)
{
    for (const Editor editor : editors()) {
        if (formatName(editor) == text)
            return editor;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> EditorChoice::desktopEntry(Editor editor) const
{
    for (const QString &folder : m_applicationFolders) {
        for (const char *fileName : facts(editor).desktopFiles) {
            if (!fileName)
                continue;
            const std::optional<DesktopEntry> entry
                    = DesktopEntry::read(QDir(folder).filePath(QString::fromUtf8(fileName)));
            if (entry && entry->isRunnable())
                return entry;
        }
    }
    return std::nullopt;
}

Editor EditorChoice::defaultEditor() const
{
    if (isInstalled(Editor::kdenlive))
        return Editor::kdenlive;
    if (isInstalled(Editor::shotcut))
        return Editor::shotcut;
    return Editor::finalCut;
}

Editor EditorChoice::chosen(const SettingsStore &settings) const
{
    if (const std::optional<QString> stored = settings.read(settings::exportEditor)) {
        if (const std::optional<Editor> editor = fromFormatName(*stored))
            return *editor;
    }
    return defaultEditor();
}

void EditorChoice::choose(SettingsStore &settings, Editor editor)
{
    settings.write(settings::exportEditor, formatName(editor));
}

bool EditorChoice::open(Editor editor, const QString &file, DesktopOpener &opener) const
{
    if (const std::optional<DesktopEntry> entry = desktopEntry(editor)) {
        const QStringList command = entry->command(file);
        if (!command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1)))
            return true;
    }
    return opener.open(file);
}

} // namespace tandrel
