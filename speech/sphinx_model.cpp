#include "speech/sphinx_model.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

namespace tandrel {

namespace {

QString modelsBelow(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("Tandrel/models"));
}

bool isLanguageModel(const QString &name)
{
    return (name.endsWith(QStringLiteral(".lm.bin")) || name.endsWith(QStringLiteral(".lm"))
            || name.endsWith(QStringLiteral(".lm.gz"))
            || name.endsWith(QStringLiteral(".lm.dmp"), Qt::CaseInsensitive))
            && !name.contains(QStringLiteral("phone"));
}

// Names of the hidden folders installs into `locale` use.
QString stagingPattern(const QString &locale)
{
    return QStringLiteral(".") + locale + QStringLiteral("-??????");
}

bool holdsLiveLock(const QString &staging)
{
    const QString path = QDir(staging).filePath(sphinxInstallLockName());
    if (!QFileInfo::exists(path))
        return false;
    // A lock of an install that died is stale: taking it removes it.
    QLockFile lock(path);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

} // namespace

QString sphinxInstallLockName()
{
    return QStringLiteral("install.lock");
}

bool sphinxInstallRunning(const SphinxModel &model)
{
    const QFileInfo target(model.folder);
    const QDir root = target.absoluteDir();
    for (const QString &name :
         root.entryList({stagingPattern(target.fileName())}, QDir::Dirs | QDir::Hidden)) {
        if (holdsLiveLock(root.filePath(name)))
            return true;
    }
    return false;
}

QString defaultSphinxModelRoot()
{
    return QStringLiteral("/usr/share/pocketsphinx/model");
}

QString userSphinxModelRoot()
{
    return modelsBelow(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QStringList sphinxModelRoots()
{
    QStringList roots;
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        roots.append(modelsBelow(data));
    roots.append(defaultSphinxModelRoot());
    roots.removeDuplicates();
    return roots;
}

QString bcp47Locale(const QString &name)
{
    QStringList parts = QString(name).replace(QLatin1Char('_'), QLatin1Char('-')).split(QLatin1Char('-'));
    if (parts.isEmpty())
        return name;
    parts[0] = parts[0].toLower();
    for (int i = 1; i < parts.size(); ++i)
        parts[i] = parts[i].size() == 2 ? parts[i].toUpper() : parts[i];
    return parts.join(QLatin1Char('-'));
}

std::optional<SphinxModel> sphinxModelIn(const QString &folder, const QString &locale)
{
    SphinxModel model;
    model.locale = bcp47Locale(locale);
    model.folder = QDir(folder).absolutePath();
    // Sorted, so that the same folder always gives the same model; Debian's
    // layout and the archives of the CMU Sphinx project nest the files at
    // different depths.
    QStringList files;
    for (QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files.append(it.next());
    files.sort();
    for (const QString &path : std::as_const(files)) {
        const QString name = QFileInfo(path).fileName();
        if (name == QLatin1String("mdef") && model.acousticModel.isEmpty())
            model.acousticModel = QFileInfo(path).absolutePath();
        else if ((name.endsWith(QStringLiteral(".dict")) || name.endsWith(QStringLiteral(".dic")))
                 && model.dictionary.isEmpty())
            model.dictionary = QFileInfo(path).absoluteFilePath();
        else if (isLanguageModel(name) && model.languageModel.isEmpty())
            model.languageModel = QFileInfo(path).absoluteFilePath();
    }
    if (model.acousticModel.isEmpty() || model.dictionary.isEmpty())
        return std::nullopt;
    return model;
}

QList<SphinxModel> installedSphinxModels(const QString &root)
{
    QList<SphinxModel> models;
    QDir dir(root);
    // Folders starting with a dot are installs still being unpacked.
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        SphinxModel installing;
        installing.locale = bcp47Locale(name);
        installing.folder = QDir(dir.filePath(name)).absolutePath();
        installing.installing = true;
        if (sphinxInstallRunning(installing))
            models.append(installing);
        if (auto model = sphinxModelIn(dir.filePath(name), name))
            models.append(*model);
    }
    // A first install of a locale has no folder of its own yet.
    for (const QString &name :
         dir.entryList({QStringLiteral(".*-??????")}, QDir::Dirs | QDir::Hidden, QDir::Name)) {
        SphinxModel installing;
        installing.locale = bcp47Locale(name.mid(1, name.size() - 8));
        installing.folder = QDir(dir.filePath(name.mid(1, name.size() - 8))).absolutePath();
        installing.installing = true;
        if (!QFileInfo::exists(installing.folder) && !models.contains(installing)
            && holdsLiveLock(dir.filePath(name)))
            models.append(installing);
    }
    return models;
}

QList<SphinxModel> installedSphinxModels(const QStringList &roots)
{
    QList<SphinxModel> models;
    for (const QString &root : roots)
        models += installedSphinxModels(root);
    return models;
}

std::optional<SphinxModel> chooseSphinxModel(const QList<SphinxModel> &installed, const QString &currentLocale,
                                             const QString &language)
{
    auto languageOf = [](const QString &locale) { return bcp47Locale(locale).section(QLatin1Char('-'), 0, 0); };
    if (!language.isEmpty()) {
        const SphinxModel *first = nullptr;
        for (const SphinxModel &model : installed) {
            if (languageOf(model.locale) != languageOf(language))
                continue;
            if (model.locale.compare(bcp47Locale(currentLocale), Qt::CaseInsensitive) == 0)
                return model;
            if (!first)
                first = &model;
        }
        if (first)
            return *first;
    }
    for (const QString &wanted :
         {bcp47Locale(currentLocale), QStringLiteral("de-DE"), QStringLiteral("en-US")}) {
        for (const SphinxModel &model : installed) {
            if (model.locale.compare(wanted, Qt::CaseInsensitive) == 0)
                return model;
        }
    }
    return std::nullopt;
}

} // namespace tandrel
