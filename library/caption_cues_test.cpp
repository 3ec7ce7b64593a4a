#include "library/caption_cues.h"

#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>
#include <random>

using namespace tandrel;

namespace {

// The words of `text` said one after another at `secondsPerChar`, with
// `pauseAfter[k]` seconds of silence after word k where given.
QList<WordTime> spoken(const QString &text, double secondsPerChar = 0.07, QMap<int, double> pauseAfter = {},
                       double start = 0.5)
{
    QList<WordTime> words;
    double t = start;
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (int k = 0; k < parts.size(); ++k) {
        const double length = std::max(0.12, parts[k].size() * secondsPerChar);
        words.append({t, t + length, k, parts[k]});
        t += length + 0.05 + pauseAfter.value(k, 0);
    }
    return words;
}

QStringList texts(const QList<CaptionCue> &cues)
{
    QStringList result;
    for (const CaptionCue &cue : cues)
        result << cue.text;
    return result;
}

// What every cue list must hold, whatever the words.
void expectWellFormed(const QList<WordTime> &words, const QList<CaptionCue> &cues, const CueRules &rules = {})
{
    QStringList shown;
    for (qsizetype k = 0; k < cues.size(); ++k) {
        const CaptionCue &cue = cues[k];
        const QStringList lines = cue.text.split(QLatin1Char('\n'));
        EXPECT_LE(lines.size(), rules.maxLines) << qPrintable(cue.text);
        for (const QString &line : lines)
            EXPECT_TRUE(line.size() <= rules.maxLineChars || !line.contains(QLatin1Char(' ')))
                    << qPrintable(line);
        EXPECT_GE(cue.end - cue.start, rules.minDuration - 1e-9) << qPrintable(cue.text);
        EXPECT_LE(cue.end - cue.start, rules.maxDuration + 1e-9) << qPrintable(cue.text);
        if (k + 1 < cues.size()) {
            EXPECT_LE(cue.end, cues[k + 1].start + 1e-9) << "overlaps: " << qPrintable(cue.text);
        }
        shown << cue.text.split(QRegularExpression(QStringLiteral("[ \n]")));
    }
    QStringList said;
    for (const WordTime &w : words)
        said << w.text;
    EXPECT_EQ(shown, said) << "every word once, in order, as spelled";
}

} // namespace

TEST(CaptionCues, CutAtSentencesPausesAndLinesAndHoldTheLastWord)
{
    const QString twoSentences = QStringLiteral("Heute bauen wir ein Regal. Es hält zwanzig Kilo!");
    const QString longSentence = QStringLiteral(
            "Wir schrauben zuerst die Seitenwände an den Boden, danach setzen wir die Rückwand "
            "ein und ziehen alle Schrauben fest");
    const struct
    {
        const char *name;
        QList<WordTime> words;
        QStringList expected;
    } cases[] = {
            {"sentences end cues",
             spoken(twoSentences),
             {"Heute bauen wir ein Regal.", "Es hält zwanzig Kilo!"}},
            {"a pause ends a cue inside a sentence",
             spoken(QStringLiteral("Das ist … wirklich wahr"), 0.07, {{2, 0.9}}),
             {"Das ist …", "wirklich wahr"}},
            {"a short pause does not",
             spoken(QStringLiteral("Das ist wirklich wahr"), 0.07, {{1, 0.5}}),
             {"Das ist wirklich wahr"}},
            {"two lines break after the comma",
             spoken(longSentence),
             {"Wir schrauben zuerst die\nSeitenwände an den Boden,",
              "danach setzen wir die Rückwand\nein und ziehen alle Schrauben", "fest"}},
            {"a sentence's last words are not left for the next cue",
             spoken(QStringLiteral(
                     "Every morning I walk the dog along the river before the city wakes up. The "
                     "water is calm.")),
             {"Every morning\nI walk the dog along", "the river before\nthe city wakes up.",
              "The water is calm."}},
            {"a sentence too short to stand alone joins the next",
             spoken(QStringLiteral("Ja. Genau so machen wir das.")),
             {"Ja. Genau so machen wir das."}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QList<CaptionCue> cues = captionCues(c.words);
        EXPECT_EQ(texts(cues), c.expected);
        expectWellFormed(c.words, cues);
    }

    const QList<WordTime> words = spoken(twoSentences);
    const QList<CaptionCue> cues = captionCues(words);
    ASSERT_EQ(cues.size(), 2);
    EXPECT_DOUBLE_EQ(cues[0].start, words[0].start);
    EXPECT_LE(cues[0].end, cues[1].start) << "the hold stops where the next cue begins";
    EXPECT_DOUBLE_EQ(cues[1].end, words.last().end + CueRules{}.hold);
    EXPECT_EQ(cues[1].firstIndex, 5);
    EXPECT_EQ(cues[1].lastIndex, 8);
}

TEST(CaptionCues, SlowLongAndOddReadingsStillGiveWellFormedCues)
{
    const QString text = QStringLiteral(
            "Ein Fahrradschlauch hat ein Ventil, und das Ventil muss dicht sein. Wenn die Luft entweicht, "
            "hilft Seifenwasser: die Blasen zeigen das Loch. Dann rauen wir die Stelle an, tragen "
            "Vulkanisierlösung auf und warten drei Minuten. Ein Flicken drauf, fest andrücken, fertig! "
            "Donaudampfschifffahrtsgesellschaftskapitän ist ein langes Wort");
    std::mt19937 random(7);
    std::uniform_real_distribution<double> pace(0.03, 0.2), pause(0.0, 1.5);
    for (int run = 0; run < 40; ++run) {
        const double secondsPerChar = pace(random);
        QMap<int, double> pauses;
        for (int k = 0; k < 50; k += 3)
            pauses[k] = pause(random);
        const QList<WordTime> words = spoken(text, secondsPerChar, pauses);
        SCOPED_TRACE(QStringLiteral("run %1, %2 s per letter").arg(run).arg(secondsPerChar).toStdString());
        expectWellFormed(words, captionCues(words));
        const CueRules narrow{.maxLineChars = 20, .maxLines = 1};
        expectWellFormed(words, captionCues(words, narrow), narrow);
    }
    EXPECT_TRUE(captionCues({}).isEmpty());
}

TEST(CaptionCues, WriteSrtAndWebVtt)
{
    const QList<CaptionCue> cues{{1.2, 3.0, QStringLiteral("Erste Zeile\nzweite"), 0, 2},
                                 {3661.25, 3662.5, QStringLiteral("Später"), 3, 3}};
    EXPECT_EQ(srtText(cues),
              QStringLiteral("1\n00:00:01,200 --> 00:00:03,000\nErste Zeile\nzweite\n\n"
                             "2\n01:01:01,250 --> 01:01:02,500\nSpäter\n\n"));
    EXPECT_EQ(webVttText(cues),
              QStringLiteral("WEBVTT\n\n00:00:01.200 --> 00:00:03.000\nErste Zeile\nzweite\n\n"
                             "01:01:01.250 --> 01:01:02.500\nSpäter\n\n"));
}
