#include "speech/espeak_reading.h"

#include <espeak-ng/speak_lib.h>

#include <mutex>

namespace tandrel::testing {

namespace {

struct Collect
{
    QByteArray samples;
    QList<SpokenWord> words;
};
Collect *g_collect = nullptr;

int onSynth(short *wav, int count, espeak_EVENT *events)
{
    if (wav && count > 0)
        g_collect->samples.append(reinterpret_cast<const char *>(wav), qsizetype(count) * 2);
    for (espeak_EVENT *e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type == espeakEVENT_WORD && e->length > 0)
            g_collect->words.append(SpokenWord{qsizetype(e->text_position - 1), qsizetype(e->length),
                                               e->audio_position / 1000.0, 0});
    }
    return 0;
}

} // namespace

Result<EspeakReading> speakWithEspeak(const QString &text, int wordsPerMinute, const QString &voice)
{
    static std::mutex mutex; // libespeak-ng keeps global state
    std::lock_guard lock(mutex);
    static int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0);
    if (rate <= 0)
        return Result<EspeakReading>::failure(QStringLiteral("espeak-ng did not start"));
    if (espeak_SetVoiceByName(voice.toUtf8().constData()) != EE_OK)
        return Result<EspeakReading>::failure(QStringLiteral("espeak-ng has no voice %1").arg(voice));
    espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
    espeak_SetSynthCallback(onSynth);

    Collect collect;
    g_collect = &collect;
    const QByteArray utf8 = text.toUtf8();
    espeak_ERROR err = espeak_Synth(utf8.constData(), size_t(utf8.size() + 1), 0, POS_CHARACTER, 0,
                                    espeakCHARS_UTF8, nullptr, nullptr);
    espeak_Synchronize();
    g_collect = nullptr;
    if (err != EE_OK)
        return Result<EspeakReading>::failure(QStringLiteral("espeak-ng did not speak"));

    EspeakReading reading;
    reading.audio.format = AudioFormat{rate, 1, SampleFormat::Int16};
    reading.audio.data = collect.samples;
    reading.audio.frames = collect.samples.size() / 2;
    reading.words = collect.words;
    for (qsizetype i = 0; i < reading.words.size(); ++i)
        reading.words[i].end
                = i + 1 < reading.words.size() ? reading.words[i + 1].start : reading.audio.duration();
    return reading;
}

} // namespace tandrel::testing
