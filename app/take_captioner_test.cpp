// Word times learnt in the background for takes whose sound espeak-ng spoke
// from the script, encoded as the recorder encodes it.
#include "app/take_captioner.h"
#include "app/take_list_model.h"

#include "library/library_store.h"
#include "platform/settings_store.h"
#include "speech/espeak_wav.h"
#include "tests/support/run_tool.h"
#include "tests/support/take_files.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace tandrel;
using namespace tandrel::testing;

namespace {

const QString script
        = QStringLiteral("Good morning! Today we repair an old bicycle, step by step. First we take "
                         "the wheel off and look at the tyre.");

// A take of `reel` whose audio file speaks `text`, or names a missing file.
Take spokenTake(LibraryStore &store, const ReelProject &reel, const QString &text, const QString &name)
{
    const QString folder = store.takesFolder(reel);
    QDir().mkpath(folder);
    if (!text.isEmpty()) {
        const QString wav = folder + QStringLiteral("/speech.wav");
        EXPECT_TRUE(speakToWav(text, wav));
        const ToolRun encoded
                = runTool("ffmpeg", {"-v", "error", "-y", "-i", wav, "-c:a", "aac", folder + '/' + name},
                          ToolErrors::withOutput);
        EXPECT_EQ(encoded.exitCode, 0) << encoded.text().toStdString();
    }
    const Take take = makeTake(std::nullopt, name, 10);
    EXPECT_TRUE(store.addTake(take, reel.id).ok());
    return take;
}

} // namespace

TEST(TakeCaptioner, KeepsEachTakesWordTimesInOrderOrSaysWhyNotAndItsRowTellsHowFarItIs)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    LibraryStore store(settings, dir.filePath("library"));
    const ReelProject reel = store.createReel(1, "Fahrrad", script).value();
    const Take spoken = spokenTake(store, reel, script, "spoken.m4a");
    const Take missing = spokenTake(store, reel, {}, "missing.m4a");

    TakeCaptioner captioner(store);
    TakeListModel rows(store);
    rows.setReelID(reel.id);
    rows.setCaptioner(&captioner);
    const auto row = [&](const Take &take) { return rows.index(rows.rowOf(take.id)); };
    QSignalSpy aligned(&captioner, &TakeCaptioner::takeAligned);
    QSignalSpy failed(&captioner, &TakeCaptioner::takeFailed);
    // The share decoded each time the spoken take's row is told of a change.
    QList<double> shares;
    QObject::connect(&rows, &QAbstractItemModel::dataChanged, [&](const QModelIndex &from) {
        if (from == row(spoken) && from.data(TakeListModel::CaptioningRole).isValid())
            shares.append(from.data(TakeListModel::CaptioningRole).toDouble());
    });
    captioner.align(reel, spoken, script);
    captioner.align(reel, missing, script);
    captioner.align(reel, spoken, script); // already waiting: not queued twice
    captioner.align(reel, makeTake(std::nullopt, std::nullopt), script); // no sound: nothing to do
    EXPECT_TRUE(captioner.isBusy());
    EXPECT_THAT(row(missing).data(TakeListModel::CaptionRole).toString().toStdString(),
                ::testing::EndsWith("Untertitel werden erzeugt …"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !captioner.isBusy(); }, 120000));

    // The spoken take's row went from waiting through its decoded share to
    // what it said; the other row says why it has no captions.
    ASSERT_GE(shares.size(), 2);
    EXPECT_EQ(shares.first(), 0.0);
    EXPECT_GT(shares.last(), 0.5);
    EXPECT_TRUE(std::is_sorted(shares.cbegin(), shares.cend()));
    EXPECT_FALSE(row(spoken).data(TakeListModel::CaptioningRole).isValid());
    EXPECT_THAT(row(spoken).data(TakeListModel::CaptionRole).toString().toStdString(),
                ::testing::EndsWith("% des Textes"));
    EXPECT_THAT(row(missing).data(TakeListModel::CaptionRole).toString().toStdString(),
                ::testing::EndsWith("Keine Untertitel"));
    EXPECT_EQ(row(missing).data(Qt::ToolTipRole).toString(),
              "Untertitel konnten nicht erzeugt werden: " + captioner.failure(missing.id));

    ASSERT_EQ(aligned.size(), 1);
    EXPECT_EQ(aligned.first().first().toUuid(), spoken.id);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.first().first().toUuid(), missing.id);
    EXPECT_FALSE(failed.first().at(1).toString().isEmpty());

    const ReelProject stored = *store.reel(reel.id);
    const std::optional<QList<WordTime>> words = stored.takes.at(0).words;
    ASSERT_TRUE(words.has_value());
    EXPECT_GE(words->size(), script.split(' ').size() * 9 / 10);
    EXPECT_EQ(words->first().text, QStringLiteral("Good"));
    EXPECT_FALSE(stored.takes.at(1).words.has_value()) << "a failed take stays without word times";
}

TEST(TakeCaptioner, GoingAwayDuringAnAlignmentCancelsItAndKeepsNothingHalfDone)
{
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath("settings.ini"));
    LibraryStore store(settings, dir.filePath("library"));
    const ReelProject reel = store.createReel(1, "Fahrrad", script).value();
    const Take take = spokenTake(store, reel, script + ' ' + script + ' ' + script, "long.m4a");
    {
        TakeCaptioner captioner(store);
        captioner.align(reel, take, script);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(store.reel(reel.id)->takes.first().words.has_value());
}
