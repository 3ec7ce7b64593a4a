#include "app/media_failure_text.h"

#include "app/file_error_text.h"

#include <QCoreApplication>

namespace tandrel {

QString mediaFailureText(const MediaFailure &failure)
{
    using Kind = MediaFailure::Kind;
    switch (failure.kind) {
    case Kind::unreadable:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Datei konnte nicht gelesen werden: %1 (%2)")
                .arg(failure.path, fileErrorText(failure.cause));
    case Kind::unwritable:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Datei konnte nicht geschrieben werden: %1 (%2)")
                .arg(failure.path, fileErrorText(failure.cause));
    case Kind::notWav:
        return QCoreApplication::translate("tandrel::MediaFailureText", "Keine WAV-Datei: %1")
                .arg(failure.path);
    case Kind::wavFormatTooShort:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Beschädigte WAV-Datei (Formatangabe zu kurz): %1")
                .arg(failure.path);
    case Kind::wavNoFormat:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Beschädigte WAV-Datei (keine Formatangabe): %1")
                .arg(failure.path);
    case Kind::wavNoData:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Beschädigte WAV-Datei (keine Audiodaten): %1")
                .arg(failure.path);
    case Kind::wavUnsupported:
        return QCoreApplication::translate(
                       "tandrel::MediaFailureText",
                       "Nicht unterstütztes WAV-Format in %1: gelesen werden nur 16-Bit-PCM "
                       "und 32-Bit-Gleitkomma.")
                .arg(failure.path);
    case Kind::wavFormatInvalid:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Beschädigte WAV-Datei (ungültige Formatangabe): %1")
                .arg(failure.path);
    case Kind::notDecoded:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Mediendatei %1 konnte nicht gelesen werden: %2")
                .arg(failure.path,
                     failure.detail.isEmpty() ? QCoreApplication::translate("tandrel::MediaFailureText",
                                                                            "Datei ist beschädigt")
                                              : failure.detail);
    case Kind::notPlayable:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Mediendatei %1 konnte nicht gelesen werden: %2")
                .arg(failure.path,
                     QCoreApplication::translate("tandrel::MediaFailureText", "keine abspielbaren Daten"));
    case Kind::movieNoIndex:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Mediendatei %1 konnte nicht gelesen werden: %2")
                .arg(failure.path,
                     QCoreApplication::translate("tandrel::MediaFailureText", "kein Inhaltsverzeichnis"));
    case Kind::movieNoTracks:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Mediendatei %1 konnte nicht gelesen werden: %2")
                .arg(failure.path, QCoreApplication::translate("tandrel::MediaFailureText", "keine Spuren"));
    case Kind::movieNoAudioEdit:
        return QCoreApplication::translate("tandrel::MediaFailureText",
                                           "Mediendatei %1 konnte nicht gelesen werden: %2")
                .arg(failure.path, QCoreApplication::translate("tandrel::MediaFailureText",
                                                               "keine Tonspur mit Schnittliste"));
    }
    return {};
}

} // namespace tandrel
