#pragma once

#include "capture/capture_status.h"

#include <QString>

namespace tandrel {

// The capture's status as the record workspace shows it ("Live", "Nur Audio").
QString captureStatusText(CaptureStatus status);

} // namespace tandrel
