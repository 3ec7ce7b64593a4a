#pragma once

#include "library/reel_project.h"
#include "platform/result.h"
#include "platform/user_defaults.h"

#include <QObject>
#include <QUuid>
#include <optional>

namespace tandrel {

// The user's library: the reels, their folder on disk, library.json and the
// selected reel. Every change goes through an operation that updates the
// list, keeps the reel folders in step and saves the whole list. Failures
// end up as German text in lastError. Main thread only.
class LibraryStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<tandrel::ReelProject> reels READ reels NOTIFY reelsChanged)
    Q_PROPERTY(std::optional<QUuid> selectedID READ selectedID WRITE setSelectedID NOTIFY selectedIDChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError WRITE setLastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString rootURL READ rootURL NOTIFY rootURLChanged)
    Q_PROPERTY(bool securityScopeActive READ securityScopeActive CONSTANT)
public:
    // `folder` overrides the remembered folder ("library.bookmark") and the default one.
    explicit LibraryStore(UserDefaults &defaults, std::optional<QString> folder = std::nullopt,
                          QObject *parent = nullptr);

    // The user's movies folder, then "Tandrel".
    static QString defaultFolder();

    QList<ReelProject> reels() const { return m_reels; }
    std::optional<QUuid> selectedID() const { return m_selectedID; }
    void setSelectedID(std::optional<QUuid> id);
    std::optional<QString> lastError() const { return m_lastError; }
    // The main window's alert clears the text once the user has seen it.
    void setLastError(std::optional<QString> error);
    // The library folder as an absolute path.
    QString rootURL() const { return m_rootURL; }
    // Linux has no security-scoped bookmarks; always false.
    bool securityScopeActive() const { return m_securityScopeActive; }

    void load();
    void save();

    std::optional<ReelProject> reel(const QUuid &id) const;
    qint64 nextPrefix() const;
    ReelProject createReel(std::optional<qint64> number, const QString &title, const QString &script);
    void updateReel(const ReelProject &changed);
    void deleteReel(const ReelProject &reel);
    void addTake(const Take &take, const QUuid &reelID);
    void deleteTake(const QUuid &takeID, const QUuid &reelID);
    // Applies every block of the text; the number of blocks parsed.
    int importMarkdown(const QString &markdown);
    // Switches to another library folder and loads it; files of the old folder stay there.
    Status changeRoot(const QString &folder);

    QString reelFolder(const ReelProject &reel) const;
    QString takesFolder(const ReelProject &reel) const;

    // Creates the reel's folder and its takes folder; failures are ignored.
    void ensureFolders(const ReelProject &reel) const;
    // Writes "reel.md" into the reel's folder; failures are ignored.
    void writeScriptFile(const ReelProject &reel) const;

signals:
    void reelsChanged();
    void selectedIDChanged();
    void lastErrorChanged();
    void rootURLChanged();

private:
    void setReels(QList<ReelProject> reels);
    void setRootURL(const QString &folder);
    void moveFolder(const ReelProject &from, const ReelProject &to);
    void removeFolder(const ReelProject &reel);
    bool folderUsedByOtherReel(const ReelProject &reel) const;
    void moveOwnTakeFiles(const ReelProject &from, const ReelProject &to) const;
    std::optional<QUuid> firstInReelOrder() const;
    qsizetype indexOfReel(const QUuid &id) const;
    bool moveUnreadableFileAside(QString *error);
    QString libraryFile() const;

    UserDefaults &m_defaults;
    QList<ReelProject> m_reels;
    std::optional<QUuid> m_selectedID;
    std::optional<QString> m_lastError;
    QString m_rootURL;
    bool m_securityScopeActive = false;
    // Set when library.json exists but could not be read: it is moved aside
    // before anything replaces it.
    bool m_unreadableFileInPlace = false;
};

} // namespace tandrel
