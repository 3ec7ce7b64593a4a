#include "export/mlt_project.h"

#include "export/fcpxml_exporter.h"
#include "export/mlt_test_support.h"

#include <QDir>
#include <QSet>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const MltProject::Flavour flavours[] = {MltProject::Flavour::shotcut, MltProject::Flavour::kdenlive};

const char *flavourName(MltProject::Flavour flavour)
{
    return flavour == MltProject::Flavour::shotcut ? "shotcut" : "kdenlive";
}

QString finalCutDocument(const TestLibrary &library)
{
    return FCPXMLExporter::buildDocument(library.reel(),
                                         FCPXMLDocumentContext{library.reel().displayLabel(),
                                                               library.takesFolder(), std::nullopt,
                                                               QDateTime::currentDateTime()})
            .value();
}

// The reels both projects are checked on: every way a take's files can be.
const struct
{
    const char *what;
    std::function<void(TestLibrary &)> takes;
} reels[] = {
        {"two takes with video and sound, the later one recorded first, one without speech",
         [](TestLibrary &l) {
             l.addTake(1, "b-video.mov", "b-audio.m4a", 3.0, {{0.3, 1.0}, {1.5, 2.5}});
             l.addTake(0, "a video's.mov", "a-audio.m4a", 2.0, {});
         }},
        {"a video-only take, a take without usable files, an audio-only take",
         [](TestLibrary &l) {
             l.addTake(0, "v-video.mov", QString(), 2.5, {{0.5, 2.0}});
             l.addTake(1, "gone-video.mov", "gone-audio.m4a", 4.0, {}, 0);
             l.addTake(2, QString(), "s-audio.m4a", 1.0, {{0.2, 0.6}});
             l.addTake(3, "../outside.mov", QString(), 1.0, {});
         }},
};

} // namespace

// Both projects hold the Final Cut timeline: the same clips with the same
// names, each a stretch of the same file at the same place, video and sound
// side by side; and their media are named relative to the project file, so
// they still resolve after the whole library has moved.
TEST(MltProject, HoldsTheFinalCutCutOfEveryTakeAndResolvesItsFilesAfterAMove)
{
    for (const auto &reel : reels) {
        for (const MltProject::Flavour flavour : flavours) {
            SCOPED_TRACE(std::string(reel.what) + " / " + flavourName(flavour));
            TestLibrary library;
            reel.takes(library);
            const FinalCutTimeline expected = FinalCutTimeline::read(finalCutDocument(library));
            ASSERT_FALSE(expected.video.isEmpty() && expected.audio.isEmpty());

            const ExportResult<QString> written
                    = MltProject::exportReel(library.reel(), *library.store, flavour);
            ASSERT_TRUE(written.ok()) << "export failed: " << int(*written.error());
            EXPECT_EQ(written.value(),
                      QDir(library.root())
                              .filePath(QStringLiteral("007-tom-jerry/007-tom-jerry")
                                        + MltProject::fileSuffix(flavour)));

            // Move the library; the files must be found beside the moved project.
            const QString moved = library.dir.filePath("moved library");
            ASSERT_TRUE(QDir().rename(library.root(), moved));
            const QString projectFolder = QDir(moved).filePath("007-tom-jerry");
            const MltDocument doc = MltDocument::readFile(
                    QDir(projectFolder).filePath(QFileInfo(written.value()).fileName()));
            ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();

            const auto relocated = [&](QList<TrackClip> clips) {
                for (TrackClip &c : clips)
                    c.file.replace(library.root(), moved);
                return clips;
            };
            const QStringList tracks = doc.trackPlaylists();
            QList<QList<TrackClip>> onTracks;
            for (const QString &track : tracks) {
                if (!doc.playlists.value(track).isEmpty())
                    onTracks.append(doc.clips(track, projectFolder));
            }
            ASSERT_EQ(onTracks.size(), 2) << tracks.join(' ').toStdString();
            EXPECT_EQ(onTracks.count(relocated(expected.video)), 1);
            EXPECT_EQ(onTracks.count(relocated(expected.audio)), 1);
            EXPECT_EQ(doc.length(), expected.length);
            for (const auto &producer : doc.producers) {
                const QString resource = producer.value("resource");
                if (producer.value("mlt_service") != QLatin1String("avformat-novalidate"))
                    continue;
                EXPECT_FALSE(QFileInfo(resource).isAbsolute()) << resource.toStdString();
                EXPECT_TRUE(QFileInfo::exists(QDir(projectFolder).filePath(resource)))
                        << resource.toStdString();
            }
        }
    }
}

// What Kdenlive needs to show the clips in its bin and on its timeline, and
// Shotcut to take the file as its project rather than as a clip.
TEST(MltProject, CarriesWhatEachEditorNeedsToOpenItAsItsOwnProject)
{
    TestLibrary library;
    reels[0].takes(library);
    for (const MltProject::Flavour flavour : flavours) {
        SCOPED_TRACE(flavourName(flavour));
        const QString xml
                = MltProject::buildDocument(library.reel(), library.takesFolder(), library.root(), flavour)
                          .value();
        const MltDocument doc = MltDocument::read(xml.toUtf8());
        ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
        EXPECT_EQ(doc.root.value("title"), "007 Tom & Jerry");
        EXPECT_FALSE(doc.root.contains("root")); // media resolve beside the file
        if (flavour == MltProject::Flavour::shotcut) {
            EXPECT_EQ(doc.tractors.value(doc.tractorOrder.last()).size(), 3);
            continue;
        }
        EXPECT_EQ(doc.binProperties.value("kdenlive:docproperties.version"), "1.04");
        // Clips are plain producers, as Kdenlive writes them itself; a chain
        // would be a clip with its time remapped.
        EXPECT_FALSE(xml.contains("<chain"));
        // One id counter for the bin's clips and folders: no id names two items.
        QStringList ids, folders;
        for (const auto &producer : doc.producers) {
            if (producer.contains("kdenlive:id"))
                ids.append(producer.value("kdenlive:id"));
        }
        for (auto it = doc.binProperties.begin(); it != doc.binProperties.end(); ++it) {
            if (it.key().startsWith("kdenlive:folder.-1."))
                folders.append(it.key().section('.', 2) + " " + it.value());
        }
        folders.sort();
        EXPECT_EQ(folders, QStringList({"14 Take 10:00:00", "15 Take 10:01:00"}));
        ids.append({"14", "15"});
        EXPECT_EQ(QSet<QString>(ids.begin(), ids.end()).size(), ids.size()) << ids.join(' ').toStdString();
        // Every timeline clip names its bin clip by the bin clip's own id, and
        // every bin clip is listed in the bin.
        const QList<MltDocument::Item> bin = doc.playlists.value("main_bin");
        QStringList listed;
        for (const MltDocument::Item &item : bin)
            listed.append(item.producer);
        for (const QString &track : doc.trackPlaylists()) {
            for (const MltDocument::Item &item : doc.playlists.value(track)) {
                if (item.producer.isEmpty())
                    continue;
                EXPECT_TRUE(item.producer.startsWith("producer")) << item.producer.toStdString();
                EXPECT_EQ(item.properties.value("kdenlive:id"),
                          doc.producers.value(item.producer).value("kdenlive:id"));
                EXPECT_TRUE(listed.contains(item.producer)) << item.producer.toStdString();
            }
        }
        EXPECT_EQ(listed.size(), 2 * (5 + 1));
    }
}

TEST(MltProject, FailsLikeTheFinalCutExportAndDropsWhatXmlCannotCarry)
{
    const struct
    {
        const char *what;
        std::function<void(TestLibrary &)> takes;
        std::optional<ExportError> error;
    } cases[] = {
            {"no takes", [](TestLibrary &) {}, ExportError::noTakes},
            {"no usable files", [](TestLibrary &l) { l.addTake(0, "x.mov", "x.m4a", 1.0, {}, 64); },
             ExportError::noMedia},
            {"a title with characters XML cannot carry",
             [](TestLibrary &l) {
                 ReelProject renamed = l.reel();
                 renamed.title = QStringLiteral("<Tom>\x01 & \"Jerry\"");
                 l.store->updateReel(renamed);
                 l.addTake(0, "x.mov", QString(), 1.0, {});
             },
             std::nullopt},
    };
    for (const auto &c : cases) {
        for (const MltProject::Flavour flavour : flavours) {
            SCOPED_TRACE(std::string(c.what) + " / " + flavourName(flavour));
            TestLibrary library;
            c.takes(library);
            const ExportResult<QString> written
                    = MltProject::exportReel(library.reel(), *library.store, flavour);
            EXPECT_EQ(written.error(), c.error);
            if (c.error) {
                EXPECT_FALSE(
                        QFileInfo::exists(MltProject::projectPath(library.reel(), *library.store, flavour)));
                continue;
            }
            ASSERT_TRUE(written.ok());
            const MltDocument doc = MltDocument::readFile(written.value());
            ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
            EXPECT_EQ(doc.root.value("title"), "007 <Tom> & \"Jerry\"");
        }
    }
}
