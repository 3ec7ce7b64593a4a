#pragma once

#include "media/speech_interval.h"
#include "media/wav_file.h"
#include "platform/result.h"

#include <QList>
#include <QString>

namespace tandrel {

// What the take files on disk hold, read with GStreamer. Blocking; call from
// any thread.

// The playable length in seconds of a movie or audio file (of what its index
// covers, for a file whose recording was cut off).
Result<double, MediaFailure> mediaDuration(const QString &path);

// The speech in an audio file, measured buffer by buffer as the recorder
// measures the microphone while a take runs.
Result<QList<SpeechInterval>, MediaFailure> speechInAudioFile(const QString &path);

// The audio of a movie or audio file as mono 16-bit samples at `sampleRate`,
// each decoded buffer at the place its time gives.
Result<WavAudio, MediaFailure> monoAudioOfFile(const QString &path, int sampleRate = 16000);

} // namespace tandrel
