#include "render/render_error.h"

namespace tandrel {

QString description(RenderError error, const QString &detail)
{
    switch (error) {
    case RenderError::noMedia:
        return QStringLiteral("Der Take hat weder Video noch Ton.");
    case RenderError::missingTakeFile:
        return QStringLiteral("Die Datei „%1“ des Takes fehlt oder ist nicht lesbar.").arg(detail);
    case RenderError::diskFull:
        return QStringLiteral("Auf dem Datenträger ist nicht genug Platz für den fertigen Reel (%1).")
                .arg(detail);
    case RenderError::writeFailed:
        return QStringLiteral("Der fertige Reel konnte nicht in „%1“ geschrieben werden.").arg(detail);
    case RenderError::engineFailed:
        return QStringLiteral(
                "Der fertige Reel konnte nicht erstellt werden: MLT fehlt oder ist unvollständig.");
    case RenderError::cancelled:
        return QStringLiteral("Abgebrochen.");
    }
    return {};
}

} // namespace tandrel
