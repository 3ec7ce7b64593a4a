#include "app/capture_status_text.h"

#include <QCoreApplication>

namespace tandrel {

QString captureStatusText(CaptureStatus status)
{
    switch (status) {
    case CaptureStatus::ready:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Bereit");
    case CaptureStatus::live:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Live");
    case CaptureStatus::audioOnly:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Nur Audio");
    case CaptureStatus::noSource:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Keine Quelle");
    case CaptureStatus::noVideoPicture:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Kein Videobild");
    case CaptureStatus::screenInterrupted:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Bildschirmquelle unterbrochen");
    case CaptureStatus::cameraInterrupted:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Kamera unterbrochen");
    case CaptureStatus::microphoneInterrupted:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Mikrofon unterbrochen");
    case CaptureStatus::recording:
        return QCoreApplication::translate("tandrel::CaptureStatusText", "Aufnahme");
    }
    return {};
}

} // namespace tandrel
