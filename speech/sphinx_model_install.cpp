#include "speech/sphinx_model_install.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace tandrel {

namespace {

BasicStatus<ModelProblem> unpack(const QString &archive, const QString &folder, bool *diskFull)
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
        return BasicStatus<ModelProblem>::failure(
                {.kind = ModelProblem::Kind::tarNotStarted, .detail = tar.errorString()});
    // Large models take a while; there is nothing else to do meanwhile.
    tar.waitForFinished(-1);
    if (tar.exitStatus() != QProcess::NormalExit || tar.exitCode() != 0) {
        const QString message = QString::fromLocal8Bit(tar.readAllStandardError()).trimmed();
        *diskFull = message.contains(QLatin1String("No space left on device"))
                || message.contains(QLatin1String("Disk quota exceeded"))
                || message.contains(QLatin1String("File too large"));
        return BasicStatus<ModelProblem>::failure(
                {.kind = ModelProblem::Kind::notUnpacked, .path = archive, .detail = message});
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

Result<QString, ModelProblem> fileSha256(const QString &path)
{
    using R = Result<QString, ModelProblem>;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return R::failure({.kind = ModelProblem::Kind::notRead, .path = path, .detail = file.errorString()});
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        return R::failure({.kind = ModelProblem::Kind::notRead, .path = path});
    return QString::fromLatin1(hash.result().toHex());
}

SphinxModelInstall::SphinxModelInstall(const QString &locale, const QString &root)
    : m_locale(bcp47Locale(locale)), m_root(root),
      m_staging(QDir(root).filePath(QStringLiteral(".") + m_locale + QStringLiteral("-XXXXXX"))),
      m_lock(QDir(m_staging.path()).filePath(sphinxInstallLockName()))
{ }

Result<std::unique_ptr<SphinxModelInstall>, ModelProblem> SphinxModelInstall::begin(const QString &locale,
                                                                                    const QString &root)
{
    using R = Result<std::unique_ptr<SphinxModelInstall>, ModelProblem>;
    if (!isLocaleName(locale))
        return R::failure({.kind = ModelProblem::Kind::notALocale, .path = locale});
    if (!QDir().mkpath(root))
        return R::failure({.kind = ModelProblem::Kind::folderNotCreated, .path = root});
    // Beside the target, so that renaming moves nothing; the dot keeps the
    // model search from taking it for a model.
    std::unique_ptr<SphinxModelInstall> install(new SphinxModelInstall(locale, root));
    if (!install->m_staging.isValid())
        return R::failure({.kind = ModelProblem::Kind::stagingNotCreated,
                           .path = root,
                           .detail = install->m_staging.errorString()});
    if (!install->m_lock.tryLock(0))
        return R::failure({.kind = ModelProblem::Kind::locked, .path = install->folder()});
    return install;
}

Result<SphinxModel, ModelProblem> SphinxModelInstall::finish(const QString &archive, const QStringList &files)
{
    using R = Result<SphinxModel, ModelProblem>;
    m_diskFull = false;
    if (!QFileInfo(archive).isFile())
        return R::failure({.kind = ModelProblem::Kind::archiveMissing, .path = archive});
    const QString unpacked = QDir(folder()).filePath(QStringLiteral("unpacked"));
    QDir().mkpath(unpacked);
    if (BasicStatus<ModelProblem> s = unpack(archive, unpacked, &m_diskFull); !s)
        return R::failure(s.error());
    const QString content = contentOf(unpacked);
    for (const QString &file : files) {
        if (!QFile::rename(file, QDir(content).filePath(QFileInfo(file).fileName())))
            return R::failure({.kind = ModelProblem::Kind::fileNotMoved, .path = file});
    }
    if (!sphinxModelIn(content, m_locale))
        return R::failure({.kind = ModelProblem::Kind::noModel, .path = archive});

    const QString target = QDir(m_root).filePath(m_locale);
    const QString previous = QDir(folder()).filePath(QStringLiteral("previous"));
    const bool replacing = QFileInfo::exists(target);
    if (replacing && !QDir().rename(target, previous))
        return R::failure({.kind = ModelProblem::Kind::oldModelNotReplaced, .path = target});
    if (!QDir().rename(content, target)) {
        if (replacing)
            QDir().rename(previous, target);
        return R::failure({.kind = ModelProblem::Kind::modelNotMoved, .path = target});
    }
    // The previous model goes with the staging folder.
    if (std::optional<SphinxModel> model = sphinxModelIn(target, m_locale))
        return *model;
    return R::failure({.kind = ModelProblem::Kind::modelIncomplete, .path = target});
}

} // namespace tandrel
