#pragma once

#include "media/audio_format.h"

#include <QByteArray>

namespace tandrel {

// One microphone buffer: interleaved samples and the capture time of its first
// frame in seconds on the capture session's clock. The data is implicitly
// shared, so handing a buffer to several consumers copies no samples.
struct AudioBuffer
{
    AudioFormat format;
    QByteArray data;
    qint64 frames = 0;
    double time = 0;
};

} // namespace tandrel
