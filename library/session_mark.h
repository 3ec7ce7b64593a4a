#pragma once

#include <QString>
#include <QStringList>

namespace tandrel {

// This process's mark in a library folder while it may write there: a file
// in the folder's ".tandrel-sessions" that the process holds locked (flock)
// until it closes the library, and then removes. The kernel drops the lock
// when a process dies, so a mark that no one holds was left by a process
// that ended without closing the library (killed, crashed, power cut): the
// only way take files without a take, or reel folders behind the list, come
// about. Start-up looks for those only then, instead of reading every reel
// folder at every start.
class SessionMark
{
public:
    static constexpr const char *folderName = ".tandrel-sessions";

    // Notes the marks left behind in `libraryFolder`, then takes this
    // process's own. A folder that cannot hold a mark (read-only) still
    // gets its marks read.
    explicit SessionMark(const QString &libraryFolder);
    ~SessionMark();
    SessionMark(const SessionMark &) = delete;
    SessionMark &operator=(const SessionMark &) = delete;

    // Whether the folder may hold what an unclean end leaves: a mark was left
    // behind, or the folder never had marks (a library from before them).
    bool uncleanEndBefore() const { return m_neverMarked || !m_leftBehind.isEmpty(); }
    // Forgets the marks left behind, once what they stood for is mended.
    void clearLeftBehind();

private:
    QString m_folder;
    QString m_path; // this process's mark; empty when none could be made
    int m_fd = -1;
    QStringList m_leftBehind;
    bool m_neverMarked = false;
};

} // namespace tandrel
