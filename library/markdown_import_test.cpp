#include "library/markdown_import.h"

#include <gtest/gtest.h>

using namespace tandrel;

namespace {

const std::optional<qint64> none;

std::string describe(const QList<ImportedReel> &reels)
{
    QStringList parts;
    for (const ImportedReel &r : reels)
        parts.append(QStringLiteral("[%1|%2|%3]")
                             .arg(r.prefix ? QString::number(*r.prefix) : "-", r.title, r.script));
    return parts.join(QLatin1Char(' ')).toStdString();
}

} // namespace

TEST(MarkdownImport, ParsesBlocksIntoNumbersTitlesAndScripts)
{
    const struct
    {
        const char *name;
        const char *text;
        QList<ImportedReel> expected;
    } cases[] = {
            {"paragraph without heading",
             "Erste Zeile\nzweite Zeile",
             {{none, "Erste Zeile", "Erste Zeile\nzweite Zeile"}}},
            {"number signs trimmed from a title taken from the script",
             "Wichtig! #\nmehr",
             {{none, "Wichtig!", "Wichtig! #\nmehr"}}},
            {"trailing number signs stay in a heading's title",
             "## Nur Titel ##\n\nText",
             {{none, "Nur Titel ##", "Text"}}},
            {"separator with trailing blanks",
             "# 1 A\nText A\n---   \n# 2 B\nText B",
             {{1, "A", "Text A"}, {2, "B", "Text B"}}},
            {"four hyphens do not separate", "# 1 A\nx\n----\ny", {{1, "A", "x\n----\ny"}}},
            {"indented hyphens do not separate", "# 1 A\nx\n ---\ny", {{1, "A", "x\n ---\ny"}}},
            {"all separator kinds",
             "A\n***\nB\n===\nC\n<!-- reel -->\nD\n<!--reel-->\nE",
             {{none, "A", "A"}, {none, "B", "B"}, {none, "C", "C"}, {none, "D", "D"}, {none, "E", "E"}}},
            {"upper-case Reel comment does not separate",
             "A\n<!-- Reel -->\nB",
             {{none, "A", "A\n<!-- Reel -->\nB"}}},
            {"equals line separates even under a heading line",
             "Titel\n===\nText",
             {{none, "Titel", "Titel"}, {none, "Text", "Text"}}},
            {"blank block gives nothing", "---\n  \n\t\n---\n# 4 D\n", {{4, "D", ""}}},
            {"metadata without title gives nothing", "prefix: 5\nnr: 6", {}},
            {"title metadata alone", "title: X", {{none, "X", ""}}},
            {"metadata number wins over heading",
             "Nummer: \"015\"\n# 3 Titel\nText",
             {{15, "Titel", "Text"}}},
            {"metadata title wins over heading",
             "title: 'Mein Titel'\n\n# 3 Anders\nText",
             {{3, "Mein Titel", "Text"}}},
            {"unusable metadata number leaves the heading's",
             "nr: abc\n# 3 Titel\nText",
             {{3, "Titel", "Text"}}},
            {"tab between number and title", "# 3\tTitel\nText", {{none, "3\tTitel", "Text"}}},
            {"script of number signs only", "# \n###\n##", {{none, "Reel", "# \n###\n##"}}},
            {"unknown key starts the script",
             "Hinweis: leise\nprefix: 3",
             {{none, "Hinweis: leise", "Hinweis: leise\nprefix: 3"}}},
            {"script keeps inner layout and loses outer blank lines",
             "# 9 T\n\n  eingerückt\n\n  zweite\n\n",
             {{9, "T", "eingerückt\n\n  zweite"}}},
            {"heading only number is a title", "# 012\nText", {{none, "012", "Text"}}},
            {"signed numbers only in metadata",
             "# -3 Minus\n---\nprefix: -3\n# +4 Plus",
             {{none, "-3 Minus", ""}, {-3, "+4 Plus", ""}}},
            {"out of range number is a title",
             "# 99999999999999999999 Groß",
             {{none, "99999999999999999999 Groß", ""}}},
            {"non-ASCII digits are no number", "# ٣ Arabisch", {{none, "٣ Arabisch", ""}}},
            {"empty text", "", {}},
            {"CR LF line ends",
             "# 1 A\r\nText\r\n---\r\ntitle: B\r\n\r\nZwei\r\nZeilen",
             {{1, "A", "Text"}, {none, "B", "Zwei\nZeilen"}}},
            {"CR line ends",
             "# 1 A\rText\r---\rtitle: B\r\rZwei\rZeilen",
             {{1, "A", "Text"}, {none, "B", "Zwei\nZeilen"}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(describe(parseMarkdown(QString::fromUtf8(c.text))), describe(c.expected)) << c.name;
}

TEST(MarkdownImport, HeadingsGiveNumberAndTitle)
{
    const struct
    {
        const char *line;
        bool heading;
        std::optional<qint64> prefix;
        const char *title;
    } cases[] = {
            {"# 012 Titel", true, 12, "Titel"}, {"## 7 Zwei Worte", true, 7, "Zwei Worte"},
            {"#12 Kurz", true, 12, "Kurz"},     {"# Nur Titel", true, none, "Nur Titel"},
            {"# 012", true, none, "012"},       {"###", false, none, ""},
            {"Titel", false, none, ""},         {"# 3  Zwei Blanks", true, 3, "Zwei Blanks"},
            {"# 3\tTab", true, none, "3\tTab"}, {"# 0x1 Hex", true, none, "0x1 Hex"},
    };
    for (const auto &c : cases) {
        const std::optional<MarkdownHeading> heading = parseHeading(QString::fromUtf8(c.line));
        ASSERT_EQ(heading.has_value(), c.heading) << c.line;
        if (heading) {
            EXPECT_EQ(heading->prefix, c.prefix) << c.line;
            EXPECT_EQ(heading->title, QString::fromUtf8(c.title)) << c.line;
        }
    }
}

TEST(MarkdownImport, MetadataLinesAcceptOnlyTheirKeys)
{
    const struct
    {
        const char *line;
        bool meta;
        const char *key, *value;
        std::optional<qint64> number;
    } cases[] = {
            {"prefix: 5", true, "prefix", "5", 5},
            {"Nummer: \"015\"", true, "prefix", "015", 15},
            {"NR : '7'", true, "prefix", "7", 7},
            {"nr: abc", true, "prefix", "abc", none},
            {"Title: \"Ein: Titel\"", true, "title", "Ein: Titel", none},
            {"title:", true, "title", "", none},
            {"autor: Ich", false, "", "", none},
            {"kein Doppelpunkt", false, "", "", none},
    };
    for (const auto &c : cases) {
        const std::optional<MarkdownMetaLine> meta = parseMetaLine(QString::fromUtf8(c.line));
        ASSERT_EQ(meta.has_value(), c.meta) << c.line;
        if (meta) {
            EXPECT_EQ(*meta, (MarkdownMetaLine{c.key, QString::fromUtf8(c.value), c.number})) << c.line;
        }
    }
}

TEST(MarkdownImport, NumbersAreSignedAsciiDigitsInSixtyFourBits)
{
    const struct
    {
        const char *text;
        std::optional<qint64> number;
    } cases[] = {
            {"012", 12},
            {"+4", 4},
            {"-0", 0},
            {"9223372036854775807", std::numeric_limits<qint64>::max()},
            {"-9223372036854775808", std::numeric_limits<qint64>::min()},
            {"9223372036854775808", none},
            {"", none},
            {"+", none},
            {" 1", none},
            {"1.0", none},
            {"١٢", none},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseReelNumber(QString::fromUtf8(c.text)), c.number) << c.text;
}

TEST(MarkdownImport, SplitBlocksCutsAtSeparatorLinesInCodeUnits)
{
    EXPECT_EQ(splitBlocks("nur Text"), QStringList{"nur Text"});
    EXPECT_EQ(splitBlocks("---\n---"), QStringList{"\n"});
    // The separator's trailing white space reaches up to the last line break before the next text.
    EXPECT_EQ(splitBlocks("🎬a\n---\n\nb\n***"), (QStringList{"🎬a\n", "\nb\n"}));
    // Any Unicode line terminator ends a line, not only the line feed.
    for (const char16_t *lineEnd : {u"\u2028", u"\u2029", u"\u0085", u"\f"}) {
        const QString end = QString::fromUtf16(lineEnd);
        EXPECT_EQ(splitBlocks(QStringLiteral("a") + end + QStringLiteral("---") + end + "b"),
                  (QStringList{QStringLiteral("a") + end, end + "b"}))
                << QString(end).toUtf8().toHex().toStdString();
    }
}

TEST(MarkdownImport, ReelMarkdownReadsBackAsTheSameReel)
{
    const QString script = QStringLiteral("Hallo\n\nzweiter Absatz");
    EXPECT_EQ(reelMarkdown(12, "Intro", "Hallo"), "# 012 Intro\n\nHallo");
    EXPECT_EQ(parseMarkdown(reelMarkdown(12, "Intro", script)), (QList<ImportedReel>{{12, "Intro", script}}));
    // With an empty title the heading holds only the number, which then is the title.
    EXPECT_EQ(reelMarkdown(12, QString(), "Hallo"), "# 012 \n\nHallo");
    EXPECT_EQ(parseMarkdown(reelMarkdown(12, QString(), "Hallo")),
              (QList<ImportedReel>{{none, "012", "Hallo"}}));
}
