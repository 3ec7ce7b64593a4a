// tandrelctl's library commands, run as the real program on temporary folders.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

class CliLibraryTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString library() const { return dir.filePath(QStringLiteral("lib")); }

    CliRun run(const QStringList &args, const QByteArray &input = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // Keep the user's own settings and runtime folder out of the test.
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TANDRELCTL), QStringList{QStringLiteral("--library"), library()} + args);
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString writeMarkdown(const QByteArray &text)
    {
        const QString path = dir.filePath(QStringLiteral("scripts.md"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
};

const QByteArray threeReels = "# 012 Intro\nHallo\n---\ntitle: Zwei\nnr: 3\n\nText\n---\n# Ohne Nummer\nmehr";

} // namespace

TEST_F(CliLibraryTest, ImportThenListShowsTheReelsInReelOrder)
{
    const CliRun imported = run({QStringLiteral("import"), writeMarkdown(threeReels)});
    EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, QStringLiteral("3 Reels importiert.\n"));
    EXPECT_TRUE(QFile::exists(library() + QStringLiteral("/012-intro/reel.md")));

    const CliRun listed = run({QStringLiteral("list")});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, QStringLiteral("003\tZwei\t0\n012\tIntro\t0\n014\tOhne Nummer\t0\n"));

    const CliRun json = run({QStringLiteral("--json"), QStringLiteral("list")});
    const QJsonArray records = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records.at(0)[QStringLiteral("prefix")].toInteger(), 3);
    EXPECT_EQ(records.at(2)[QStringLiteral("title")].toString(), QStringLiteral("Ohne Nummer"));
    EXPECT_EQ(records.at(1)[QStringLiteral("cropCenterX")].toDouble(), 0.5);
}

TEST_F(CliLibraryTest, ImportReadsStandardInputAndCountsInBothForms)
{
    const CliRun one = run({QStringLiteral("import"), QStringLiteral("-")}, "# 7 Eins\nText");
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_EQ(one.out, QStringLiteral("1 Reel importiert.\n"));
    const CliRun again
            = run({QStringLiteral("--json"), QStringLiteral("import"), QStringLiteral("-")}, threeReels);
    EXPECT_EQ(QJsonDocument::fromJson(again.out.toUtf8()).object()[QStringLiteral("imported")].toInt(), 3);
    const CliRun none = run({QStringLiteral("import"), QStringLiteral("-")}, "\n");
    EXPECT_EQ(none.out, QStringLiteral("0 Reels importiert.\n"));
    // A heading whose number is cut off by a tab is all title; the plain list
    // prints that title as it is, between the first and the last tab.
    run({QStringLiteral("import"), QStringLiteral("-")}, "# 9\tmit Tab");
    EXPECT_TRUE(run({QStringLiteral("list")}).out.endsWith(QStringLiteral("\n015\t9\tmit Tab\t0\n")));
}

TEST_F(CliLibraryTest, ShowPrintsTheFirstReelWithThatNumber)
{
    run({QStringLiteral("import"), writeMarkdown(threeReels)});
    const CliRun shown = run({QStringLiteral("show"), QStringLiteral("12")});
    EXPECT_EQ(shown.exitCode, 0);
    const QJsonObject record = QJsonDocument::fromJson(shown.out.toUtf8()).object();
    EXPECT_EQ(record[QStringLiteral("title")].toString(), QStringLiteral("Intro"));
    EXPECT_EQ(record[QStringLiteral("script")].toString(), QStringLiteral("Hallo"));
    EXPECT_TRUE(shown.out.contains(QStringLiteral("\n    \"prefix\" : 12,\n"))) << "pretty-printed";
    EXPECT_EQ(run({QStringLiteral("--json"), QStringLiteral("show"), QStringLiteral("012")}).out, shown.out);
}

TEST_F(CliLibraryTest, FailuresAndUsageErrorsHaveTheirExitCodes)
{
    run({QStringLiteral("import"), writeMarkdown(threeReels)});
    const struct
    {
        QStringList args;
        int exitCode;
        const char *err;
    } cases[] = {
            {{QStringLiteral("show"), QStringLiteral("99")}, 1, "Kein Reel mit der Nummer 099."},
            {{QStringLiteral("show"), QStringLiteral("zwölf")}, 2, "Aufruf: tandrelctl show"},
            {{QStringLiteral("show")}, 2, "Aufruf: tandrelctl show"},
            {{QStringLiteral("list"), QStringLiteral("extra")}, 2, "Aufruf: tandrelctl list"},
            {{QStringLiteral("import")}, 2, "Aufruf: tandrelctl import"},
            {{QStringLiteral("import"), dir.filePath(QStringLiteral("fehlt.md"))},
             1,
             "Datei konnte nicht gelesen werden: "},
    };
    for (const auto &c : cases) {
        const CliRun r = run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.err))) << r.err.toStdString();
    }
}

TEST_F(CliLibraryTest, AnUnreadableLibraryIsReportedAndLeftAsItIs)
{
    QDir().mkpath(library());
    QFile file(library() + QStringLiteral("/library.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[{\"prefix\": 1}]");
    file.close();
    for (const QStringList &args :
         {QStringList{QStringLiteral("list")}, QStringList{QStringLiteral("show"), QStringLiteral("1")},
          QStringList{QStringLiteral("import"), QStringLiteral("-")}}) {
        const CliRun r = run(args, "# 2 Neu");
        EXPECT_EQ(r.exitCode, 1) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("Bibliothek konnte nicht gelesen werden: ")))
                << r.err.toStdString();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("[{\"prefix\": 1}]"));
}

TEST_F(CliLibraryTest, ListPrintsControlCharactersInTitlesAsBlanks)
{
    run({QStringLiteral("import"), QStringLiteral("-")}, "# 5 Titel");
    // A title as a hand-edited library file can hold it.
    QFile file(library() + QStringLiteral("/library.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    ASSERT_TRUE(text.contains("\"Titel\""));
    text.replace("\"Titel\"", R"("A\u0000B\u0007C\u001b[2JD\u007fE\u0085F\tG\nH\u2028I")");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();

    const CliRun listed = run({QStringLiteral("list")});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, QString::fromUtf8("005\tA B C [2JD E F\tG H I\t0\n"));
}
