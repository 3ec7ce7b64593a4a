#include "speech/sphinx_model_install.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace tandrel {

namespace {

Status unpack(const QString &archive, const QString &folder, bool *diskFull)
{
    QProcess tar;
    // tar's messages in English, so that a full disk can be told apart.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    tar.setProcessEnvironment(environment);
    tar.start(QStringLiteral("tar"),
              {QStringLiteral("-xzf"), archive, QStringLiteral("-C"), folder,
               QStringLiteral("--no-same-owner")});
    if (!tar.waitForStarted())
        return Status::failure(QStringLiteral("tar ließ sich nicht starten: %1").arg(tar.errorString()));
    // Large models take a while; there is nothing else to do meanwhile.
    tar.waitForFinished(-1);
    if (tar.exitStatus() != QProcess::NormalExit || tar.exitCode() != 0) {
        const QString message = QString::fromLocal8Bit(tar.readAllStandardError()).trimmed();
        *diskFull = message.contains(QLatin1String("No space left on device"))
                || message.contains(QLatin1String("Disk quota exceeded"))
                || message.contains(QLatin1String("File too large"));
        return Status::failure(QStringLiteral("Das Archiv %1 ließ sich nicht entpacken: %2").arg(archive, message));
    }
    return {};
}

// The unpacked folder, or the one folder it holds when that is all.
QString contentOf(const QString &unpacked)
{
    const QDir dir(unpacked);
    const QStringList entries = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (entries.size() == 1 && QFileInfo(dir.filePath(entries.first())).isDir())
        return dir.filePath(entries.first());
    return unpacked;
}

} // namespace

bool isLocaleName(const QString &locale)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Za-z]{2,3}([-_][A-Za-z0-9]{2,8})*$"));
    return shape.match(locale).hasMatch();
}

Result<QString> fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<QString>::failure(
                QStringLiteral("%1 konnte nicht gelesen werden: %2").arg(path, file.errorString()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return Result<QString>::failure(QStringLiteral("%1 konnte nicht gelesen werden.").arg(path));
    return QString::fromLatin1(hash.result().toHex());
}

SphinxModelInstall::SphinxModelInstall(const QString &locale, const QString &root)
    : m_locale(bcp47Locale(locale)), m_root(root),
      m_staging(QDir(root).filePath(QStringLiteral(".") + m_locale + QStringLiteral("-XXXXXX"))),
      m_lock(QDir(m_staging.path()).filePath(sphinxInstallLockName()))
{ }

Result<std::unique_ptr<SphinxModelInstall>> SphinxModelInstall::begin(const QString &locale,
                                                                      const QString &root)
{
    using R = Result<std::unique_ptr<SphinxModelInstall>>;
    if (!isLocaleName(locale))
        return R::failure(QStringLiteral("„%1“ ist keine Sprache (etwa de-DE).").arg(locale));
    if (!QDir().mkpath(root))
        return R::failure(QStringLiteral("Der Ordner %1 konnte nicht angelegt werden.").arg(root));
    // Beside the target, so that renaming moves nothing; the dot keeps the
    // model search from taking it for a model.
    std::unique_ptr<SphinxModelInstall> install(new SphinxModelInstall(locale, root));
    if (!install->m_staging.isValid())
        return R::failure(QStringLiteral("In %1 lässt sich nichts anlegen: %2")
                                  .arg(root, install->m_staging.errorString()));
    if (!install->m_lock.tryLock(0))
        return R::failure(QStringLiteral("In %1 lässt sich nichts anlegen.").arg(install->folder()));
    return install;
}

Result<SphinxModel> SphinxModelInstall::finish(const QString &archive, const QStringList &files)
{
    using R = Result<SphinxModel>;
    m_diskFull = false;
    if (!QFileInfo(archive).isFile())
        return R::failure(QStringLiteral("Das Archiv %1 gibt es nicht.").arg(archive));
    const QString unpacked = QDir(folder()).filePath(QStringLiteral("unpacked"));
    QDir().mkpath(unpacked);
    if (Status s = unpack(archive, unpacked, &m_diskFull); !s)
        return R::failure(s.error());
    const QString content = contentOf(unpacked);
    for (const QString &file : files) {
        if (!QFile::rename(file, QDir(content).filePath(QFileInfo(file).fileName())))
            return R::failure(QStringLiteral("%1 ließ sich nicht zum Modell legen.").arg(file));
    }
    if (!sphinxModelIn(content, m_locale))
        return R::failure(QStringLiteral("Das Archiv %1 enthält kein PocketSphinx-Modell "
                                         "(akustisches Modell mit mdef und ein Wörterbuch).")
                                  .arg(archive));

    const QString target = QDir(m_root).filePath(m_locale);
    const QString previous = QDir(folder()).filePath(QStringLiteral("previous"));
    const bool replacing = QFileInfo::exists(target);
    if (replacing && !QDir().rename(target, previous))
        return R::failure(QStringLiteral("Das alte Modell in %1 ließ sich nicht ersetzen.").arg(target));
    if (!QDir().rename(content, target)) {
        if (replacing)
            QDir().rename(previous, target);
        return R::failure(QStringLiteral("Das Modell ließ sich nicht nach %1 verschieben.").arg(target));
    }
    // The previous model goes with the staging folder.
    if (std::optional<SphinxModel> model = sphinxModelIn(target, m_locale))
        return *model;
    return R::failure(QStringLiteral("Das Modell in %1 ist unvollständig.").arg(target));
}

} // namespace tandrel
