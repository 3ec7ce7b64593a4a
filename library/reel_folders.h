#pragma once

#include "library/reel_project.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tandrel {

// The reel folders of one library folder: "<folderName>/reel.md" and
// "<folderName>/takes". Folder work never reports failures; reels that share
// a folder name never delete or overwrite each other's files.
class ReelFolders
{
public:
    explicit ReelFolders(QString root) : m_root(std::move(root)) { }

    QString reelFolder(const ReelProject &reel) const;
    QString takesFolder(const ReelProject &reel) const;

    // Creates the reel's folder and its takes folder.
    void ensure(const ReelProject &reel) const;
    // Writes "reel.md" into the reel's folder (creating the folders).
    void writeScriptFile(const ReelProject &reel) const;
    // Whether a whole "reel.md" is there.
    bool hasScriptFile(const ReelProject &reel) const;
    // Moves the folder from the old value's name to the new one; `reels` are
    // all reels, `from` among them. Only the reel's own take files move when
    // another reel uses the old folder or the new name is taken.
    void move(const ReelProject &from, const ReelProject &to, const QList<ReelProject> &reels) const;
    // What deleting `reel`, which `remaining` no longer holds, takes away:
    // its folder, or, while a remaining reel uses the folder, the reel's own
    // take files no remaining reel names. Only what exists is listed.
    QStringList ownPaths(const ReelProject &reel, const QList<ReelProject> &remaining) const;

private:
    QString m_root;
};

} // namespace tandrel
