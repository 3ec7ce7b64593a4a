#include "export/fcpxml_exporter.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "tests/support/test_files.h"

using namespace tandrel;

namespace {

QString fileOf(const QString &path, qsizetype bytes)
{
    EXPECT_TRUE(tandrel::testing::writeFile(path, QByteArray(bytes, 'x'))) << path.toStdString();
    return path;
}

} // namespace

TEST(FCPXMLExporter, EscapesTheFiveXmlCharacters)
{
    const struct
    {
        const char *in, *out;
    } cases[] = {
            {"Tom & Jerry", "Tom &amp; Jerry"},
            {"Peter's Take.mov", "Peter&apos;s Take.mov"},
            {"<b>\"x\"</b>", "&lt;b&gt;&quot;x&quot;&lt;/b&gt;"},
            {"&amp;", "&amp;amp;"},
            {"Übung · Sprache 🎬", "Übung · Sprache 🎬"},
            {"Bell\x07 and\x0b tab\t", "Bell and tab\t"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FCPXMLExporter::xmlEscaped(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
    EXPECT_EQ(FCPXMLExporter::xmlEscaped(QString(QChar(0xD800)) + QStringLiteral("x") + QChar(0xFFFF)), "x");
}

TEST(FCPXMLExporter, MediaIsUsableOnlyAsARegularFileAbove64Bytes)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("folder.mov");
    const struct
    {
        QString path;
        bool usable;
    } cases[] = {
            {fileOf(dir.filePath("small.mov"), 64), false},
            {fileOf(dir.filePath("big.mov"), 65), true},
            {dir.filePath("missing.mov"), false},
            {dir.filePath("folder.mov"), false},
            {QString(), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FCPXMLExporter::isUsableMedia(c.path), c.usable) << c.path.toStdString();
}

TEST(FCPXMLExporter, FindsTheFirstExistingFinalCutLibrary)
{
    QTemporaryDir root, home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    const QString inRoot = QDir(root.path()).filePath("Tandrel.fcpbundle");
    const QString named = QDir(home.path()).filePath("Movies/Tandrel Library.fcpbundle");
    const QString untitled = QDir(home.path()).filePath("Movies/Ohne Titel.fcpbundle");

    EXPECT_EQ(FCPXMLExporter::libraryLocation(root.path()), std::nullopt);
    QDir().mkpath(untitled);
    EXPECT_EQ(FCPXMLExporter::libraryLocation(root.path()), untitled);
    QDir().mkpath(named);
    EXPECT_EQ(FCPXMLExporter::libraryLocation(root.path()), named);
    QDir().mkpath(inRoot);
    EXPECT_EQ(FCPXMLExporter::libraryLocation(root.path()), inRoot);
    qputenv("HOME", oldHome);
}
