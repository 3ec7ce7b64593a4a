#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace tandrel {

// A file a model needs beside its archive (a dictionary or language model
// the project publishes on its own), placed into the model's folder.
struct CatalogueFile
{
    QUrl url;
    QString name;
    bool operator==(const CatalogueFile &) const = default;
};

// A PocketSphinx model that can be downloaded: the CMU Sphinx project's
// models per language.
struct CatalogueModel
{
    QString locale; // "de-DE": the folder it is installed into
    QUrl archive; // a .tar.gz holding the acoustic model (and mostly its dictionary)
    qint64 bytes = 0; // about this much to download, archive and files together
    QString sha256; // of the archive, in lower-case hex; empty when not known
    QList<CatalogueFile> files;
    bool operator==(const CatalogueModel &) const = default;
};

// The models the application offers, one per language; from the mirror in
// TANDREL_MODEL_MIRROR where that is set.
QList<CatalogueModel> modelCatalogue();

// The catalogue's model for the language of `locale` ("de", "de-DE", "de_AT"), if any.
std::optional<CatalogueModel> catalogueModelFor(const QList<CatalogueModel> &catalogue, const QString &locale);

} // namespace tandrel
