#include "app/capture_text.h"

#include "app/file_error_text.h"

#include <QCoreApplication>
#include <QDir>
#include <algorithm>
#include <cerrno>
#include <cmath>

namespace tandrel {

namespace {

// Whole seconds, as the user reads a take's length.
QString secondsText(double seconds)
{
    return QCoreApplication::translate("tandrel::CaptureNoticeText", "%1 s")
            .arg(qint64(std::floor(std::max(seconds, 0.0))));
}

// Why a take ended early: its writer's failure or its device's.
QString abortReasonText(const CaptureNotice &notice)
{
    if (notice.write)
        return writeFailureText(*notice.write);
    return (notice.device == CaptureNotice::Device::camera
                    ? QCoreApplication::translate("tandrel::CaptureNoticeText", "Kamera ausgefallen (%1)")
                    : QCoreApplication::translate("tandrel::CaptureNoticeText", "Mikrofon ausgefallen (%1)"))
            .arg(sourceFailureText(notice.source));
}

} // namespace

QString sourceFailureText(const SourceFailure &failure)
{
    switch (failure.kind) {
    case SourceFailure::Kind::gone:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Das Gerät ist nicht mehr vorhanden");
    case SourceFailure::Kind::noData:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Das Gerät liefert keine Daten mehr");
    case SourceFailure::Kind::notOpened:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Quelle konnte nicht geöffnet werden.");
    case SourceFailure::Kind::notLinked:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Quelle konnte nicht verbunden werden.");
    case SourceFailure::Kind::notStarted:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Quelle konnte nicht gestartet werden.");
    case SourceFailure::Kind::screenNotFound:
        return QCoreApplication::translate("tandrel::CaptureNoticeText", "Bildschirm nicht gefunden.");
    case SourceFailure::Kind::pipeWireSourceMissing:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "pipewiresrc fehlt (gstreamer1.0-pipewire).");
    case SourceFailure::Kind::x11SourceMissing:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "ximagesrc fehlt (GStreamer-Plugins „good“).");
    case SourceFailure::Kind::reported:
        break;
    }
    return failure.detail;
}

QString writeFailureText(const WriteFailure &failure)
{
    switch (failure.kind) {
    case WriteFailure::Kind::diskFull:
        return fileErrorText(FileError{ENOSPC});
    case WriteFailure::Kind::indexFull:
        return QCoreApplication::translate(
                "tandrel::CaptureNoticeText",
                "Der reservierte Platz für das Inhaltsverzeichnis der Datei ist aufgebraucht");
    case WriteFailure::Kind::finishTimedOut:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Die Datei konnte nicht rechtzeitig abgeschlossen werden");
    case WriteFailure::Kind::failed:
        break;
    }
    // GStreamer names some causes only in its own words (English).
    const QString cause = failure.cause.code ? fileErrorText(failure.cause) : failure.detail;
    if (cause.isEmpty())
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Die Datei konnte nicht geschrieben werden");
    return QCoreApplication::translate("tandrel::CaptureNoticeText", "Fehler beim Schreiben der Datei (%1)")
            .arg(cause);
}

QString videoSourceText(const VideoSource &source)
{
    if (source.kind == VideoSource::Kind::camera)
        return source.name;
    if (source.id == screenRequestID)
        return QCoreApplication::translate("tandrel::CaptureNoticeText", "Bildschirm (Freigabe…)");
    return QCoreApplication::translate("tandrel::CaptureNoticeText", "Bildschirm: %1").arg(source.name);
}

QString captureNoticeText(const CaptureNotice &notice)
{
    using Kind = CaptureNotice::Kind;
    switch (notice.kind) {
    case Kind::recordingRunning:
        return QCoreApplication::translate("tandrel::CaptureNoticeText", "Es läuft bereits eine Aufnahme.");
    case Kind::noSourceChosen:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Bitte Video- oder Audioquelle wählen.");
    case Kind::folderNotCreated:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Aufnahmeordner konnte nicht angelegt werden: %1")
                .arg(QDir::toNativeSeparators(notice.path));
    case Kind::writerNotReady:
        return notice.video
                ? QCoreApplication::translate("tandrel::CaptureNoticeText", "Video-Writer nicht bereit.")
                : QCoreApplication::translate("tandrel::CaptureNoticeText", "Audio-Writer nicht bereit.");
    case Kind::fileNotCreated:
        return (notice.video ? QCoreApplication::translate("tandrel::CaptureNoticeText",
                                                           "Videodatei konnte nicht angelegt werden: %1")
                             : QCoreApplication::translate("tandrel::CaptureNoticeText",
                                                           "Audiodatei konnte nicht angelegt werden: %1"))
                .arg(notice.detail);
    case Kind::endedBeforeStart:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Die Aufnahme wurde beendet, bevor sie begann.");
    case Kind::noPictures:
        return QCoreApplication::translate(
                "tandrel::CaptureNoticeText",
                "Keine Bilder empfangen. Kamera, HDMI-Karte oder Bildschirmfreigabe prüfen.");
    case Kind::noAudio:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Keine Audiodaten empfangen. Audioquelle prüfen.");
    case Kind::audioOnly:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Keine Videobilder empfangen. Take enthält nur Audio.");
    case Kind::takeLimit: {
        const double limit = notice.seconds.value_or(0);
        const QString length = limit >= 120
                ? QCoreApplication::translate("tandrel::CaptureNoticeText", "%1 Minuten")
                          .arg(qint64(limit / 60))
                : secondsText(limit);
        return QCoreApplication::translate(
                       "tandrel::CaptureNoticeText",
                       "Die Aufnahme wurde nach %1 beendet: Länger kann ein Take nicht sein.")
                .arg(length);
    }
    case Kind::aborted:
        if (notice.seconds)
            return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                               "Aufnahme abgebrochen: %1. Der Take enthält die ersten %2.")
                    .arg(abortReasonText(notice), secondsText(*notice.seconds));
        return QCoreApplication::translate("tandrel::CaptureNoticeText", "Aufnahme abgebrochen: %1.")
                .arg(abortReasonText(notice));
    case Kind::screenNotStarted:
        return QCoreApplication::translate("tandrel::CaptureNoticeText", "Bildschirmquelle: %1")
                .arg(sourceFailureText(notice.source));
    case Kind::screenInterrupted:
        return sourceFailureText(notice.source);
    case Kind::screenShareEnded:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Die Bildschirmfreigabe wurde beendet.");
    case Kind::screenAccessMissing:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Bildschirmfreigabe fehlt. Bitte die Freigabe des Bildschirms im "
                                           "Dialog des Systems erlauben.");
    case Kind::deviceFailed:
        return (notice.device == CaptureNotice::Device::camera
                        ? QCoreApplication::translate("tandrel::CaptureNoticeText",
                                                      "Kamera ausgefallen (%1).")
                        : QCoreApplication::translate("tandrel::CaptureNoticeText",
                                                      "Mikrofon ausgefallen (%1)."))
                .arg(sourceFailureText(notice.source));
    case Kind::soundMoved:
        return QCoreApplication::translate("tandrel::CaptureNoticeText",
                                           "Das System nimmt den Ton jetzt von „%1“ statt von „%2“ auf.")
                .arg(notice.to, notice.from);
    }
    return {};
}

} // namespace tandrel
