#include "speech/script_aligner.h"
#include "teleprompter/teleprompter_layout.h"
#include "teleprompter/text_layer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace tandrel;

namespace {

QString script()
{
    const QString paragraph = QStringLiteral(
            "Heute zeige ich euch, wie man mit einer Kamera und einem Mikrofon ganze Reels aufnimmt. Zuerst "
            "kommt das Skript, dann folgt der Teleprompter meiner Stimme und der Schnitt klingt natürlich.");
    return QStringList(8, paragraph).join(QStringLiteral("\n\n"));
}

struct Step
{
    int top; // the content row at the window's top
    qint64 current;
};

// Content rows [top, top + window height) as the layer holds them.
std::vector<uchar> rows(const TextLayer &layer, const TextLayerSetup &setup, int top)
{
    const size_t line = size_t(setup.band.width()) * 4;
    std::vector<uchar> pixels(line * size_t(setup.windowHeight));
    for (int y = 0; y < setup.windowHeight; ++y)
        std::memcpy(pixels.data() + line * size_t(y), layer.row(top + y), line);
    return pixels;
}

// Whatever way the layer got to its rows, scrolling by a few rows, jumping,
// going back, reading on word by word or past the end, they are the rows a
// layer drawing them at once has.
TEST(TextLayer, RowsDrawnPieceByPieceAreTheRowsDrawnAtOnce)
{
    const QString text = script();
    const TeleprompterLayoutInput input{ScriptAligner::tokenize(text),
                                        text,
                                        QStringLiteral("012 Ein Reel am Vormittag"),
                                        56,
                                        TeleprompterTextPlacement::standard,
                                        QSizeF(1280, 720)};
    const TeleprompterLayout layout = TeleprompterLayout::build(input);
    const qint64 count = layout.wordFrames().size();
    ASSERT_GT(layout.contentHeight(), 3 * 720);

    const struct
    {
        const char *name;
        std::vector<Step> steps;
    } cases[] = {
            {"scrolling down", {{0, 2}, {1, 2}, {3, 2}, {7, 2}, {60, 2}, {700, 2}}},
            {"scrolling up", {{900, 20}, {898, 20}, {850, 20}, {400, 20}}},
            {"jumping", {{0, 2}, {2000, 2}, {1000, 2}}},
            {"reading on", {{300, 3}, {300, 4}, {301, 5}, {302, 17}, {302, 18}}},
            {"reading back", {{300, 18}, {300, 2}}},
            {"past the end and back", {{300, 5}, {300, count}, {305, 6}}},
    };
    for (const auto &c : cases) {
        for (const auto &[mirrored, dpr] : {std::pair{false, 1.0}, {true, 1.0}, {false, 2.0}}) {
            const QSize pixels = (QSizeF(1280, 720) * dpr).toSize();
            TextLayerSetup setup{QRect(QPoint(60, 0), QSize(pixels.width() - 120, pixels.height())),
                                 pixels.height(),
                                 1280,
                                 dpr,
                                 mirrored,
                                 true,
                                 0};
            TextLayer stepped;
            for (const Step &step : c.steps) {
                setup.current = step.current;
                stepped.prepare(layout, setup, int(step.top * dpr));
            }
            TextLayer fresh;
            const int top = int(c.steps.back().top * dpr);
            fresh.prepare(layout, setup, top);

            const std::vector<uchar> expected = rows(fresh, setup, top);
            const auto inked = std::count_if(expected.begin(), expected.end(), [](uchar v) { return v > 0; });
            ASSERT_GT(inked, 10000) << c.name; // the window shows text
            EXPECT_TRUE(rows(stepped, setup, top) == expected)
                    << c.name << (mirrored ? " mirrored" : "") << " at " << dpr;
        }
    }
}

} // namespace
