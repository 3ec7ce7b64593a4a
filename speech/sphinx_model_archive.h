#pragma once

#include "platform/result.h"
#include "speech/sphinx_model.h"

#include <QString>

namespace tandrel {

// Unpacks a .tar.gz archive of a PocketSphinx model into `root`/<locale>,
// replacing a model installed there before. The archive may hold the model's
// files at its top or inside one folder. It is unpacked next to the target
// and renamed into place, so a failed install leaves the folder as it was.
// Runs tar; blocks until it is done.
Result<SphinxModel> installSphinxModelArchive(const QString &archive, const QString &locale,
                                              const QString &root);

// Whether `locale` names a locale ("de-DE", "de_DE", "de").
bool isLocaleName(const QString &locale);

// The SHA-256 of a file's content in lower-case hex.
Result<QString> fileSha256(const QString &path);

} // namespace tandrel
