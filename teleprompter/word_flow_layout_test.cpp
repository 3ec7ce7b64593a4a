#include "speech/script_aligner.h"
#include "teleprompter/layout_metrics.h"
#include "teleprompter/paragraph_group.h"
#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/word_flow_layout.h"

#include <gtest/gtest.h>
#include <limits>

using namespace tandrel;

namespace {

QList<MeasuredElement> elements(std::initializer_list<double> widths, double height = 10)
{
    QList<MeasuredElement> list;
    qint64 i = 0;
    for (double w : widths)
        list.append({i++, QSizeF(w, height)});
    return list;
}

QList<int> rowLengths(const QList<WordRow> &rows)
{
    QList<int> lengths;
    for (const WordRow &row : rows)
        lengths.append(int(row.size()));
    return lengths;
}

} // namespace

TEST(WordFlowLayout, BreaksRowsWhereTheNextWordNoLongerFits)
{
    const WordFlowLayout flow{20, 5, false};
    const double inf = std::numeric_limits<double>::infinity();
    const struct
    {
        QList<MeasuredElement> words;
        double width;
        QList<int> rows;
    } cases[] = {
            {elements({100, 100}), 220, {2}},           {elements({100, 100}), 219, {1, 1}},
            {elements({100, 100, 100}), 340, {3}},      {elements({100, 100, 100}), 339, {2, 1}},
            {elements({50, 500, 50}), 200, {1, 1, 1}}, // a wide word gets a row alone
            {elements({100, 100, 100, 100}), inf, {4}}, {elements({}), 100, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rowLengths(flow.breakRows(c.words, c.width)), c.rows) << c.width;
}

TEST(WordFlowLayout, MeasuresRowsAndGaps)
{
    const WordFlowLayout flow{20, 5, false};
    const struct
    {
        QList<MeasuredElement> words;
        std::optional<double> proposal;
        QSizeF size;
    } cases[] = {
            {elements({}), std::nullopt, {0, 0}}, // no words: nothing high, as wide as proposed
            {elements({}), 300.0, {300, 0}},
            {elements({100, 100}), 219.0, {219, 25}}, // two rows of 10 with a gap of 5
            {elements({100, 100}), std::nullopt, {220, 10}},
            {elements({100, 60, 30}), std::numeric_limits<double>::infinity(), {230, 10}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(flow.measure(c.proposal, c.words), c.size) << c.proposal.value_or(-1);
}

TEST(WordFlowLayout, PlacesRowsFromTheLeftOrCentred)
{
    const auto words = elements({100, 100, 300});
    const QRectF granted(10, 50, 250, 100);

    const QList<QRectF> left = WordFlowLayout{20, 5, false}.place(granted, words);
    const QList<QRectF> expectedLeft{{10, 50, 100, 10}, {130, 50, 100, 10}, {10, 65, 300, 10}};
    EXPECT_EQ(left, expectedLeft);

    // Centred rows: the wide word sticks out on both sides.
    const QList<QRectF> centred = WordFlowLayout{20, 5, true}.place(granted, words);
    const QList<QRectF> expectedCentred{{25, 50, 100, 10}, {145, 50, 100, 10}, {-15, 65, 300, 10}};
    EXPECT_EQ(centred, expectedCentred);
}

TEST(ParagraphGroup, GroupsRunsOfEqualParagraphNumbers)
{
    QList<Token> tokens;
    for (qint64 paragraph : {0, 0, 1, 0})
        tokens.append(Token{tokens.size(), "w", "w", 0, 1, paragraph});
    const QList<ParagraphGroup> groups = groupParagraphs(tokens);
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[0].paragraph, 0);
    EXPECT_EQ(groups[0].tokens.size(), 2);
    EXPECT_EQ(groups[1].paragraph, 1);
    EXPECT_EQ(groups[2].paragraph, 0);
    EXPECT_EQ(groups[2].tokens.first().index, 3);
    EXPECT_TRUE(groupParagraphs({}).isEmpty());
}

TEST(LayoutMetrics, PlacesReadingLineAndColumnForBothPlacements)
{
    using P = TeleprompterTextPlacement;
    const struct
    {
        QSizeF size;
        P placement;
        LayoutMetrics expected;
    } cases[] = {
            {{2000, 1000}, P::standard, {220, 1680}},
            {{2000, 1000}, P::center, {480, 1180}},
            {{300, 1000}, P::standard, {220, 280}},
            {{300, 1000}, P::center, {480, 280}},
            {{800, 10}, P::standard, {0.22 * 10, 672}},
            {{800, 0}, P::standard, {0.22, 672}}, // a window under a point counts as one
            {{800, 0.5}, P::center, {0.48, 576}},
            {{1920, 1080}, P::center, {518.4, 1180}},
    };
    for (const auto &c : cases) {
        const LayoutMetrics m = LayoutMetrics::make(c.size, c.placement);
        EXPECT_DOUBLE_EQ(m.readingLine, c.expected.readingLine) << c.size.width() << "x" << c.size.height();
        EXPECT_DOUBLE_EQ(m.columnWidth, c.expected.columnWidth) << c.size.width() << "x" << c.size.height();
    }
}

TEST(TeleprompterLayout, LaysOutWordsInReadingOrderInsideTheColumn)
{
    const QString script = QStringLiteral("Eins zwei drei vier fünf sechs sieben acht neun zehn.\n\n"
                                          "Elf zwölf dreizehn vierzehn fünfzehn sechzehn.");
    for (auto placement : {TeleprompterTextPlacement::standard, TeleprompterTextPlacement::center}) {
        const TeleprompterLayout layout = TeleprompterLayout::build(
                {ScriptAligner::tokenize(script), script, "Titel", 56, placement, {800, 600}});
        const QList<QRectF> frames = layout.wordFrames();
        ASSERT_EQ(frames.size(), 16);
        const double column = layout.metrics().columnWidth;
        EXPECT_DOUBLE_EQ(layout.columnLeft(), (800 - column) / 2);
        // Below the title, each word inside the column, tops never going up.
        EXPECT_GT(frames.first().top(), layout.titleRect().bottom());
        for (qsizetype i = 0; i < frames.size(); ++i) {
            EXPECT_GE(frames[i].left(), -0.001) << i;
            EXPECT_LE(frames[i].right(), column + 0.001) << i;
            if (i > 0) {
                EXPECT_GE(frames[i].top(), frames[i - 1].top()) << i;
            }
        }
        // The second paragraph starts on a new row, a paragraph gap below.
        EXPECT_GT(frames[10].top(), frames[9].bottom() + 56 * 0.62 - 0.001);
        EXPECT_DOUBLE_EQ(layout.contentHeight(), frames.last().bottom() + 600 * 0.85);
        // Only the rows reaching into a band are listed as visible.
        const auto [first, last] = layout.wordsBetween(frames[10].top(), frames[10].bottom());
        EXPECT_LE(first, 10);
        EXPECT_GT(last, 10);
        EXPECT_GE(frames[first].bottom(), frames[10].top());
    }
}

TEST(TeleprompterLayout, WithoutWordsShowsTheScriptOrTheNote)
{
    const struct
    {
        QString script, shown;
    } cases[] = {
            {QString(), "Kein Teleprompter-Text."},
            {"— … —", "— … —"},
    };
    for (const auto &c : cases) {
        const TeleprompterLayout layout = TeleprompterLayout::build({ScriptAligner::tokenize(c.script),
                                                                     c.script,
                                                                     QString(),
                                                                     40,
                                                                     TeleprompterTextPlacement::standard,
                                                                     {800, 600}});
        EXPECT_TRUE(layout.wordFrames().isEmpty());
        EXPECT_EQ(layout.fallbackText(), c.shown);
        EXPECT_GT(layout.fallbackRect().height(), 30);
        EXPECT_DOUBLE_EQ(layout.fallbackRect().top(), 600 * 0.22); // on the reading line
    }
}
