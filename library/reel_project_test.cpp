#include "library/reel_project.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace tandrel;

namespace {

ReelProject reelWith(qint64 prefix, const QString &title)
{
    ReelProject reel;
    reel.prefix = prefix;
    reel.title = title;
    return reel;
}

Take takeAt(const char *iso, const char *video)
{
    Take take;
    take.id = QUuid::createUuid();
    take.recordedAt = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    take.videoFileName = QString::fromLatin1(video);
    return take;
}

} // namespace

TEST(ReelProject, DisplayLabelPadsTheNumberAndAppendsTheTrimmedTitle)
{
    const struct
    {
        qint64 prefix;
        const char *title, *label;
    } cases[] = {
            {0, "", "000"},
            {1000, "A", "1000 A"},
            {12, "  Intro  ", "012 Intro"},
            {12, "   ", "012"},
            {12, "\n\tIntro\n", "012 Intro"},
            {7, "Zwei  Worte", "007 Zwei  Worte"},
            {-5, "", "-05"},
            {123456789012, "X", "123456789012 X"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(reelWith(c.prefix, QString::fromUtf8(c.title)).displayLabel(), QString::fromUtf8(c.label))
                << c.prefix << " / " << c.title;
}

TEST(ReelProject, TitleSlugFoldsAndReducesToLettersDigitsAndSingleHyphens)
{
    const struct
    {
        const char *title, *slug;
    } cases[] = {
            {"Mein erstes Reel: Übung!", "mein-erstes-reel-ubung"},
            {"Hello   World", "hello-world"},
            {"--Ende--", "ende"},
            {"!!!", ""},
            {"   ", ""},
            {"Ça va? Élan", "ca-va-elan"},
            {"Teil 2 von 3", "teil-2-von-3"},
            {"Reel 🎬 Take", "reel-take"},
            {"日本語のリール", "日本語のリール"},
            {"e\u0301te\u0301", "ete"},
            {"x-y_z", "x-y-z"},
            {"Ärger über Öl", "arger-uber-ol"},
            {"Große STRAẞE", "grosse-strasse"},
            {"A—B", "a-b"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(reelWith(1, QString::fromUtf8(c.title)).titleSlug(), QString::fromUtf8(c.slug)) << c.title;
}

TEST(ReelProject, TitleSlugKeepsAtMostFortyEightCharactersAfterStripping)
{
    EXPECT_EQ(reelWith(1, QString(60, QLatin1Char('a'))).titleSlug(), QString(48, QLatin1Char('a')));
    // The cut comes after stripping, so a cut slug may end in a hyphen.
    const QString cut = reelWith(1, QString(47, QLatin1Char('a')) + " bcd").titleSlug();
    EXPECT_EQ(cut, QString(47, QLatin1Char('a')) + QLatin1Char('-'));
    // Counted in characters, not code units: letters outside the BMP take two code units.
    QString wide;
    for (int i = 0; i < 50; ++i)
        wide += QString::fromUcs4(U"\U00020000", 1);
    const QString slug = reelWith(1, wide).titleSlug();
    EXPECT_EQ(slug.size(), 96);
    EXPECT_EQ(slug.toUcs4().size(), 48);
}

TEST(ReelProject, FolderNameIsTheNumberAndTheSlug)
{
    const struct
    {
        qint64 prefix;
        const char *title, *folder;
    } cases[] = {
            {12, "Mein erstes Reel: Übung!", "012-mein-erstes-reel-ubung"},
            {12, "!!!", "012"},
            {7, "   ", "007"},
            {1000, "Intro", "1000-intro"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(reelWith(c.prefix, QString::fromUtf8(c.title)).folderName(), QString::fromUtf8(c.folder))
                << c.title;
}

TEST(ReelProject, LatestTakeIsTheLatestRecordingAndTheLastOneOnTies)
{
    ReelProject reel;
    EXPECT_FALSE(reel.latestTake().has_value());

    reel.takes = {takeAt("2025-03-01T09:00:00Z", "a"), takeAt("2025-03-01T11:00:00Z", "b"),
                  takeAt("2025-03-01T10:00:00Z", "c")};
    EXPECT_EQ(reel.latestTake()->videoFileName, "b");

    reel.takes.append(takeAt("2025-03-01T11:00:00Z", "d"));
    EXPECT_EQ(reel.latestTake()->videoFileName, "d");
}

TEST(ReelProject, ReelOrderIsNumberThenCreationAndStable)
{
    const auto at
            = [](int minute) { return QDateTime(QDate(2025, 1, 1), QTime(9, minute), QTimeZone::utc()); };
    QList<ReelProject> reels;
    const struct
    {
        qint64 prefix;
        int minute;
        const char *title;
    } input[]
            = {{3, 0, "c"}, {1, 5, "b-late"}, {1, 1, "b-early"}, {2, 0, "x1"}, {2, 0, "x2"}, {-1, 9, "neg"}};
    for (const auto &i : input) {
        ReelProject reel = reelWith(i.prefix, QString::fromLatin1(i.title));
        reel.createdAt = at(i.minute);
        reels.append(reel);
    }
    sortInReelOrder(reels);
    QStringList titles;
    for (const ReelProject &r : reels)
        titles.append(r.title);
    EXPECT_EQ(titles.join(QLatin1Char(' ')), "neg b-early b-late x1 x2 c");
}
