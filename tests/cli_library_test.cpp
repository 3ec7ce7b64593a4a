// tandrelctl's library commands, run as the real program on temporary folders.
#include "tests/support/tandrelctl_run.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

namespace {

using tandrel::testing::CtlRun;
using tandrel::testing::readFile;
using tandrel::testing::refused;
using tandrel::testing::Tandrelctl;
using tandrel::testing::writeFile;

class CliLibraryTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;

    QString library() const { return dir.filePath("lib"); }

    Tandrelctl tandrelctl() const { return Tandrelctl(dir.path(), library()); }

    CtlRun run(const QStringList &args, const QByteArray &input = {}) const
    {
        return tandrelctl().run(args, input, 60000);
    }

    // The reels of library.json as it is on disk; none when it does not decode.
    std::optional<QJsonArray> storedReels()
    {
        const QJsonDocument document = QJsonDocument::fromJson(readFile(library() + "/library.json"));
        return document.isArray() ? std::optional(document.array()) : std::nullopt;
    }

    QString writeMarkdown(const QByteArray &text)
    {
        const QString path = dir.filePath("scripts.md");
        EXPECT_TRUE(writeFile(path, text));
        return path;
    }
};

const QByteArray threeReels = "# 012 Intro\nHallo\n---\ntitle: Zwei\nnr: 3\n\nText\n---\n# Ohne Nummer\nmehr";

} // namespace

TEST_F(CliLibraryTest, ImportThenListShowsTheReelsInReelOrder)
{
    const CtlRun imported = run({"import", writeMarkdown(threeReels)});
    EXPECT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, "3 Reels importiert.\n");
    EXPECT_TRUE(QFile::exists(library() + "/012-intro/reel.md"));

    const CtlRun listed = run({"list"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, "003\tZwei\t0\n012\tIntro\t0\n014\tOhne Nummer\t0\n");

    const CtlRun json = run({"--json", "list"});
    const QJsonArray records = QJsonDocument::fromJson(json.out.toUtf8()).array();
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records.at(0)["prefix"].toInteger(), 3);
    EXPECT_EQ(records.at(2)["title"].toString(), "Ohne Nummer");
    EXPECT_EQ(records.at(1)["cropCenterX"].toDouble(), 0.5);
}

TEST_F(CliLibraryTest, ImportReadsStandardInputAndCountsInBothForms)
{
    const CtlRun one = run({"import", "-"}, "# 7 Eins\nText");
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_EQ(one.out, "1 Reel importiert.\n");
    const CtlRun again = run({"--json", "import", "-"}, threeReels);
    EXPECT_EQ(QJsonDocument::fromJson(again.out.toUtf8()).object()["imported"].toInt(), 3);
    const CtlRun none = run({"import", "-"}, "\n");
    EXPECT_EQ(none.out, "0 Reels importiert.\n");
    // A heading whose number is cut off by a tab is all title; the plain list
    // prints that title as it is, between the first and the last tab.
    run({"import", "-"}, "# 9\tmit Tab");
    EXPECT_TRUE(run({"list"}).out.endsWith("\n015\t9\tmit Tab\t0\n"));
}

TEST_F(CliLibraryTest, ShowPrintsTheFirstReelWithThatNumber)
{
    run({"import", writeMarkdown(threeReels)});
    const CtlRun shown = run({"show", "12"});
    EXPECT_EQ(shown.exitCode, 0);
    const QJsonObject record = QJsonDocument::fromJson(shown.out.toUtf8()).object();
    EXPECT_EQ(record["title"].toString(), "Intro");
    EXPECT_EQ(record["script"].toString(), "Hallo");
    EXPECT_TRUE(shown.out.contains("\n    \"prefix\" : 12,\n")) << "pretty-printed";
    EXPECT_EQ(run({"--json", "show", "012"}).out, shown.out);

    // A number below zero is a number, not an option, wherever it stands.
    run({"import", "-"}, "nr: -5\ntitle: Minus\n\nText");
    for (const QStringList &args :
         {QStringList{"show", "-5"}, QStringList{"show", "-5", "--json"}, QStringList{"show", "--", "-5"}})
        EXPECT_EQ(QJsonDocument::fromJson(run(args).out.toUtf8()).object()["title"].toString(), "Minus")
                << args.join(u' ').toStdString();
}

TEST_F(CliLibraryTest, FailuresAndUsageErrorsHaveTheirExitCodes)
{
    run({"import", writeMarkdown(threeReels)});
    const struct
    {
        QStringList args;
        int exitCode;
        const char *err;
    } cases[] = {
            {{"show", "99"}, 1, "Kein Reel mit der Nummer 099."},
            {{"show", "-7"}, 1, "Kein Reel mit der Nummer -07."},
            {{"show", "zwölf"}, 2, "Aufruf: tandrelctl show"},
            {{"show"}, 2, "Aufruf: tandrelctl show"},
            {{"list", "extra"}, 2, "Aufruf: tandrelctl list"},
            {{"import"}, 2, "Aufruf: tandrelctl import"},
            {{"import", dir.filePath("fehlt.md")}, 1, "Datei konnte nicht gelesen werden: "},
            {{"list", "--bogus"}, 2, "Unbekannte Option: --bogus\nAufruf: tandrelctl list"},
            {{"show", "1", "--library"}, 2, "Wert fehlt nach --library.\nAufruf: tandrelctl show"},
            {{"--json=ja", "list"}, 2, "Die Option --json nimmt keinen Wert."},
            {{"zeigen", "1"}, 2, "Unbekannter Befehl: zeigen"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(refused(run(c.args), c.exitCode, QString::fromUtf8(c.err)))
                << c.args.join(u' ').toStdString();

    // A text that is no UTF-8 (Latin-1 here) is refused whole, not imported
    // with its umlauts lost; a folder is named as one.
    const QString latin = dir.filePath("latin1.md");
    ASSERT_TRUE(writeFile(latin,
                          "# 40 \xc4pfel\nGr\xfc\xdf"
                          "e\n"));
    EXPECT_TRUE(refused(run({"import", latin}), 1, "Datei ist kein gültiger UTF-8-Text: " + latin));
    EXPECT_TRUE(refused(run({"import", "-"}, "# 41 \xc4pfel"), 1,
                        QStringLiteral("Datei ist kein gültiger UTF-8-Text: -")));
    EXPECT_TRUE(refused(run({"import", dir.path()}), 1,
                        "Datei konnte nicht gelesen werden: " + dir.path() + " (Ist ein Ordner)"));
    EXPECT_EQ(run({"list"}).out.count(u'\n'), 3) << "nothing imported";
}

TEST_F(CliLibraryTest, AnUnreadableLibraryIsReportedAndLeftAsItIs)
{
    const QString file = library() + "/library.json";
    ASSERT_TRUE(writeFile(file, "[{\"prefix\": 1}]"));
    for (const QStringList &args :
         {QStringList{"list"}, QStringList{"show", "1"}, QStringList{"import", "-"}}) {
        const CtlRun r = run(args, "# 2 Neu");
        EXPECT_TRUE(refused(r, 1, "Bibliothek konnte nicht gelesen werden: "))
                << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("Bibliothek konnte nicht gelesen werden: "));
    }
    EXPECT_EQ(readFile(file), QByteArray("[{\"prefix\": 1}]"));
}

TEST_F(CliLibraryTest, ReadingCommandsReportAMissingOrWrongFolderAndCreateNothing)
{
    const QString missing = dir.filePath("fehlt");
    const QString file = dir.filePath("datei");
    ASSERT_TRUE(writeFile(file, {}));
    const struct
    {
        QStringList args;
        QString folder;
        int exitCode;
        const char *err;
    } cases[] = {
            {{"list"}, missing, 1, "Bibliothek nicht gefunden: Den Ordner"},
            {{"show", "1"}, missing, 1, "Bibliothek nicht gefunden: Den Ordner"},
            {{"list"}, file, 1, "ist kein Ordner"},
            {{"list"}, QString(), 2, "Kein Ordner für die Bibliothek angegeben."},
            {{"import", "-"}, QString(), 2, "Kein Ordner für die Bibliothek angegeben."},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(refused(Tandrelctl(dir.path(), c.folder).run(c.args, "# 1 Eins", 60000), c.exitCode,
                            QString::fromUtf8(c.err)))
                << c.args.join(u' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(QFileInfo(file).isFile());

    // Before the first import the default folder is not made yet: its
    // library is empty, and reading it still makes nothing.
    const Tandrelctl firstStart(dir.path());
    const CtlRun listed = firstStart.run({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out + listed.err, QString());
    EXPECT_EQ(firstStart.run({"--json", "list"}).out, "[]\n");
    EXPECT_TRUE(refused(firstStart.run({"show", "1"}), 1, QStringLiteral("Kein Reel mit der Nummer 001.")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"datei"})
            << "nothing made";
    EXPECT_FALSE(QFileInfo::exists("/library.json"));
}

TEST_F(CliLibraryTest, ImportsRunningAtOnceLoseNothing)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        QDir(library()).removeRecursively();
        QProcess first, second;
        tandrelctl().start(first, {"import", "-"}, "# 100 Erster\n---\n# 101 Auch erster");
        tandrelctl().start(second, {"import", "-"}, "# 200 Zweiter\n---\n# 201 Auch zweiter");
        ASSERT_TRUE(first.waitForFinished(60000) && second.waitForFinished(60000));
        EXPECT_EQ(first.exitCode(), 0) << first.readAllStandardError().toStdString();
        EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
        const std::optional<QJsonArray> reels = storedReels();
        ASSERT_TRUE(reels.has_value());
        EXPECT_EQ(reels->size(), 4) << "attempt " << attempt;
    }
}

// Wherever a kill lands, library.json holds the library before or after the
// whole import, and the lock the killed process left does not block the next.
TEST_F(CliLibraryTest, AKilledImportLeavesTheOldOrTheNewLibrary)
{
    QByteArray many;
    for (int i = 1; i <= 3000; ++i)
        many += "# " + QByteArray::number(i + 10) + " Reel\nText " + QByteArray::number(i) + "\n---\n";
    const QString lockFile = library() + "/library.json.lock";
    for (int attempt = 0; attempt < 3; ++attempt) {
        QDir(library()).removeRecursively();
        ASSERT_EQ(run({"import", "-"}, "# 1 Alt").exitCode, 0);
        QProcess import;
        tandrelctl().start(import, {"import", "-"}, many);
        // The import is inside its change while it holds the lock.
        while (import.state() != QProcess::NotRunning && !QFileInfo::exists(lockFile))
            import.waitForFinished(1);
        import.kill();
        import.waitForFinished(60000);
        const std::optional<QJsonArray> reels = storedReels();
        ASSERT_TRUE(reels.has_value()) << "attempt " << attempt;
        EXPECT_TRUE(reels->size() == 1 || reels->size() == 3001) << reels->size();

        const CtlRun next = run({"import", "-"}, "# 9 Danach");
        EXPECT_EQ(next.exitCode, 0) << next.err.toStdString();
    }
}

TEST_F(CliLibraryTest, ListPrintsControlCharactersInTitlesAsBlanks)
{
    run({"import", "-"}, "# 5 Titel");
    // A title as a hand-edited library file can hold it.
    const QString file = library() + "/library.json";
    QByteArray text = readFile(file);
    ASSERT_TRUE(text.contains("\"Titel\""));
    text.replace("\"Titel\"", R"("A\u0000B\u0007C\u001b[2JD\u007fE\u0085F\tG\nH\u2028I")");
    ASSERT_TRUE(writeFile(file, text));

    const CtlRun listed = run({"list"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_EQ(listed.out, QString::fromUtf8("005\tA B C [2JD E F\tG H I\t0\n"));
}

// The help a user asks for, and bash's completion, which reads its commands,
// options and choices from that help.
TEST_F(CliLibraryTest, HelpAndCompletionNameEveryCommandAndOption)
{
    const CtlRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *command : {"import", "list", "show", "export", "record", "captions", "follow", "models"})
        EXPECT_TRUE(help.out.contains(QStringLiteral("\n  %1 ").arg(QLatin1String(command)))) << command;
    const CtlRun record = run({"record", "--help"});
    EXPECT_EQ(record.exitCode, 0);
    EXPECT_TRUE(record.out.startsWith("Aufruf: tandrelctl record --reel NUMMER")) << record.out.toStdString();
    EXPECT_EQ(run({"help", "record"}).out, record.out);
    EXPECT_TRUE(run({"--version"}).out.startsWith("tandrelctl "));

    const auto complete = [&](const QString &line) {
        QProcess bash;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", QFileInfo(QStringLiteral(TANDRELCTL_PATH)).path() + ":" + env.value("PATH"));
        env.insert("LANGUAGE", "en"); // completion reads the help whatever language the session speaks
        bash.setProcessEnvironment(env);
        bash.setWorkingDirectory(dir.path());
        bash.start("bash",
                   {"-c",
                    QStringLiteral("source '%1'; COMP_WORDS=(%2); COMP_CWORD=$((${#COMP_WORDS[@]} - 1));"
                                   " _tandrelctl; echo \"${COMPREPLY[*]}\"")
                            .arg(QStringLiteral(TANDREL_COMPLETION), line)});
        bash.waitForFinished(60000);
        return QString::fromUtf8(bash.readAllStandardOutput()).trimmed();
    };
    const struct
    {
        QString line, expected;
    } cases[] = {
            {"tandrelctl rec", "record"},
            {"tandrelctl --library lib ca", "captions"},
            {"tandrelctl --js", "--json"},
            {"tandrelctl record --fl", "--flip-h --flip-v"},
            {"tandrelctl export 7 --format k", "kdenlive"},
            {"tandrelctl captions 7 --format ''", "srt vtt"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(complete(c.line), c.expected) << c.line.toStdString();
}

TEST_F(CliLibraryTest, RunsWithoutTheWidgetLibrary)
{
    QProcess readelf;
    readelf.start("readelf", {"--dynamic", QStringLiteral(TANDRELCTL_PATH)});
    ASSERT_TRUE(readelf.waitForFinished(60000));
    const QString needed = QString::fromUtf8(readelf.readAllStandardOutput());
    ASSERT_TRUE(needed.contains("libQt6Core")) << needed.toStdString();
    EXPECT_FALSE(needed.contains("libQt6Widgets")) << needed.toStdString();
}
