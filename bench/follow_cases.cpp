#include "bench/follow_cases.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace tandrel::bench {

namespace {

QList<Segment> offScriptReading(const FollowScript &s)
{
    const QString text = QString::fromUtf8(s.text);
    const QString skipped = QString::fromUtf8(s.skippedSentence) + QLatin1Char(' ');
    const qsizetype skipAt = text.indexOf(skipped);
    const qsizetype adLibAt = text.indexOf(QString::fromUtf8(s.adLibAfter));
    Q_ASSERT(skipAt >= 0 && adLibAt > skipAt + skipped.size());
    const qsizetype resume = skipAt + skipped.size();
    return {{text.left(skipAt), 0},
            {text.mid(resume, adLibAt - resume), resume},
            {QString::fromUtf8(s.adLib) + QStringLiteral(". "), -1},
            {text.mid(adLibAt), adLibAt}};
}

// End of the sentence that starts at `from` (after its closing mark and blank).
qsizetype sentenceEnd(const QString &text, qsizetype from)
{
    static const QRegularExpression mark(QStringLiteral("[.!?]\\s+"));
    const QRegularExpressionMatch m = mark.match(text, from);
    return m.hasMatch() ? m.capturedEnd() : text.size();
}

// Leaves out the skipped sentence and the one after it: more words than the
// aligner's window can carry the position over.
QList<Segment> skippedParagraph(const FollowScript &s)
{
    const QString text = QString::fromUtf8(s.text);
    const qsizetype skipAt = text.indexOf(QString::fromUtf8(s.skippedSentence));
    const qsizetype resume = sentenceEnd(text, sentenceEnd(text, skipAt));
    return {{text.left(skipAt), 0}, {text.mid(resume), resume}};
}

QList<Segment> repeatedSentence(const FollowScript &s)
{
    const QString text = QString::fromUtf8(s.text);
    const qsizetype at = text.indexOf(QString::fromUtf8(s.skippedSentence));
    const qsizetype end = sentenceEnd(text, at);
    return {{text.left(end), 0}, {text.mid(at, end - at), -1}, {text.mid(end), end}};
}

// espeak-ng's voice for a script's language, with a variant ("+m3").
QString voiceFor(const FollowScript &s, const char *variant = "")
{
    return QLatin1String(s.language[0] == 'd' ? "de" : "en-us") + QLatin1String(variant);
}

Result<Reading> spoken(const QString &label, const QList<Segment> &segments, const QString &voice,
                       int wordsPerMinute = 160)
{
    Reading reading;
    reading.label = label;
    reading.segments = segments;
    for (const Segment &seg : segments)
        reading.spoken += seg.text;
    Result<EspeakReading> speech = speakWithEspeak(reading.spoken, wordsPerMinute, voice);
    if (!speech)
        return Result<Reading>::failure(speech.error());
    reading.speech = *speech;
    // The off-script stretches in audio time: from the first word of such a
    // segment to the end of its last.
    qsizetype start = 0;
    for (const Segment &seg : segments) {
        if (seg.scriptOffset < 0) {
            double from = -1, to = -1;
            for (const SpokenWord &w : std::as_const(reading.speech.words)) {
                if (w.offset >= start && w.offset < start + seg.text.size()) {
                    from = from < 0 ? w.start : from;
                    to = w.end;
                }
            }
            if (from >= 0)
                reading.offScript.append({from, to});
        }
        start += seg.text.size();
    }
    return reading;
}

Reading soundOnly(const QString &label, const QByteArray &samples, int rate)
{
    Reading reading;
    reading.label = label;
    reading.speech.audio.format = AudioFormat{rate, 1, SampleFormat::Int16};
    reading.speech.audio.data = samples;
    reading.speech.audio.frames = samples.size() / 2;
    reading.offScript.append({0, reading.speech.audio.duration()});
    return reading;
}

// Runs sox on raw mono 16-bit samples at `rate`; `effect` follows the output.
Result<QByteArray> sox(const QByteArray &samples, int rate, const QStringList &effect,
                       const QStringList &input = {})
{
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.raw")), out = dir.filePath(QStringLiteral("out.raw"));
    QFile file(in);
    if (!file.open(QIODevice::WriteOnly) || file.write(samples) != samples.size())
        return Result<QByteArray>::failure(QStringLiteral("sox input not written"));
    file.close();
    const QStringList raw{QStringLiteral("-t"),  QStringLiteral("raw"), QStringLiteral("-r"),
                          QString::number(rate), QStringLiteral("-e"),  QStringLiteral("signed"),
                          QStringLiteral("-b"),  QStringLiteral("16"),  QStringLiteral("-c"),
                          QStringLiteral("1")};
    QProcess process;
    process.start(QStringLiteral("sox"),
                  (input.isEmpty() ? raw + QStringList{in} : input) + raw + QStringList{out} + effect);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        return Result<QByteArray>::failure(QStringLiteral("sox failed: ")
                                           + QString::fromUtf8(process.readAllStandardError()));
    QFile result(out);
    if (!result.open(QIODevice::ReadOnly))
        return Result<QByteArray>::failure(QStringLiteral("sox output missing"));
    return result.readAll();
}

double rms(const QByteArray &samples)
{
    const auto *s = reinterpret_cast<const qint16 *>(samples.constData());
    double sum = 0;
    const qsizetype n = samples.size() / 2;
    for (qsizetype i = 0; i < n; ++i)
        sum += double(s[i]) * s[i];
    return n ? std::sqrt(sum / n) : 0;
}

// Pink noise from sox, `seconds` long.
Result<QByteArray> pinkNoise(double seconds, int rate)
{
    return sox({}, rate, {QStringLiteral("synth"), QString::number(seconds), QStringLiteral("pinknoise")},
               {QStringLiteral("-n")});
}

// The reading in a small reverberant room with steady noise `snr` dB below
// the speech (measured over the whole reading).
Result<Reading> inNoisyRoom(Reading reading, double snr)
{
    const int rate = reading.speech.audio.format.sampleRate;
    Result<QByteArray> wet = sox(
            reading.speech.audio.data, rate,
            {QStringLiteral("reverb"), QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("60")});
    if (!wet)
        return Result<Reading>::failure(wet.error());
    QByteArray speech = wet->left(reading.speech.audio.data.size());
    Result<QByteArray> noise = pinkNoise(reading.speech.audio.duration() + 1, rate);
    if (!noise)
        return Result<Reading>::failure(noise.error());
    const double gain
            = rms(reading.speech.audio.data) / std::pow(10.0, snr / 20) / std::max(1.0, rms(*noise));
    auto *s = reinterpret_cast<qint16 *>(speech.data());
    const auto *n = reinterpret_cast<const qint16 *>(noise->constData());
    for (qsizetype i = 0; i < speech.size() / 2 && i < noise->size() / 2; ++i)
        s[i] = qint16(std::clamp(s[i] + gain * n[i], -32768.0, 32767.0));
    reading.speech.audio.data = speech;
    reading.label = QStringLiteral("room");
    return reading;
}

} // namespace

Result<QList<Reading>> followReadings(const FollowScript &s, const QString &only)
{
    const QString text = QString::fromUtf8(s.text);
    const QString chat = QString::fromUtf8(chatterBeforeTheTake(s.language)) + QLatin1Char(' ');
    const struct
    {
        const char *label;
        QList<Segment> segments;
        const char *variant;
        int wordsPerMinute;
    } spokenCases[] = {
            {"exact", {{text, 0}}, "", 160},
            {"fast", {{text, 0}}, "+m3", 200},
            {"voice2", {{text, 0}}, "+f2", 150},
            {"adlib", offScriptReading(s), "", 160},
            {"monolog", {{QString::fromUtf8(unrelatedMonologue(s.language)), -1}}, "", 160},
            {"chatter", {{chat, -1}, {text, 0}}, "", 160},
            {"skip", skippedParagraph(s), "", 160},
            {"repeat", repeatedSentence(s), "", 160},
    };
    QList<Reading> readings;
    auto wanted = [&](const QString &label) { return only.isEmpty() || only == label; };
    for (const auto &c : spokenCases) {
        if (!wanted(QLatin1String(c.label))
            && !(c.label == QLatin1String("exact") && wanted(QStringLiteral("room"))))
            continue;
        Result<Reading> r = spoken(QLatin1String(c.label), c.segments, voiceFor(s, c.variant), c.wordsPerMinute);
        if (!r)
            return Result<QList<Reading>>::failure(r.error());
        if (wanted(r->label))
            readings.append(*r);
        if (c.label == QLatin1String("exact") && wanted(QStringLiteral("room"))) {
            Result<Reading> room = inNoisyRoom(*r, 20);
            if (!room)
                return Result<QList<Reading>>::failure(room.error());
            readings.append(*room);
        }
    }
    const int rate = 22050;
    if (wanted(QStringLiteral("silence")))
        readings.append(soundOnly(QStringLiteral("silence"), QByteArray(20 * rate * 2, 0), rate));
    if (wanted(QStringLiteral("noise"))) {
        Result<QByteArray> noise = pinkNoise(20, rate);
        if (!noise)
            return Result<QList<Reading>>::failure(noise.error());
        // A fan or street noise at a level a microphone near the speaker picks up.
        QByteArray quieter = *noise;
        auto *n = reinterpret_cast<qint16 *>(quieter.data());
        for (qsizetype i = 0; i < quieter.size() / 2; ++i)
            n[i] = qint16(n[i] / 4);
        readings.append(soundOnly(QStringLiteral("noise"), quieter, rate));
    }
    if (wanted(QStringLiteral("music"))) {
        // Plucked chords, four a second: music playing in the room.
        Result<QByteArray> music
                = sox({}, rate,
                      QStringLiteral("synth 0.25 pluck C4 pluck E4 pluck G4 pluck C5 remix - "
                                     "repeat 79 vol 0.5")
                              .split(QLatin1Char(' ')),
                      {QStringLiteral("-n")});
        if (!music)
            return Result<QList<Reading>>::failure(music.error());
        readings.append(soundOnly(QStringLiteral("music"), *music, rate));
    }
    return readings;
}

} // namespace tandrel::bench
