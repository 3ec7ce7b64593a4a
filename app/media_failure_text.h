#pragma once

#include "media/media_failure.h"

#include <QString>

namespace tandrel {

// Why a media file could not be read, naming the file
// ("Beschädigte WAV-Datei (keine Audiodaten): /a/b.wav").
QString mediaFailureText(const MediaFailure &failure);

} // namespace tandrel
