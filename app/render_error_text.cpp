#include "app/render_error_text.h"

#include <QCoreApplication>

namespace tandrel {

QString renderErrorText(RenderError error, const QString &detail)
{
    switch (error) {
    case RenderError::noMedia:
        return QCoreApplication::translate("tandrel::RenderErrorText", "Der Take hat weder Video noch Ton.");
    case RenderError::missingTakeFile:
        return QCoreApplication::translate("tandrel::RenderErrorText",
                                           "Die Datei „%1“ des Takes fehlt oder ist nicht lesbar.")
                .arg(detail);
    case RenderError::diskFull:
        return QCoreApplication::translate(
                       "tandrel::RenderErrorText",
                       "Auf dem Datenträger ist nicht genug Platz für den fertigen Reel (%1).")
                .arg(detail);
    case RenderError::writeFailed:
        return QCoreApplication::translate("tandrel::RenderErrorText",
                                           "Der fertige Reel konnte nicht in „%1“ geschrieben werden.")
                .arg(detail);
    case RenderError::engineFailed:
        return QCoreApplication::translate(
                "tandrel::RenderErrorText",
                "Der fertige Reel konnte nicht erstellt werden: MLT fehlt oder ist unvollständig.");
    case RenderError::cancelled:
        return QCoreApplication::translate("tandrel::RenderErrorText", "Abgebrochen.");
    }
    return {};
}

} // namespace tandrel
