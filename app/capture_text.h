#pragma once

#include "capture/capture_notice.h"
#include "capture/video_source.h"

#include <QString>

namespace tandrel {

// What the capture tells the user, in the interface's language ("Es läuft
// bereits eine Aufnahme.").
QString captureNoticeText(const CaptureNotice &notice);

// Why a source failed ("Das Gerät ist nicht mehr vorhanden").
QString sourceFailureText(const SourceFailure &failure);

// Why a take's file could not be written ("Datei zu groß").
QString writeFailureText(const WriteFailure &failure);

// A video source as the pickers list it: a camera by its name, a screen as
// "Bildschirm: <display>", the placeholder as "Bildschirm (Freigabe…)".
QString videoSourceText(const VideoSource &source);

} // namespace tandrel
