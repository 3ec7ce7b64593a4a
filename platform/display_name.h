#pragma once

#include "platform/display_list.h"

#include <QList>
#include <QString>

namespace tandrel {

// How a display is called wherever the user picks one (the video source and
// the teleprompter's screen): its name, and where another display has the
// same name, its number and size as well ("screen · 2 (1920 × 1080)").
QString displayName(const DisplayInfo &display, const QList<DisplayInfo> &displays);

} // namespace tandrel
