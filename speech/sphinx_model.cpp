#include "speech/sphinx_model.h"

#include <QDir>
#include <QFileInfo>

namespace tandrel {

namespace {

QString bcp47(const QString &name)
{
    QStringList parts = QString(name).replace(QLatin1Char('_'), QLatin1Char('-')).split(QLatin1Char('-'));
    if (parts.isEmpty())
        return name;
    parts[0] = parts[0].toLower();
    for (int i = 1; i < parts.size(); ++i)
        parts[i] = parts[i].size() == 2 ? parts[i].toUpper() : parts[i];
    return parts.join(QLatin1Char('-'));
}

std::optional<SphinxModel> modelIn(const QDir &folder)
{
    SphinxModel model;
    model.locale = bcp47(folder.dirName());
    QFileInfo acoustic(folder.filePath(folder.dirName()));
    if (!QFileInfo::exists(acoustic.filePath() + QStringLiteral("/mdef")))
        return std::nullopt;
    model.acousticModel = acoustic.filePath();
    const QStringList dictionaries = folder.entryList({QStringLiteral("*.dict")}, QDir::Files, QDir::Name);
    if (dictionaries.isEmpty())
        return std::nullopt;
    model.dictionary = folder.filePath(dictionaries.first());
    for (const QString &lm :
         folder.entryList({QStringLiteral("*.lm.bin"), QStringLiteral("*.lm")}, QDir::Files, QDir::Name)) {
        if (!lm.contains(QStringLiteral("phone"))) {
            model.languageModel = folder.filePath(lm);
            break;
        }
    }
    if (model.languageModel.isEmpty())
        return std::nullopt;
    return model;
}

} // namespace

QString defaultSphinxModelRoot()
{
    return QStringLiteral("/usr/share/pocketsphinx/model");
}

QList<SphinxModel> installedSphinxModels(const QString &root)
{
    QList<SphinxModel> models;
    QDir dir(root);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (auto model = modelIn(QDir(dir.filePath(name))))
            models.append(*model);
    }
    return models;
}

std::optional<SphinxModel> chooseSphinxModel(const QList<SphinxModel> &installed,
                                             const QString &currentLocale)
{
    for (const QString &wanted : {bcp47(currentLocale), QStringLiteral("de-DE"), QStringLiteral("en-US")}) {
        for (const SphinxModel &model : installed) {
            if (model.locale.compare(wanted, Qt::CaseInsensitive) == 0)
                return model;
        }
    }
    if (!installed.isEmpty())
        return installed.first();
    return std::nullopt;
}

} // namespace tandrel
