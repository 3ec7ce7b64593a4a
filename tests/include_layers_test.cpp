// Every `#include "folder/…"` of the repository against the layer order of
// the folders. The matrix below is the one docs/architecture.md shows.

#include "tests/support/test_files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

// Which folders the code of a folder may include, its own always allowed.
// Layers, lowest first: platform → media → library → speech, capture,
// export (side by side) → render → teleprompter → app → cli.
const std::map<QString, std::set<QString>> &allowedIncludes()
{
    static const std::map<QString, std::set<QString>> matrix{
            {"platform", {}},
            {"media", {"platform"}},
            {"library", {"platform", "media"}},
            {"speech", {"platform", "media", "library"}},
            {"capture", {"platform", "media", "library"}},
            {"export", {"platform", "media", "library"}},
            {"render", {"platform", "media", "library", "speech", "export"}},
            {"teleprompter", {"platform", "media", "library", "speech", "capture"}},
            {"app", {"platform", "media", "library", "speech", "capture", "export", "render", "teleprompter"}},
            {"cli",
             {"platform", "media", "library", "speech", "capture", "export", "render", "teleprompter", "app"}},
            // Benchmarks measure up to the whole application, with the tests' stand-ins.
            {"bench",
             {"platform", "media", "library", "speech", "capture", "export", "render", "teleprompter", "app",
              "tests"}},
            {"tests",
             {"platform", "media", "library", "speech", "capture", "export", "render", "teleprompter", "app",
              "cli", "bench"}},
    };
    return matrix;
}

// Test sources and their helpers, by name.
bool isTestFile(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.contains(QLatin1String("test")) || name == QLatin1String("media_probe.h");
}

// "folder/file.h: includes other/x.h" for every include against the matrix.
QStringList violations(const QString &root)
{
    static const QRegularExpression include(QStringLiteral(R"(^\s*#\s*include\s*"([a-z_]+)/[^"]+")"),
                                            QRegularExpression::MultilineOption);
    QStringList found;
    for (const auto &[folder, allowed] : allowedIncludes()) {
        QDirIterator files(QDir(root).filePath(folder), {"*.h", "*.cpp"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                found.append(path + ": unreadable");
                continue;
            }
            const QString text = QString::fromUtf8(file.readAll());
            for (auto matches = include.globalMatch(text); matches.hasNext();) {
                const QRegularExpressionMatch match = matches.next();
                const QString target = match.captured(1);
                // Tests may use the shared test support besides their folder's layers.
                const bool testSupport = target == QLatin1String("tests") && isTestFile(path);
                if (target != folder && !allowed.contains(target) && !testSupport)
                    found.append(QDir(root).relativeFilePath(path) + QStringLiteral(": includes ")
                                 + match.captured(0).trimmed());
            }
        }
    }
    return found;
}

} // namespace

TEST(IncludeLayers, EveryIncludePointsDownTheLayerOrder)
{
    const QStringList found = violations(QStringLiteral(TANDREL_SOURCE_DIR));
    EXPECT_TRUE(found.isEmpty()) << qPrintable(found.join(QLatin1Char('\n')));
}

TEST(IncludeLayers, ARisingIncludeIsFound)
{
    // The check itself: a library file that reaches up into capture.
    QTemporaryDir root;
    ASSERT_TRUE(tandrel::testing::writeFile(QDir(root.path()).filePath("library/reel.cpp"),
                                            "#include \"library/reel.h\"\n#include \"platform/result.h\"\n"
                                            "  #  include \"capture/take_recorder.h\"\n"));
    const QStringList found = violations(root.path());
    ASSERT_EQ(found.size(), 1) << qPrintable(found.join(QLatin1Char('\n')));
    EXPECT_TRUE(found.first().contains(QLatin1String("capture/take_recorder.h")));
}
