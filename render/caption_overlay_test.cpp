// The reel's captions drawn once by libass and blended into the frames of
// their cues: on the frames libass itself shows them on, and looking as the
// subtitle filter draws them into each frame.

#include "render/caption_overlay.h"
#include "render/caption_script.h"

#include <Mlt.h>
#include <QTemporaryFile>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

Mlt::Profile &reelProfile()
{
    static Mlt::Profile *profile = [] {
        Mlt::Factory::init();
        mlt_log_set_level(MLT_LOG_QUIET);
        auto *p = new Mlt::Profile;
        p->set_width(CaptionScript::width);
        p->set_height(CaptionScript::height);
        p->set_frame_rate(30, 1);
        p->set_progressive(1);
        p->set_sample_aspect(1, 1);
        p->set_display_aspect(9, 16);
        p->set_colorspace(709);
        p->set_explicit(1);
        return p;
    }();
    return *profile;
}

// The yuv420p picture of frame `frame` of a magenta colour producer (its
// chroma far from neutral, as the captions' is not), with the filter
// `filter` attached when given.
std::vector<uint8_t> colouredFrame(int frame, Mlt::Filter *filter)
{
    Mlt::Producer background(reelProfile(), "color", "#ffd040c0");
    background.set("length", 1000);
    background.set("out", 999);
    if (filter)
        background.attach(*filter);
    background.seek(frame);
    std::unique_ptr<Mlt::Frame> f(background.get_frame());
    mlt_image_format format = mlt_image_yuv420p;
    int width = CaptionScript::width, height = CaptionScript::height;
    const uint8_t *image = f->get_image(format, width, height);
    EXPECT_EQ(format, mlt_image_yuv420p);
    EXPECT_EQ(width * height, CaptionScript::width * CaptionScript::height);
    return std::vector<uint8_t>(image, image + width * height * 3 / 2);
}

struct Script
{
    explicit Script(const QList<CaptionCue> &cues)
    {
        file.open();
        file.write(CaptionScript::text(cues).toUtf8());
        file.flush();
    }
    QTemporaryFile file;
};

} // namespace

TEST(CaptionOverlay, ACueShowsOnTheFramesLibassShowsItOn)
{
    // Times as the script rounds them (centiseconds); frames at 30 fps.
    const QList<CaptionCue> cues{
            {1.0, 2.0, "eins", 0, 0}, {2.0, 2.334, "zwei", 1, 1}, {3.004, 3.5, "drei", 2, 2}};
    const struct
    {
        qint64 frame;
        QList<qsizetype> shown;
    } cases[] = {
            {0, {}},  {29, {}}, {30, {0}}, {59, {0}},  {60, {1}}, {69, {1}}, // 2.33 s ends before frame 70
            {70, {}}, {89, {}}, {90, {2}}, {104, {2}}, {105, {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CaptionScript::shownAt(cues, c.frame, 30), c.shown) << "frame " << c.frame;

    const Script script(cues);
    const std::shared_ptr<CaptionOverlay> overlay
            = CaptionOverlay::draw(reelProfile(), script.file.fileName(), cues, 120);
    ASSERT_TRUE(overlay);
    Mlt::Filter subtitles(reelProfile(), "avfilter.subtitles");
    ASSERT_TRUE(subtitles.is_valid());
    subtitles.set("av.filename", script.file.fileName().toUtf8().constData());
    const std::vector<uint8_t> plain = colouredFrame(0, nullptr);
    for (const auto &c : cases) {
        EXPECT_EQ(overlay->pictureAt(c.frame) != nullptr, !c.shown.isEmpty()) << "frame " << c.frame;
        EXPECT_EQ(colouredFrame(int(c.frame), &subtitles) != plain, !c.shown.isEmpty())
                << "the subtitle filter on frame " << c.frame;
    }
    EXPECT_EQ(overlay->pictureAt(30), overlay->pictureAt(59)) << "one picture for the whole cue";
    EXPECT_NE(overlay->pictureAt(59), overlay->pictureAt(60));
}

TEST(CaptionOverlay, TheBlendedCaptionLooksAsTheSubtitleFilterDrawsIt)
{
    const QList<CaptionCue> cues{{0.5, 2.0, "Ein Satz über\nzwei Zeilen", 0, 3}};
    const Script script(cues);
    const std::shared_ptr<CaptionOverlay> overlay
            = CaptionOverlay::draw(reelProfile(), script.file.fileName(), cues, 90);
    ASSERT_TRUE(overlay);
    const CaptionOverlay::Picture *picture = overlay->pictureAt(30);
    ASSERT_NE(picture, nullptr);
    // In the lower third, above the strip the platforms cover.
    EXPECT_GE(picture->y, CaptionScript::height * 2 / 3);
    EXPECT_LE(picture->y + picture->height, CaptionScript::height - CaptionScript::bottomMargin + 20);

    Mlt::Filter subtitles(reelProfile(), "avfilter.subtitles");
    ASSERT_TRUE(subtitles.is_valid());
    subtitles.set("av.filename", script.file.fileName().toUtf8().constData());
    const std::vector<uint8_t> drawn = colouredFrame(30, &subtitles);
    std::vector<uint8_t> blended = colouredFrame(30, nullptr);
    const std::vector<uint8_t> plain = blended;
    CaptionOverlay::blend(*picture, blended.data(), CaptionScript::width, CaptionScript::height);

    qsizetype changed = 0, bright = 0;
    int worst = 0;
    for (size_t i = 0; i < drawn.size(); ++i) {
        changed += drawn[i] != plain[i];
        bright += i < size_t(CaptionScript::width * CaptionScript::height) && blended[i] > 200;
        worst = std::max(worst, std::abs(int(drawn[i]) - int(blended[i])));
    }
    EXPECT_GT(bright, 5000) << "white letters";
    EXPECT_GT(changed, 10000);
    EXPECT_LE(worst, 4) << "levels from the subtitle filter's picture, of " << changed << " samples changed";
}
