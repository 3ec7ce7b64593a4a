// Word times of whole takes against espeak-ng readings whose true word times
// are known from its word events: the timing, the spelling, and what a
// skipped sentence or an ad-lib gets.

#include "speech/word_alignment.h"

#include "media/media_file.h"
#include "speech/espeak_reading.h"
#include "speech/script_aligner.h"
#include "speech/sphinx_model.h"
#include "tests/support/wav_builder.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

using namespace tandrel;
namespace espeak = tandrel::testing;

namespace {

struct Sentence
{
    QString text;
    bool inScript = true; // false: an ad-lib, said but not written
    bool said = true; // false: written but skipped
};

// A reading of sentences, the script it was read from, and the true start of
// each script token that was said.
struct Reading
{
    QString script;
    WavAudio audio; // 16 kHz mono, as decoded from a file
    QMap<qint64, double> trueStart; // script token index → seconds
    QList<std::pair<double, double>> adLibs; // when the ad-libs were said
    QSet<qint64> skipped; // script token indices of skipped sentences
};

Reading read(const QList<Sentence> &sentences, const QString &voice, int wordsPerMinute,
             const QString &folder)
{
    Reading reading;
    QString spoken;
    struct Span
    {
        qsizetype spokenFrom, spokenTo, scriptFrom;
        bool inScript;
    };
    QList<Span> spans;
    for (const Sentence &s : sentences) {
        if (s.inScript) {
            const qsizetype tokensBefore = ScriptAligner::tokenize(reading.script).size();
            if (!reading.script.isEmpty())
                reading.script += QLatin1Char(' ');
            if (!s.said) {
                const qsizetype count = ScriptAligner::tokenize(s.text).size();
                for (qsizetype k = 0; k < count; ++k)
                    reading.skipped.insert(tokensBefore + k);
            } else {
                spans.append({spoken.size() + (spoken.isEmpty() ? 0 : 1), 0, reading.script.size(), true});
            }
            reading.script += s.text;
        } else {
            spans.append({spoken.size() + (spoken.isEmpty() ? 0 : 1), 0, -1, false});
        }
        if (s.said) {
            if (!spoken.isEmpty())
                spoken += QLatin1Char(' ');
            spoken += s.text;
            spans.last().spokenTo = spoken.size();
        }
    }
    const Result<espeak::EspeakReading> speech = espeak::speakWithEspeak(spoken, wordsPerMinute, voice);
    if (!speech) {
        ADD_FAILURE() << qPrintable(speech.error());
        return reading;
    }
    // Decoded from a file as a take's audio is.
    const QString wav = folder + QStringLiteral("/reading.wav");
    QFile file(wav);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    tandrel::testing::WavLayout layout;
    layout.rate = quint32(speech->audio.format.sampleRate);
    file.write(espeak::wavFile(layout, speech->audio.data));
    file.close();
    Result<WavAudio, MediaFailure> audio = monoAudioOfFile(wav, 16000);
    EXPECT_TRUE(audio.ok()) << (audio ? "" : qPrintable(audio.error().detail));
    if (audio)
        reading.audio = *audio;

    const QList<Token> tokens = ScriptAligner::tokenize(reading.script);
    for (const Span &span : spans) {
        QList<const espeak::SpokenWord *> words;
        for (const espeak::SpokenWord &w : speech->words)
            if (w.offset >= span.spokenFrom && w.offset < span.spokenTo)
                words.append(&w);
        if (words.isEmpty())
            continue;
        if (!span.inScript) {
            reading.adLibs.append({words.first()->start, words.last()->end});
            continue;
        }
        for (const espeak::SpokenWord *w : words) {
            const qsizetype at = span.scriptFrom + (w->offset - span.spokenFrom);
            for (const Token &t : tokens)
                if (at >= t.offset && at < t.offset + t.length && !reading.trueStart.contains(t.index))
                    reading.trueStart.insert(t.index, w->start);
        }
    }
    return reading;
}

SphinxModel englishModel()
{
    return *chooseSphinxModel(installedSphinxModels(sphinxModelRoots()), QStringLiteral("en_US"));
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[qsizetype(p * double(values.size() - 1) + 0.5)];
}

const QList<Sentence> english{{"Every morning I walk the dog along the river before the city wakes up."},
                              {"The water is calm, the air is cold, and the bridges are still empty."},
                              {"Sometimes a heron stands in the shallows and watches us pass."},
                              {"On the way back we buy fresh bread at the small bakery on the corner."},
                              {"That quiet hour is the best part of my day."}};

const QList<Sentence> german{{"In unserer kleinen Werkstatt reparieren wir jeden Samstag alte Fahrräder."},
                             {"Die Kinder bringen ihre Räder mit platten Reifen und rostigen Ketten."},
                             {"Zuerst schauen wir gemeinsam an, was kaputt ist, und schreiben eine Liste."},
                             {"Danach zeigen wir, wie man einen Schlauch flickt und die Kette ölt."},
                             {"Am Ende fahren alle eine Runde um den Platz und freuen sich."}};

} // namespace

TEST(WordAlignment, TimesEachSaidScriptWordInTheScriptsSpellingInBothLanguages)
{
    QTemporaryDir dir;
    const struct
    {
        const char *voice;
        int wordsPerMinute;
        const QList<Sentence> &sentences;
        const char *language;
    } cases[] = {
            {"en-us", 160, english, "en"},
            {"en-us+f2", 190, english, "en"},
            {"de", 160, german, "de"},
            {"de+m3", 190, german, "de"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.voice);
        const Reading reading = read(c.sentences, QString::fromLatin1(c.voice), c.wordsPerMinute, dir.path());
        const Result<WordAlignment, SpeechProblem> aligned = alignScriptWords(
                reading.audio, reading.script, englishModel(), QString::fromLatin1(c.language));
        ASSERT_TRUE(aligned.ok()) << int(aligned.error().kind);

        const QList<Token> tokens = ScriptAligner::tokenize(reading.script);
        QList<double> errors;
        qint64 lastIndex = -1;
        for (const WordTime &w : aligned->words) {
            ASSERT_GT(w.index, lastIndex) << "in script order, each token once";
            lastIndex = w.index;
            EXPECT_EQ(w.text, tokens[w.index].raw) << "spelled as the script";
            EXPECT_LT(w.start, w.end);
            if (reading.trueStart.contains(w.index))
                errors.append(std::abs(w.start - reading.trueStart[w.index]));
        }
        EXPECT_GE(aligned->words.size(), tokens.size() * 9 / 10) << "nearly every word of an exact reading";
        EXPECT_LE(percentile(errors, 0.5), 0.15);
        EXPECT_LE(percentile(errors, 0.9), 0.4);
        EXPECT_NEAR(aligned->audioSeconds, reading.audio.duration(), 1e-6);
    }
}

TEST(WordAlignment, ASkippedSentenceAndAnAdLibGetNoWordTimes)
{
    QTemporaryDir dir;
    const struct
    {
        const char *voice;
        QList<Sentence> sentences;
        const char *language;
    } cases[] = {
            {"en-us",
             {english[0],
              english[1],
              {english[2].text, true, false},
              english[3],
              {"By the way, my neighbour thinks I am completely crazy to get up so early.", false},
              english[4]},
             "en"},
            {"de",
             {german[0],
              {german[1].text, true, false},
              german[2],
              {"Übrigens hat mein Nachbar gestern ein neues Auto gekauft, ein rotes.", false},
              german[3],
              german[4]},
             "de"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.voice);
        const Reading reading = read(c.sentences, QString::fromLatin1(c.voice), 160, dir.path());
        const Result<WordAlignment, SpeechProblem> aligned = alignScriptWords(
                reading.audio, reading.script, englishModel(), QString::fromLatin1(c.language));
        ASSERT_TRUE(aligned.ok()) << int(aligned.error().kind);
        ASSERT_EQ(reading.adLibs.size(), 1);
        const auto [adLibStart, adLibEnd] = reading.adLibs.first();
        qsizetype timed = 0;
        for (const WordTime &w : aligned->words) {
            EXPECT_FALSE(reading.skipped.contains(w.index)) << "skipped, yet timed: " << qPrintable(w.text);
            const double middle = (w.start + w.end) / 2;
            EXPECT_FALSE(middle > adLibStart + 0.2 && middle < adLibEnd - 0.2)
                    << qPrintable(w.text) << " placed in the ad-lib at " << middle;
            timed += reading.trueStart.contains(w.index);
        }
        EXPECT_GE(timed, reading.trueStart.size() * 9 / 10) << "the sentences around them are timed";
    }
}
