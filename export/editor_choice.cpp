#include "export/editor_choice.h"

#include "platform/desktop_opener.h"
#include "platform/user_defaults.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace tandrel {

namespace {

// Desktop file names of the editors' Debian, Flatpak and Snap packages.
QStringList desktopFileNames(Editor editor)
{
    switch (editor) {
    case Editor::finalCut:
        return {};
    case Editor::kdenlive:
        return {QStringLiteral("org.kde.kdenlive.desktop"), QStringLiteral("kdenlive.desktop"),
                QStringLiteral("kdenlive_kdenlive.desktop")};
    case Editor::shotcut:
        return {QStringLiteral("org.shotcut.Shotcut.desktop"), QStringLiteral("shotcut.desktop"),
                QStringLiteral("shotcut_shotcut.desktop")};
    }
    return {};
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
    switch (editor) {
    case Editor::finalCut:
        return QStringLiteral("Final Cut Pro");
    case Editor::kdenlive:
        return QStringLiteral("Kdenlive");
    case Editor::shotcut:
        return QStringLiteral("Shotcut");
    }
    return {};
}

QString EditorChoice::buttonLabel(Editor editor)
{
    switch (editor) {
    case Editor::finalCut:
        return QStringLiteral("Final Cut Projekt");
    case Editor::kdenlive:
        return QStringLiteral("Kdenlive-Projekt");
    case Editor::shotcut:
        return QStringLiteral("Shotcut-Projekt");
    }
    return {};
}

QString EditorChoice::formatName(Editor editor)
{
    switch (editor) {
    case Editor::finalCut:
        return QStringLiteral("fcpxml");
    case Editor::kdenlive:
        return QStringLiteral("kdenlive");
    case Editor::shotcut:
        return QStringLiteral("shotcut");
    }
    return {};
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
        for (const QString &fileName : desktopFileNames(editor)) {
            const std::optional<DesktopEntry> entry = DesktopEntry::read(QDir(folder).filePath(fileName));
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

Editor EditorChoice::chosen(const UserDefaults &defaults) const
{
    if (const std::optional<QString> stored = defaults.read(settings::exportEditor)) {
        if (const std::optional<Editor> editor = fromFormatName(*stored))
            return *editor;
    }
    return defaultEditor();
}

void EditorChoice::choose(UserDefaults &defaults, Editor editor)
{
    defaults.write(settings::exportEditor, formatName(editor));
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
