#pragma once

#include "speech/model_download.h"

#include <QString>

namespace tandrel {

// The words a person reads about languages and speech models.

// "Deutsch", "Englisch", …; the code itself for a language without a name here.
QString languageName(const QString &language);
// "Deutsches Modell laden (62 MB)".
QString loadModelButtonText(const QString &language, qint64 bytes);
// "Für Deutsch ist kein Sprachmodell installiert. Mit dem englischen Modell
// folgt der Text ungenauer."
QString missingModelNotice(const QString &scriptLanguage, const QString &modelLanguage);
// "12,3 MB"
QString megabytesText(qint64 bytes);
// "12,3 von 62,0 MB · noch 1 min 20 s" while downloading, "Entpacke…" after.
QString downloadProgressText(const ModelDownloadProgress &progress);
// Why a download failed, for the user; empty for none or a cancel.
QString downloadFailureText(ModelDownloadFailure failure, const ModelProblem &detail);
// What went wrong with a model ("Das Modell in … ist unvollständig."); empty
// for none.
QString modelProblemText(const ModelProblem &problem);

} // namespace tandrel
