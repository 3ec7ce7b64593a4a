#pragma once

#include "media/wav_file.h"

#include <QList>
#include <QString>

namespace tandrel::testing {

// One word as espeak-ng spoke it: where it stands in the spoken text and when
// it starts and ends in the audio.
struct SpokenWord
{
    qsizetype offset = 0; // in the spoken text, UTF-16 code units
    qsizetype length = 0;
    double start = 0; // seconds into the audio
    double end = 0;
};

struct EspeakReading
{
    WavAudio audio; // mono 16-bit at espeak-ng's rate
    QList<SpokenWord> words;
};

// Speaks `text` with the espeak-ng `voice` ("en-us", "de+m3") through
// libespeak-ng, keeping its word events. Word events of length 0 (clause
// breaks) are skipped; a word ends where the next one starts, the last one
// at the end of the audio.
Result<EspeakReading> speakWithEspeak(const QString &text, int wordsPerMinute = 160,
                                      const QString &voice = QStringLiteral("en-us"));

} // namespace tandrel::testing
