#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace tandrel {

// One installed PocketSphinx model: a folder under the model root named after
// its locale ("en-us"), holding the acoustic model in a folder of the same
// name, a pronunciation dictionary (*.dict) and a general language model
// (*.lm.bin, not the phone model).
struct SphinxModel
{
    QString locale; // BCP 47 form of the folder name, "en-US"
    QString acousticModel;
    QString dictionary;
    QString languageModel;
    bool operator==(const SphinxModel &) const = default;
};

// Where Debian's pocketsphinx model packages install.
QString defaultSphinxModelRoot();

// The complete models under `root`, sorted by folder name.
QList<SphinxModel> installedSphinxModels(const QString &root);

// The model for the locale equivalent to the first of `currentLocale`,
// "de-DE" and "en-US" that is installed; otherwise the first installed model;
// none when nothing is installed. Locales compare without regard to case or
// to "_" against "-".
std::optional<SphinxModel> chooseSphinxModel(const QList<SphinxModel> &installed,
                                             const QString &currentLocale);

} // namespace tandrel
