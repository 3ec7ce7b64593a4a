#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace tandrel {

// One installed PocketSphinx model: a folder named after its locale ("en-us",
// "de-DE") that holds, at any depth, the acoustic model (a folder with an
// mdef file), a pronunciation dictionary (*.dict or *.dic) and optionally a
// general language model (*.lm.bin, *.lm, *.lm.gz or *.lm.DMP; not a phone
// model).
struct SphinxModel
{
    QString locale; // BCP 47 form of the folder name, "en-US"
    QString acousticModel;
    QString dictionary;
    QString languageModel; // empty when the model brings none
    QString folder;
    // Being installed into `folder` (the other paths are empty until then).
    bool installing = false;
    bool operator==(const SphinxModel &) const = default;
};

// Where Debian's pocketsphinx model packages install.
QString defaultSphinxModelRoot();
// Where models installed for this user go: the user's data folder
// (XDG_DATA_HOME) + "Tandrel/models".
QString userSphinxModelRoot();
// Every folder models are looked for in, in this order: the user's data
// folder, the system's data folders (XDG_DATA_DIRS), each + "Tandrel/models",
// then Debian's folder.
QStringList sphinxModelRoots();

// The BCP 47 form of a locale name: "de_de" -> "de-DE".
QString bcp47Locale(const QString &name);

// The model in `folder` for `locale`, or none when the folder lacks an
// acoustic model or a dictionary.
std::optional<SphinxModel> sphinxModelIn(const QString &folder, const QString &locale);

// The lock an install holds in its hidden folder beside the target.
QString sphinxInstallLockName();
// Whether a live install into `model.folder` is running.
bool sphinxInstallRunning(const SphinxModel &model);

// The complete models in the folders under `root`, sorted by folder name,
// each preceded by the same locale's running install, if any.
QList<SphinxModel> installedSphinxModels(const QString &root);
// The models of all `roots`, in their order.
QList<SphinxModel> installedSphinxModels(const QStringList &roots);

// The model for a script written in `language` ("de"; empty when unknown):
// a model of that language first (the one for `currentLocale` where that is
// among them); else the model for the locale equivalent to the first of
// `currentLocale`, "de-DE" and "en-US" that is installed (the first of
// several for one locale); none when none of them is. Locales compare
// without regard to case or to "_" against "-".
std::optional<SphinxModel> chooseSphinxModel(const QList<SphinxModel> &installed, const QString &currentLocale,
                                             const QString &language = {});

} // namespace tandrel
