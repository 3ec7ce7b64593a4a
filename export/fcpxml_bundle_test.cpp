#include "export/fcpxml_exporter.h"

#include "export/fcpxml_check.h"

#include "library/library_store.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_opener.h"
#include "tests/support/test_files.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace tandrel;

namespace {

using tandrel::testing::FileSizeLimit;
using tandrel::testing::readFile;
using tandrel::testing::RecordingOpener;
using tandrel::testing::writeFile;

class FCPXMLBundle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Final Cut libraries are also looked for in the home folder.
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", m_home.path().toUtf8());
        m_settings.emplace(m_home.filePath("settings.ini"));
        m_store.emplace(*m_settings, m_root.path());
        m_reelID = m_store->createReel(7, "Intro", QString()).value().id;
    }
    void TearDown() override { qputenv("HOME", m_oldHome); }

    ReelProject reel() const { return *m_store->reel(m_reelID); }

    void addTake(qsizetype videoBytes, qsizetype audioBytes)
    {
        const QDir takes(m_store->takesFolder(reel()));
        const QString stamp = QString::number(reel().takes.size());
        const QString video = stamp + "-video.mov", audio = stamp + "-audio.m4a";
        for (const auto &[name, bytes] : {std::pair{video, videoBytes}, std::pair{audio, audioBytes}})
            ASSERT_TRUE(writeFile(takes.filePath(name), QByteArray(bytes, '\0')));
        m_store->addTake(Take{QUuid::createUuid(),
                              QDateTime::currentDateTimeUtc(),
                              video,
                              audio,
                              2.0,
                              {},
                              std::nullopt},
                         m_reelID);
    }

    QString bundlePath() const { return QDir(m_root.path()).filePath("007-intro/007-intro.fcpxmld"); }

    QTemporaryDir m_home, m_root;
    QByteArray m_oldHome;
    std::optional<SettingsStore> m_settings;
    std::optional<LibraryStore> m_store;
    QUuid m_reelID;
};

} // namespace

TEST_F(FCPXMLBundle, WritesAValidDocumentIntoTheReelFolderAndReplacesItOnTheNextExport)
{
    addTake(4096, 4096);
    const auto first = FCPXMLExporter::exportReel(reel(), *m_store);
    ASSERT_TRUE(first.ok()) << "export failed: " << int(*first.error());
    EXPECT_EQ(first.value(), bundlePath());
    const QString info = QDir(bundlePath()).filePath("Info.fcpxml");
    EXPECT_EQ(tandrel::testing::dtdErrors(info), QString());

    addTake(4096, 0);
    const auto second = FCPXMLExporter::exportReel(reel(), *m_store);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(QDir(bundlePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"Info.fcpxml"});
    EXPECT_EQ(QString::fromUtf8(readFile(info)).count("<asset "), 3);
    EXPECT_EQ(tandrel::testing::dtdErrors(info), QString());
}

TEST_F(FCPXMLBundle, FindsTakeFilesThroughTheReelsCurrentFolder)
{
    addTake(4096, 4096);
    ReelProject renamed = reel();
    renamed.title = QStringLiteral("Outro");
    m_store->updateReel(renamed); // moves the folder with its takes
    const auto bundle = FCPXMLExporter::exportReel(reel(), *m_store);
    ASSERT_TRUE(bundle.ok()) << "export failed: " << int(*bundle.error());
    EXPECT_EQ(bundle.value(), QDir(m_root.path()).filePath("007-outro/007-outro.fcpxmld"));
}

TEST_F(FCPXMLBundle, FailuresLeaveOnlyTheFoldersAndOpenNothing)
{
    RecordingOpener opener;
    const auto noTakes = FCPXMLExporter::exportAndOpen(reel(), *m_store, opener);
    EXPECT_EQ(noTakes.error(), ExportError::noTakes);
    addTake(64, 10);
    const auto noMedia = FCPXMLExporter::exportAndOpen(reel(), *m_store, opener);
    EXPECT_EQ(noMedia.error(), ExportError::noMedia);
    EXPECT_TRUE(QFileInfo(bundlePath()).isDir());
    EXPECT_FALSE(QFileInfo::exists(QDir(bundlePath()).filePath("Info.fcpxml")));

    // A file where the bundle folder belongs.
    addTake(4096, 4096);
    ASSERT_TRUE(QDir(bundlePath()).removeRecursively());
    ASSERT_TRUE(writeFile(bundlePath(), {}));
    const auto blocked = FCPXMLExporter::exportAndOpen(reel(), *m_store, opener);
    EXPECT_FALSE(blocked.ok());
    EXPECT_EQ(blocked.failure(),
              (ExportFailure{ExportError::folderNotCreated, bundlePath(), FileError{ENOTDIR}}));
    EXPECT_TRUE(opener.opened.isEmpty());
}

TEST_F(FCPXMLBundle, OpensTheFinalCutLibraryBeforeTheBundle)
{
    addTake(4096, 4096);
    RecordingOpener withoutLibrary;
    ASSERT_TRUE(FCPXMLExporter::exportAndOpen(reel(), *m_store, withoutLibrary).ok());
    EXPECT_EQ(withoutLibrary.opened, QStringList{bundlePath()});

    const QString finalCut = QDir(m_home.path()).filePath("Movies/Ohne Titel.fcpbundle");
    ASSERT_TRUE(QDir().mkpath(finalCut));
    RecordingOpener withLibrary;
    ASSERT_TRUE(FCPXMLExporter::exportAndOpen(reel(), *m_store, withLibrary).ok());
    EXPECT_EQ(withLibrary.opened, (QStringList{finalCut, bundlePath()}));
    EXPECT_TRUE(readFile(QDir(bundlePath()).filePath("Info.fcpxml")).contains("<library location=\"file://"));
}

TEST_F(FCPXMLBundle, AFullDiskFailsTheExportAndLeavesTheFoldersAndAnEarlierDocument)
{
    addTake(4096, 4096);
    const QString info = QDir(bundlePath()).filePath("Info.fcpxml");
    // The document is cut short after 100 bytes: no success, and no part of
    // it in the bundle, which stays as it was made.
    {
        const FileSizeLimit full(100);
        const auto failed = FCPXMLExporter::exportReel(reel(), *m_store);
        ASSERT_FALSE(failed.ok());
        EXPECT_EQ(failed.failure(),
                  (ExportFailure{ExportError::fileNotWritten, info, {}, {FileError{EFBIG}}}));
    }
    EXPECT_TRUE(QFileInfo(bundlePath()).isDir());
    EXPECT_EQ(QDir(bundlePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{});

    // An earlier export's bundle stays, with its document as it was.
    ASSERT_TRUE(FCPXMLExporter::exportReel(reel(), *m_store).ok());
    const QByteArray document = readFile(info);
    {
        const FileSizeLimit full(100);
        EXPECT_FALSE(FCPXMLExporter::exportReel(reel(), *m_store).ok());
    }
    EXPECT_EQ(readFile(info), document);
    EXPECT_EQ(QDir(bundlePath()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"Info.fcpxml"});
}
