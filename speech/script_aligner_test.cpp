#include "speech/script_aligner.h"

#include <gtest/gtest.h>
#include <limits>

using namespace tandrel;

namespace {

struct Expected
{
    const char16_t *raw;
    qint64 offset;
    const char16_t *normalized;
    qint64 paragraph = 0;
};

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

ScriptAligner alignerWith(const QString &script)
{
    ScriptAligner aligner;
    aligner.replaceScript(script);
    return aligner;
}

} // namespace

TEST(ScriptAligner, TokenizeCutsWordsWithTheirTrailingPunctuation)
{
    const struct
    {
        const char16_t *text;
        std::vector<Expected> tokens;
    } cases[] = {
            {u"", {}},
            {u"  „“ – 🙂 ", {}},
            {u"Hallo, Welt!", {{u"Hallo,", 0, u"hallo"}, {u"Welt!", 7, u"welt"}}},
            {u"Hallo ,", {{u"Hallo", 0, u"hallo"}}},
            {u"Ende...", {{u"Ende...", 0, u"ende"}}},
            {u"Wort…?!", {{u"Wort…?!", 0, u"wort"}}},
            {u"Geht’s E-Mail 2024",
             {{u"Geht’s", 0, u"geht’s"}, {u"E-Mail", 7, u"e-mail"}, {u"2024", 14, u"2024"}}},
            {u"rock'n'roll a--b Ende- x",
             {{u"rock'n'roll", 0, u"rock'n'roll"},
              {u"a", 12, u"a"},
              {u"b", 15, u"b"},
              {u"Ende", 17, u"ende"},
              {u"x", 23, u"x"}}},
            {u"„Zitat“ sagt er.", {{u"Zitat", 1, u"zitat"}, {u"sagt", 8, u"sagt"}, {u"er.", 13, u"er"}}},
            // A decomposed letter ends the word at its combining mark.
            {u"Cafe\u0301 au", {{u"Cafe", 0, u"cafe"}, {u"au", 6, u"au"}}},
            // Only ASCII digits belong to words.
            {u"Nr.٣ 4²", {{u"Nr.", 0, u"nr"}, {u"4", 5, u"4"}}},
            {u"Straße ÜBER café GROẞ",
             {{u"Straße", 0, u"strasse"},
              {u"ÜBER", 7, u"uber"},
              {u"café", 12, u"cafe"},
              {u"GROẞ", 17, u"gross"}}},
            // Outside the Basic Multilingual Plane a letter counts two units.
            {u"x 𐐀b y", {{u"x", 0, u"x"}, {u"𐐀b", 2, u"𐐨b"}, {u"y", 6, u"y"}}},
            {u"eins\nzwei\n\ndrei",
             {{u"eins", 0, u"eins", 0}, {u"zwei", 5, u"zwei", 1}, {u"drei", 11, u"drei", 3}}},
            {u"eins\r\nzwei\r\n\r\ndrei",
             {{u"eins", 0, u"eins", 0}, {u"zwei", 6, u"zwei", 0}, {u"drei", 14, u"drei", 0}}},
            {u"\neins \r\n\nzwei", {{u"eins", 1, u"eins", 1}, {u"zwei", 9, u"zwei", 2}}},
    };
    for (const auto &c : cases) {
        const QList<Token> tokens = ScriptAligner::tokenize(s(c.text));
        ASSERT_EQ(tokens.size(), qsizetype(c.tokens.size())) << s(c.text).toStdString();
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            const Expected &e = c.tokens[size_t(i)];
            const Token expected{i, s(e.raw), s(e.normalized), e.offset, s(e.raw).size(), e.paragraph};
            EXPECT_EQ(tokens[i], expected)
                    << s(c.text).toStdString() << " #" << i << ": " << tokens[i].raw.toStdString() << " "
                    << tokens[i].normalized.toStdString() << " @" << tokens[i].offset << " ¶"
                    << tokens[i].paragraph;
        }
    }
}

TEST(ScriptAligner, SpokenWordsPassThroughTheScriptsNormalisation)
{
    EXPECT_EQ(ScriptAligner::spokenWords(s(u"Über die STRAẞE, geht's?")),
              (QStringList{"uber", "die", "strasse", "geht's"}));
    // Decomposed Hangul comes back composed, so equal words stay equal.
    EXPECT_EQ(ScriptAligner::spokenWords(s(u"\u1112\u1161\u11AB")), QStringList{s(u"한")});
    EXPECT_TRUE(ScriptAligner::spokenWords(s(u" – „“ ")).isEmpty());
}

TEST(ScriptAligner, EditDistanceCountsCharactersNotCodeUnits)
{
    const struct
    {
        const char16_t *a, *b;
        int distance;
    } cases[] = {
            {u"", u"", 0},           {u"", u"abc", 3},           {u"abc", u"", 3},
            {u"abc", u"abc", 0},     {u"kitten", u"sitting", 3}, {u"flaw", u"lawn", 2},
            {u"zwei", u"drei", 2},   {u"𐐨a", u"a", 1},           {u"𐐨", u"𐐩", 1},
            {u"e\u0301x", u"ex", 1}, {u"한국", u"한극", 1},      {u"geht’s", u"geht's", 1},
            {u"a\r\nb", u"ab", 1},   {u"a\r\nb", u"a\nb", 1},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ScriptAligner::editDistance(s(c.a), s(c.b)), c.distance)
                << s(c.a).toStdString() << " / " << s(c.b).toStdString();
        EXPECT_EQ(ScriptAligner::editDistance(s(c.b), s(c.a)), c.distance);
    }
}

TEST(ScriptAligner, WordsMatchToleratesSmallDifferencesOfLongWords)
{
    const struct
    {
        const char16_t *script, *spoken;
        bool match;
    } cases[] = {
            {u"kamera", u"kameras", true},
            {u"fahrrad", u"fahrrader", true},
            {u"machen", u"machende", true},
            {u"haben", u"habenxy", false},
            {u"ist", u"ist", true},
            {u"ist", u"isst", false},
            {u"ist", u"is", false},
            {u"", u"", true},
            {u"", u"abcd", false},
            {u"eins", u"eine", true},
            {u"zwei", u"drei", false},
            {u"geht’s", u"geht's", true},
            {u"sprechen", u"sprachen", true},
            {u"abcdefgh", u"abcdexyz", true},
            {u"abcdefgh", u"abcdxfgy", false},
            {u"abcdefgh", u"abcdefghijk", false},
            {u"abcd", u"abcdef", false},
            {u"haus", u"hause", true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ScriptAligner::wordsMatch(s(c.script), s(c.spoken)), c.match)
                << s(c.script).toStdString() << " / " << s(c.spoken).toStdString();
}

TEST(ScriptAligner, AlignedPositionWalksGreedilyWithinTheWindow)
{
    const QString numbers = QStringLiteral(
            "alpha bravo charlie delta echo foxtrot golf hotel india juliett kilo lima mike november");
    const struct
    {
        const char16_t *script, *transcript;
        qint64 position;
    } cases[] = {
            {u"eins zwei drei vier", u"eins drei", 3},
            {u"eins zwei drei vier", u"fünf", 0},
            {u"eins zwei drei vier", u"", 0},
            {u"eins zwei drei vier", u"eins zwei drei vier fünf sechs eins", 4},
            {u"eins zwei drei vier", u"eins quatsch zwei", 2},
            {u"haus garten haus", u"haus", 1},
            {u"haus garten haus", u"haus haus", 3},
            {u"Über die Straße", u"uber die strasse", 3},
            {u"", u"eins", 0},
    };
    for (const auto &c : cases) {
        const QList<Token> tokens = ScriptAligner::tokenize(s(c.script));
        EXPECT_EQ(ScriptAligner::alignedPosition(ScriptAligner::spokenWords(s(c.transcript)), tokens, 12),
                  c.position)
                << s(c.script).toStdString() << " / " << s(c.transcript).toStdString();
    }
    // "lima" stands 11 places after the start, "mike" 12.
    const QList<Token> tokens = ScriptAligner::tokenize(numbers);
    EXPECT_EQ(ScriptAligner::alignedPosition({"lima"}, tokens, 12), 12);
    EXPECT_EQ(ScriptAligner::alignedPosition({"mike"}, tokens, 12), 0);
    EXPECT_EQ(ScriptAligner::alignedPosition({"bravo", "november"}, tokens, 12), 14);
    EXPECT_EQ(ScriptAligner::alignedPosition({"lima"}, tokens, 0), 0);
    EXPECT_EQ(ScriptAligner::alignedPosition({"mike"}, tokens, std::numeric_limits<qint64>::max()), 13);
}

TEST(ScriptAligner, FinalResultsSetTheCursorAndPendingOnesOnlyTheLookahead)
{
    ScriptAligner aligner = alignerWith("Eins zwei drei vier fünf sechs");
    const struct
    {
        const char *text;
        bool isFinal;
        qint64 cursor, lookahead;
    } steps[] = {
            {"eins zwei", false, 0, 2},
            {"eins zwei drei", true, 3, 0},
            {"eins zwei drei vier fünf", false, 3, 2},
            {"eins", false, 3, 0}, // pending behind the cursor
            {"eins zwei", true, 2, 0}, // a final result may move back
            {"eins zwei drei vier fünf sechs sieben", true, 6, 0},
            {"", true, 0, 0}, // an empty final transcript rewinds
    };
    for (const auto &step : steps) {
        aligner.ingest(QString::fromUtf8(step.text), step.isFinal);
        EXPECT_EQ(aligner.cursor(), step.cursor) << step.text;
        EXPECT_EQ(aligner.lookahead(), step.lookahead) << step.text;
    }
}

TEST(ScriptAligner, AnEmptyScriptKeepsThePositionAtZero)
{
    ScriptAligner aligner = alignerWith(QString());
    EXPECT_TRUE(aligner.tokens().isEmpty());
    aligner.setLookahead(4);
    aligner.ingest("eins zwei", false);
    EXPECT_EQ(aligner.cursor(), 0);
    EXPECT_EQ(aligner.lookahead(), 0);
    aligner.ingest("eins zwei", true);
    EXPECT_EQ(aligner.cursor(), 0);
}

TEST(ScriptAligner, ReplacingTheScriptKeepsTheReaderOnTheNextWord)
{
    const struct
    {
        const char *before;
        qint64 cursor;
        const char *after;
        qint64 expected;
    } cases[] = {
            {"eins zwei drei vier", 2, "eins zwei drei vier", 2}, // unchanged
            {"eins zwei drei vier", 2, "null eins zwei drei vier", 3}, // inserted before
            {"eins zwei drei vier", 2, "drei eins zwei drei vier", 0}, // earlier occurrence
            {"eins zwei drei vier", 2, "eins zwei Drei! vier", 2}, // same normalized form
            {"eins zwei drei vier", 2, "eins zwei", 2}, // word gone, cursor fits
            {"eins zwei drei vier", 3, "eins zwei", 2}, // word gone, clamped
            {"eins zwei drei vier", 4, "a b c d e f", 4}, // at the end: nothing kept
            {"eins zwei drei vier", 4, "a b", 2},
            {"eins zwei drei vier", 1, "", 0},
    };
    for (const auto &c : cases) {
        ScriptAligner aligner = alignerWith(QString::fromUtf8(c.before));
        aligner.setCursor(c.cursor);
        aligner.setLookahead(1);
        aligner.replaceScript(QString::fromUtf8(c.after));
        EXPECT_EQ(aligner.cursor(), c.expected) << c.before << " -> " << c.after;
        const bool unchanged = qstrcmp(c.before, c.after) == 0;
        EXPECT_EQ(aligner.lookahead(), unchanged ? 1 : 0) << c.after;
        EXPECT_EQ(aligner.tokens(), ScriptAligner::tokenize(QString::fromUtf8(c.after)));
        EXPECT_EQ(aligner.script(), QString::fromUtf8(c.after));
    }
}

TEST(ScriptAligner, CopiesCompareEqualUntilThePositionDiffers)
{
    const ScriptAligner a = alignerWith("eins zwei drei");
    ScriptAligner b = a;
    EXPECT_EQ(a, b);
    b.ingest("eins", false);
    EXPECT_NE(a, b);
    b.ingest("eins", true);
    b.setCursor(0);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, alignerWith("eins zwei vier"));
    b.setCursor(99);
    EXPECT_EQ(b.cursor(), 3);
}
