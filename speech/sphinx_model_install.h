#pragma once

#include "platform/result.h"
#include "speech/model_problem.h"
#include "speech/sphinx_model.h"

#include <QLockFile>
#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace tandrel {

// One model being installed into `root`/<locale>. While it exists, a hidden
// folder beside the target (".de-DE-XXXXXX") holds the download and the
// unpacked files, and a lock in it tells the model search that the locale is
// being installed (a follower waits for it). Whatever it has not renamed into
// place is removed when it goes, so a failed install leaves nothing behind.
class SphinxModelInstall
{
public:
    static Result<std::unique_ptr<SphinxModelInstall>, ModelProblem> begin(const QString &locale,
                                                                           const QString &root);

    // Where a download may go until `finish`.
    QString folder() const { return m_staging.path(); }
    // Unpacks a .tar.gz archive of a PocketSphinx model (its files at the top
    // or inside one folder), adds `files` (a dictionary or language model
    // that came on their own) to it and renames it into place, replacing a
    // model installed there before. Runs tar; blocks until it is done. Any
    // thread, one call at a time.
    Result<SphinxModel, ModelProblem> finish(const QString &archive, const QStringList &files = {});
    // The last `finish` failed because the disk was full.
    bool diskFull() const { return m_diskFull; }

private:
    SphinxModelInstall(const QString &locale, const QString &root);

    QString m_locale;
    QString m_root;
    QTemporaryDir m_staging;
    QLockFile m_lock; // after the folder it lives in: released before the folder goes
    bool m_diskFull = false;
};

// Whether `locale` names a locale ("de-DE", "de_DE", "de").
bool isLocaleName(const QString &locale);

// The SHA-256 of a file's content in lower-case hex.
Result<QString, ModelProblem> fileSha256(const QString &path);

} // namespace tandrel
