#include "platform/settings_store.h"
#include "teleprompter/recording_mark.h"
#include "teleprompter/teleprompter_self_view.h"
#include "teleprompter/teleprompter_state.h"
#include "teleprompter/teleprompter_view.h"
#include "tests/support/wait_until.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

const QString script = QStringLiteral(
        "Willkommen zurück! Heute zeige ich euch, wie man mit einer einzigen Kamera und einem "
        "Mikrofon ein ganzes Reel an einem Vormittag aufnimmt.\n\n"
        "Zuerst schreibe ich das Skript. Dann lese ich es vom Teleprompter ab, der meiner Stimme "
        "folgt, und am Ende schneide ich die Pausen heraus.\n\n"
        "Das spart Zeit, und es klingt natürlicher als jeder auswendig gelernte Text. Probiert es aus "
        "und schreibt mir, wie es euch gefällt.");

struct Scene
{
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("d.ini")};
    TeleprompterState state{settings};
    TeleprompterView view{state};

    explicit Scene(QSize size = {1280, 720})
    {
        state.setTitle("012 Ein Reel am Vormittag");
        state.loadScript(script);
        state.setIsScrolling(true);
        // The application's words are longer; any words show where the line goes.
        view.setStatusWording([](FollowState followState, const FollowFailure &) {
            return followState == FollowState::idle ? QString() : QStringLiteral("Hört zu…");
        });
        view.resize(size);
        view.show();
    }
    // Lets the scroll clock run as it would for `seconds`.
    void settle(double seconds = 3)
    {
        const double start = view.clockNow();
        for (int i = 1; i <= int(seconds * 60); ++i)
            view.tick(start + i / 60.0);
    }
    QImage shot(const char *name)
    {
        const QImage image = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QDir().mkpath(TANDREL_SCREENSHOT_DIR);
        image.save(QStringLiteral(TANDREL_SCREENSHOT_DIR "/teleprompter-%1.png").arg(QLatin1String(name)));
        return image;
    }
};

// Calls `visit` with every pixel of `area` that lies in the image.
template<typename Visit> void eachPixel(const QImage &image, const QRectF &area, Visit visit)
{
    const QRect r = area.toAlignedRect().intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            visit(x, y);
}

// Pixels drawn in the current word's colour (red 1.0, green 0.86, blue 0.35).
int amberPixels(const QImage &image, const QRectF &area)
{
    int count = 0;
    eachPixel(image, area, [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        count += c.red() > 235 && std::abs(c.green() - 219) < 18 && std::abs(c.blue() - 89) < 30;
    });
    return count;
}

int brightestIn(const QImage &image, const QRect &area)
{
    int best = 0;
    eachPixel(image, area, [&](int x, int y) { best = std::max(best, qGray(image.pixel(x, y))); });
    return best;
}

// Red on the left half, blue on the right.
QImage splitFrame(QSize size = {1920, 1080})
{
    QImage frame(size, QImage::Format_RGB32);
    QPainter p(&frame);
    const int half = size.width() / 2;
    p.fillRect(0, 0, half, size.height(), QColor(230, 40, 40));
    p.fillRect(half, 0, size.width() - half, size.height(), QColor(40, 40, 230));
    return frame;
}

double meanGray(const QImage &image, const QRectF &area)
{
    double sum = 0;
    int count = 0;
    eachPixel(image, area, [&](int x, int y) {
        sum += qGray(image.pixel(x, y));
        ++count;
    });
    return count ? sum / count : 0;
}

// How much darker `after` is than `before` in `area`, on average; pixels
// that became lighter count as unchanged.
double meanDarkening(const QImage &before, const QImage &after, const QRectF &area)
{
    double sum = 0;
    int count = 0;
    eachPixel(before, area, [&](int x, int y) {
        sum += std::max(0, qGray(before.pixel(x, y)) - qGray(after.pixel(x, y)));
        ++count;
    });
    return count ? sum / count : 0;
}

} // namespace

TEST(TeleprompterView, HighlightsTheSpokenWordWhereItIsDrawnInEveryPlacement)
{
    const struct
    {
        const char *name;
        TeleprompterTextPlacement placement;
        bool mirrored;
    } cases[] = {
            {"standard", TeleprompterTextPlacement::standard, false},
            {"center", TeleprompterTextPlacement::center, false},
            {"standard-mirrored", TeleprompterTextPlacement::standard, true},
            {"center-mirrored", TeleprompterTextPlacement::center, true},
    };
    for (const auto &c : cases) {
        Scene scene;
        scene.state.setTextPlacement(c.placement);
        scene.state.setIsMirrored(c.mirrored);
        scene.state.setReadingPosition(11, 0); // "Willkommen zurück … einer einzigen" read
        scene.settle();
        const qint64 current = scene.view.currentWordIndex();
        ASSERT_EQ(current, 11) << c.name;
        const QImage image = scene.shot(c.name);

        // The spoken word sits on the reading line and carries the colour.
        const QRectF word = scene.view.wordRectInWindow(current);
        EXPECT_NEAR(word.top(), scene.view.scroller().readingLine(), 0.5) << c.name;
        EXPECT_GT(amberPixels(image, word), 20) << c.name;
        // The highlight reaches 8 points beyond the word: system yellow at 0.18 on black.
        const QColor margin = image.pixelColor(QPointF(word.left() - 4, word.center().y()).toPoint());
        EXPECT_NEAR(margin.red(), 46, 4) << c.name;
        EXPECT_NEAR(margin.green(), 37, 4) << c.name;
        EXPECT_LE(margin.blue(), 3) << c.name;
        EXPECT_EQ(amberPixels(image, scene.view.wordRectInWindow(current + 1)), 0) << c.name;
        EXPECT_EQ(amberPixels(image, scene.view.wordRectInWindow(current - 1)), 0) << c.name;

        // Mirroring draws the word at the mirror image of its place.
        const QRectF plain = scene.view.layout().wordFrames().at(current).translated(
                scene.view.layout().columnLeft(), -scene.view.scroller().scrollOffset());
        if (c.mirrored) {
            EXPECT_NEAR(word.left(), 1280 - plain.right(), 0.001) << c.name;
            if (!word.intersects(plain)) { // a word in the middle is its own mirror image
                EXPECT_EQ(amberPixels(image, plain), 0) << c.name;
            }
        } else {
            EXPECT_EQ(word, plain) << c.name;
        }
    }
}

TEST(TeleprompterView, ShowsPauseBadgeAndStatusLineOnlyWhenDue)
{
    const QRect badge(640 - 40, 22, 80, 30);
    const QRect status(640 - 120, 720 - 26 - 30, 240, 30);
    const struct
    {
        const char *name;
        bool scrolling;
        TeleprompterScrollMode mode;
        FollowState follow;
        bool badgeShown, statusShown;
    } cases[] = {
            {"paused", false, TeleprompterScrollMode::speech, FollowState::idle, true, false},
            {"status", true, TeleprompterScrollMode::speech, FollowState::listening, false, true},
            // "Pause" and "Hört zu…" never show at once; a failure still shows beside "Pause".
            {"paused-listening", false, TeleprompterScrollMode::speech, FollowState::listening, true, false},
            {"paused-status-mirrored", false, TeleprompterScrollMode::speech, FollowState::failed, true,
             true},
            {"steady-hides-status", true, TeleprompterScrollMode::steady, FollowState::failed, false, false},
    };
    for (const auto &c : cases) {
        Scene scene;
        scene.state.setIsMirrored(std::string(c.name).find("mirrored") != std::string::npos);
        scene.state.setIsScrolling(c.scrolling);
        scene.state.setScrollMode(c.mode);
        scene.state.setFollowStatus(c.follow, {FollowFailure::Kind::noMicrophone, {}});
        const QImage image = scene.shot(c.name);
        EXPECT_EQ(brightestIn(image, badge) > 150, c.badgeShown) << c.name;
        EXPECT_EQ(brightestIn(image, status) > 150, c.statusShown) << c.name;
    }
}

// Pixels of the recording mark's red dot.
int redPixels(const QImage &image, const QRectF &area)
{
    int count = 0;
    eachPixel(image, area, [&](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        count += c.red() > 200 && c.green() < 110 && c.blue() < 110;
    });
    return count;
}

TEST(TeleprompterView, RecordingMarkShowsTheRunningTakeBesideTheTextAndMirrorsWithIt)
{
    const QRectF topLeft(0, 0, 1280 / 3.0, 100), topRight(1280 * 2 / 3.0, 0, 1280 / 3.0, 100);
    for (const bool mirrored : {false, true}) {
        Scene scene;
        scene.state.setIsMirrored(mirrored);
        scene.state.setIsScrolling(false);
        const std::string name = mirrored ? "mirrored" : "plain";
        const QImage idle = scene.shot(("no-take-" + name).c_str());
        EXPECT_TRUE(scene.view.recordingMarkRect().isEmpty()) << name;
        EXPECT_EQ(redPixels(idle, idle.rect()), 0) << name;

        scene.view.setRecordingTime(75.9);
        const QImage recording = scene.shot(("recording-" + name).c_str());
        const QRectF mark = scene.view.recordingMarkRect();
        // The dot is red, in the top corner the text keeps clear of: right,
        // or left where everything is mirrored; nowhere else is red.
        EXPECT_GT(redPixels(recording, mark), 40) << name;
        EXPECT_EQ(redPixels(recording, recording.rect()), redPixels(recording, mark)) << name;
        EXPECT_TRUE((mirrored ? topLeft : topRight).contains(mark)) << name;
        EXPECT_EQ(RecordingMark::timeText(75.9), "1:15");
    }
}

TEST(TeleprompterView, MarkerLabelsAndFirstLineNeverOverlapInEitherPlacement)
{
    const struct
    {
        const char *name;
        TeleprompterTextPlacement placement;
        bool mirrored;
        QSize size;
        double fontSize;
    } cases[] = {
            {"oben", TeleprompterTextPlacement::standard, false, {1920, 1080}, 56},
            {"mitte", TeleprompterTextPlacement::center, false, {1920, 1080}, 56},
            {"oben-gespiegelt", TeleprompterTextPlacement::standard, true, {1920, 1080}, 56},
            {"mitte-gespiegelt", TeleprompterTextPlacement::center, true, {1920, 1080}, 56},
            {"oben-gross", TeleprompterTextPlacement::standard, false, {1280, 720}, 96},
    };
    for (const auto &c : cases) {
        Scene scene(c.size);
        scene.state.setTextPlacement(c.placement);
        scene.state.setIsMirrored(c.mirrored);
        scene.state.setFontSize(c.fontSize);
        scene.state.setScrollMode(TeleprompterScrollMode::speech);
        scene.state.setFollowStatus(FollowState::listening, {});
        scene.view.setRecordingTime(42);
        // Paused first ("Pause" shown), then following ("Hört zu…" shown).
        for (const bool scrolling : {false, true}) {
            scene.state.setIsScrolling(scrolling);
            scene.settle(0.5);
            const std::string name = std::string(c.name) + (scrolling ? "-laeuft" : "-pause");
            const QImage image = scene.shot(("layout-" + name).c_str());
            // The first line of words: every word whose top is the first word's.
            QRectF firstLine = scene.view.wordRectInWindow(0);
            for (qint64 i = 1; scene.view.wordRectInWindow(i).top() == firstLine.top(); ++i)
                firstLine |= scene.view.wordRectInWindow(i);
            const QRectF title = scene.view.layout().titleRect().translated(
                    scene.view.layout().columnLeft(), -scene.view.scroller().scrollOffset());
            const QRectF label = scrolling ? scene.view.statusLabelRect() : scene.view.pauseLabelRect();
            EXPECT_TRUE((scrolling ? scene.view.pauseLabelRect() : scene.view.statusLabelRect()).isEmpty())
                    << name;
            const std::pair<const char *, QRectF> shown[] = {
                    {"marker", scene.view.readingMarkerRect()},
                    {"label", label},
                    {"mark", scene.view.recordingMarkRect()},
                    {"first line", firstLine},
                    {"title", title},
            };
            for (size_t i = 0; i < std::size(shown); ++i) {
                EXPECT_FALSE(shown[i].second.isEmpty()) << name << " " << shown[i].first;
                for (size_t j = i + 1; j < std::size(shown); ++j)
                    EXPECT_FALSE(shown[i].second.intersects(shown[j].second))
                            << name << ": " << shown[i].first << " / " << shown[j].first;
            }
            // The marker is drawn where it is said to be, above the first line.
            EXPECT_GT(brightestIn(image, scene.view.readingMarkerRect().toRect()), 60) << name;
            EXPECT_LT(scene.view.readingMarkerRect().bottom(), firstLine.top()) << name;
        }
    }
}

TEST(TeleprompterView, SteadyModeHighlightsExactlyOneWordAndSpeechEndHighlightsNone)
{
    Scene scene;
    scene.state.setScrollMode(TeleprompterScrollMode::steady);
    scene.settle(2);
    EXPECT_GT(scene.view.scroller().scrollOffset(), 100);
    QImage image = scene.shot("steady");
    const qsizetype count = scene.view.layout().wordFrames().size();
    int highlighted = 0;
    for (qint64 i = 0; i < count; ++i)
        highlighted += amberPixels(image, scene.view.wordRectInWindow(i)) > 20 ? 1 : 0;
    EXPECT_EQ(highlighted, 1);
    EXPECT_GT(amberPixels(image, scene.view.wordRectInWindow(scene.view.currentWordIndex())), 20);

    scene.state.setScrollMode(TeleprompterScrollMode::speech);
    scene.state.setReadingPosition(count, 0);
    EXPECT_EQ(scene.state.cursor(), count);
    scene.settle(2);
    image = scene.shot("speech-finished");
    EXPECT_EQ(amberPixels(image, image.rect()), 0);
}

TEST(TeleprompterView, VideoBehindTheTextFillsTheWindowAndFollowsFlipsAndMirroring)
{
    const struct
    {
        const char *name;
        bool mirrored, flipH, available;
        int leftRed; // 1: red at the left edge, 0: blue, -1: black (no video)
        QSize frame = {1920, 1080}; // the window's own size is copied, not scaled
    } cases[] = {
            {"video", false, false, true, 1},
            {"video-flipped", false, true, true, 0},
            {"video-mirrored", true, false, true, 0},
            {"video-flipped-mirrored", true, true, true, 1},
            {"video-window-sized-flipped", false, true, true, 0, {1280, 720}},
            {"video-window-sized-flipped-mirrored", true, true, true, 1, {1280, 720}},
            {"video-screen-request", false, false, false, -1},
    };
    for (const auto &c : cases) {
        Scene scene;
        scene.state.setShowsSelfView(true);
        scene.state.setIsMirrored(c.mirrored);
        scene.view.setVideoAvailable(c.available);
        scene.view.selfView()->setFlips(c.flipH, false);
        scene.view.selfView()->setFrame(splitFrame(c.frame));
        const QImage image = scene.shot(c.name);
        const QColor left = image.pixelColor(20, 360);
        const QColor right = image.pixelColor(1260, 360);
        if (c.leftRed < 0) {
            EXPECT_EQ(left, QColor(Qt::black)) << c.name;
            EXPECT_EQ(right, QColor(Qt::black)) << c.name;
        } else {
            const QColor red = c.leftRed ? left : right, blue = c.leftRed ? right : left;
            EXPECT_GT(red.red(), red.blue() + 40) << c.name;
            EXPECT_GT(blue.blue(), blue.red() + 40) << c.name;
        }
    }
}

TEST(TeleprompterView, ColumnShadowOverVideoLiesUnderTheTextWhereverItIsDrawn)
{
    const struct
    {
        const char *name;
        TeleprompterTextPlacement placement;
        bool note; // no script: the note instead of the words
        bool mirrored;
    } cases[] = {
            {"shadow-title-center", TeleprompterTextPlacement::center, false, false},
            {"shadow-title-standard", TeleprompterTextPlacement::standard, false, false},
            {"shadow-title-standard-mirrored", TeleprompterTextPlacement::standard, false, true},
            {"shadow-note-center", TeleprompterTextPlacement::center, true, false},
            {"shadow-note-standard-mirrored", TeleprompterTextPlacement::standard, true, true},
    };
    QImage bright(1920, 1080, QImage::Format_RGB32);
    bright.fill(QColor(235, 235, 235));
    for (const auto &c : cases) {
        // The same window once with the line of text and once with a blank in
        // its place: the difference is what the text and its shadow add.
        auto render = [&](bool blank, const char *name, QRectF *box = nullptr, double *inked = nullptr) {
            Scene scene;
            scene.state.setTextPlacement(c.placement);
            scene.state.setIsMirrored(c.mirrored);
            const QString space = QStringLiteral(" ");
            if (c.note)
                scene.state.loadScript(blank ? space : QString());
            else if (blank)
                scene.state.setTitle(space);
            scene.state.setShowsSelfView(true);
            scene.view.setVideoAvailable(true);
            scene.view.selfView()->setFrame(bright);
            EXPECT_EQ(scene.view.scroller().scrollOffset(), 0) << c.name;
            const TeleprompterLayout &l = scene.view.layout();
            if (box) {
                *box = (c.note ? l.fallbackRect() : l.titleRect()).translated(l.columnLeft(), 0);
                *inked = QFontMetricsF(c.note ? l.wordFont() : l.titleFont())
                                 .horizontalAdvance(c.note ? l.fallbackText() : l.input().title);
            }
            return scene.shot(name);
        };
        QRectF box;
        double inked = 0;
        const QImage image = render(false, c.name, &box, &inked);
        const QImage blank = render(true, (c.name + std::string("-blank")).c_str());
        const bool center = c.placement == TeleprompterTextPlacement::center;
        const double start = center ? box.center().x() - inked / 2 : box.left();
        ASSERT_LT(start + inked + 80, box.right()) << c.name;

        // How much darker than the blank window the lowest quarter of the
        // text's box is, between the letters' feet and below them: the
        // shadow, two points down, lies there. Letters only add light.
        auto darkening = [&](double left, double right) {
            QRectF strip(left, box.bottom() - box.height() / 4, right - left, box.height() / 4);
            if (c.mirrored)
                strip.moveLeft(image.width() - strip.right());
            EXPECT_GT(meanGray(blank, strip), 60) << c.name; // the video shows
            return meanDarkening(blank, image, strip);
        };
        EXPECT_GT(darkening(start + inked * 0.2, start + inked * 0.8), 5) << c.name;
        EXPECT_LT(darkening(start + inked + 40, start + inked + 80), 1) << c.name;
        if (center) { // nothing is written at the column's edges
            EXPECT_LT(darkening(box.left(), box.left() + 30), 1) << c.name;
            EXPECT_LT(darkening(box.right() - 30, box.right()), 1) << c.name;
        }
    }
}

// Mirrored text over the split frame, word 11 read.
static void showMirroredVideoReadingWord11(Scene &scene)
{
    scene.state.setIsMirrored(true);
    scene.state.setShowsSelfView(true);
    scene.view.setVideoAvailable(true);
    scene.view.selfView()->setFrame(splitFrame());
    scene.state.setReadingPosition(11, 0);
    scene.settle();
}

TEST(TeleprompterView, DrawsAtTwiceThePixelRatioWhereItDrawsAtOnce)
{
    Scene scene;
    showMirroredVideoReadingWord11(scene);
    QImage image(2560, 1440, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    scene.view.render(&image);
    image.setDevicePixelRatio(1);
    image.save(QStringLiteral(TANDREL_SCREENSHOT_DIR "/teleprompter-twice-the-pixels.png"));

    const QRectF word = scene.view.wordRectInWindow(scene.view.currentWordIndex());
    const QRectF pixels(word.topLeft() * 2, word.size() * 2);
    EXPECT_GT(amberPixels(image, pixels), 80);
    EXPECT_EQ(amberPixels(image, pixels.translated(0, 2 * word.height())), 0);
    EXPECT_GT(image.pixelColor(40, 720).blue(), image.pixelColor(40, 720).red() + 40); // mirrored: blue left
}

// Windows and grabs are painted straight into their 32-bit pixels; anything
// else gets a copy of the same frame. Either way only the widget's own pixels
// are written, wherever it lies in the image.
TEST(TeleprompterView, PaintsTheSamePixelsIntoImagesOfEveryKindAndPlace)
{
    Scene scene;
    showMirroredVideoReadingWord11(scene);
    const QImage reference = scene.shot("targets-reference");
    const struct
    {
        QImage::Format format;
        QPoint offset;
        int tolerance; // a format of fewer bits per colour rounds them
    } cases[] = {
            {QImage::Format_RGB32, {0, 0}, 0},
            {QImage::Format_ARGB32_Premultiplied, {23, 11}, 0},
            {QImage::Format_RGB888, {5, 0}, 1},
            {QImage::Format_RGB16, {0, 7}, 16},
    };
    for (const auto &c : cases) {
        QImage target(reference.size() + QSize(40, 30), c.format);
        target.fill(Qt::green);
        scene.view.render(&target, c.offset);
        target = target.convertToFormat(QImage::Format_RGB32);
        const QRect placed(c.offset, reference.size());
        int worst = 0, outside = 0;
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                const QRgb got = target.pixel(x, y);
                if (!placed.contains(x, y)) {
                    outside += got != QColor(Qt::green).rgb();
                    continue;
                }
                const QRgb want = reference.pixel(x - c.offset.x(), y - c.offset.y());
                worst = std::max({worst, std::abs(qRed(got) - qRed(want)),
                                  std::abs(qGreen(got) - qGreen(want)), std::abs(qBlue(got) - qBlue(want))});
            }
        }
        EXPECT_LE(worst, c.tolerance) << c.format;
        EXPECT_EQ(outside, 0) << c.format;
    }
}

TEST(TeleprompterView, AWordLargerThanItsCachesIsStillDrawnWithItsShadow)
{
    Scene scene;
    scene.state.loadScript(QString(4000, QLatin1Char('m')) + " Ende");
    scene.state.setShowsSelfView(true);
    scene.view.setVideoAvailable(true);
    scene.view.selfView()->setFrame(splitFrame());
    for (const char *name : {"oversized-word", "oversized-word-again"}) { // made, then reused
        const QImage image = scene.shot(name);
        EXPECT_GT(amberPixels(image, scene.view.wordRectInWindow(0)), 200) << name;
    }
}

TEST(TeleprompterView, AResetReturnsToTheTopAndAClickPausesOrResumes)
{
    Scene scene;
    scene.state.setIsPresented(true);
    scene.state.setScrollMode(TeleprompterScrollMode::steady);
    scene.settle(1);
    ASSERT_GT(scene.view.scroller().scrollOffset(), 0);

    scene.state.resetFollow(); // the "0" key, or the teleprompter opened from the start
    EXPECT_EQ(scene.view.scroller().scrollOffset(), 0);
    EXPECT_TRUE(scene.state.isScrolling()); // keeps scrolling from the top

    // Keys are the presenter's alone: the view leaves them to others.
    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QApplication::sendEvent(&scene.view, &space);
    EXPECT_TRUE(scene.state.isScrolling());

    for (bool scrolling : {false, true}) {
        QMouseEvent click(QEvent::MouseButtonPress, QPointF(300, 300), QPointF(300, 300), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&scene.view, &click);
        EXPECT_EQ(scene.state.isScrolling(), scrolling);
    }
}

TEST(TeleprompterView, LayoutFollowsFontSizeAndWindowHeight)
{
    Scene scene;
    const double before = scene.view.layout().contentHeight();
    scene.state.setFontSize(80);
    EXPECT_GT(scene.view.layout().contentHeight(), before);
    scene.view.resize(1280, 1000);
    QApplication::processEvents();
    EXPECT_DOUBLE_EQ(scene.view.scroller().readingLine(), 220);
    scene.state.setTextPlacement(TeleprompterTextPlacement::center);
    EXPECT_DOUBLE_EQ(scene.view.scroller().readingLine(), 480);
}

TEST(TeleprompterView, ScrollClockRunsWhileShownAndStopsWhenHidden)
{
    Scene scene;
    scene.state.setScrollMode(TeleprompterScrollMode::steady);
    ASSERT_TRUE(tandrel::testing::waitUntil([&] { return scene.view.scroller().scrollOffset() > 2; }));
    scene.view.hide();
    const double stopped = scene.view.scroller().scrollOffset();
    tandrel::testing::waitUntil([] { return false; }, 150);
    EXPECT_EQ(scene.view.scroller().scrollOffset(), stopped);
    scene.view.show();
    EXPECT_TRUE(tandrel::testing::waitUntil([&] { return scene.view.scroller().scrollOffset() > stopped; }));
}

// Scrolling repaints only the band the text moves in; what the window shows
// afterwards must be what a whole repaint draws, shadows and mirroring included.
TEST(TeleprompterView, ScrollingRepaintsEverythingThatMoved)
{
    for (const bool mirrored : {false, true}) {
        Scene scene({1280, 720});
        scene.state.setIsMirrored(mirrored);
        scene.state.setTextPlacement(mirrored ? TeleprompterTextPlacement::center
                                              : TeleprompterTextPlacement::standard);
        scene.state.setShowsSelfView(true);
        scene.view.setVideoAvailable(true);
        scene.view.selfView()->setFrame(splitFrame());
        ASSERT_TRUE(tandrel::testing::waitUntil([&] { return scene.view.scroller().scrollOffset() == 0; }));
        // Following the voice, the text glides to the word read and stops there.
        scene.state.setReadingPosition(40, 0);
        double last = -1;
        ASSERT_TRUE(tandrel::testing::waitUntil([&] {
            const double now = scene.view.scroller().scrollOffset();
            const bool settled = now > 100 && now == last;
            last = now;
            return settled;
        }));
        QApplication::processEvents(); // the last paint
        const QImage shown = scene.view.screen()
                                     ->grabWindow(scene.view.winId())
                                     .toImage()
                                     .convertToFormat(QImage::Format_RGB32);
        const QImage whole = scene.shot(mirrored ? "band-center-mirrored" : "band-standard");
        ASSERT_EQ(shown.size(), whole.size());
        int differing = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                differing += shown.pixel(x, y) != whole.pixel(x, y);
        EXPECT_EQ(differing, 0) << (mirrored ? "mirrored" : "plain");
    }
}

// A camera's frames wait for the scroll clock's next tick, which paints the
// newest of them once, also while the text stands still.
TEST(TeleprompterView, NewFramesReachTheWindowWithTheNextTickEvenWhilePaused)
{
    Scene scene;
    scene.state.setIsScrolling(false); // the text stays: only frames repaint
    scene.state.setIsMirrored(false);
    scene.state.setShowsSelfView(true);
    scene.view.setVideoAvailable(true);
    const QImage redLeft = splitFrame(), blueLeft = splitFrame().mirrored(true, false);
    const auto leftIsBlue = [&] {
        const QColor left = scene.view.screen()->grabWindow(scene.view.winId()).toImage().pixelColor(20, 360);
        return left.blue() > left.red() + 40;
    };
    scene.view.selfView()->setFrame(redLeft);
    ASSERT_TRUE(tandrel::testing::waitUntil([&] { return !leftIsBlue(); }));

    struct PaintCounter : QObject
    {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counter;
    scene.view.installEventFilter(&counter);
    for (const QImage *frame : {&blueLeft, &redLeft, &blueLeft})
        scene.view.selfView()->setFrame(*frame);
    ASSERT_TRUE(tandrel::testing::waitUntil(leftIsBlue));
    EXPECT_EQ(counter.paints, 1);
}
