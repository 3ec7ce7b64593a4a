#include "app/capture_text.h"
#include "app/editor_texts.h"
#include "app/file_error_text.h"
#include "app/follow_status_text.h"
#include "app/media_failure_text.h"
#include "app/speech_model_texts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

#include "media/media_file.h"
#include "media/wav_file.h"

using namespace tandrel;

// The words the engines' typed failures are shown with, in German as the
// windows and tandrelctl print them.

TEST(Texts, FileFailuresInGerman)
{
    const struct
    {
        QString text;
        const char *german;
    } cases[] = {
            {fileErrorText(FileError{ENOSPC}), "Kein Speicherplatz mehr auf dem Datenträger"},
            {fileErrorText(FileError{}), "Unbekannter Fehler"},
            {atomicWriteFailureText({FileError{EACCES}, false}), "Keine Berechtigung"},
            {atomicWriteFailureText({FileError{EXDEV}, true}),
             "Fehler beim Umbenennen: Verschieben zwischen Dateisystemen nicht möglich"},
            {trashFailureText({TrashFailure::Kind::nameTooLong, {}, "/x"}),
             "Der Name ist für den Papierkorb zu lang."},
            {trashFailureText({TrashFailure::Kind::noTrash, {}, "/x"}),
             "Auf diesem Laufwerk gibt es keinen Papierkorb."},
            {trashFailureText({TrashFailure::Kind::originalTaken, {}, "/a/b"}),
             "/a/b ist schon wieder belegt."},
            {trashFailureText({TrashFailure::Kind::failed, FileError{ENOENT}, "/a"}),
             "Datei oder Ordner nicht gefunden"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, QString::fromUtf8(c.german));
}

// Media files refused by the real readers, and the reasons they cannot give
// themselves here.
TEST(Texts, MediaFailuresInGerman)
{
    QTemporaryDir dir;
    const QString text = dir.filePath("notiz.wav");
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keine Audiodatei");
    file.close();
    const QString missing = dir.filePath("fehlt.wav");
    const Result<WavAudio, MediaFailure> notWav = readWavFile(text);
    const Result<WavAudio, MediaFailure> gone = readWavFile(missing);
    const Result<double, MediaFailure> notMedia = mediaDuration(text);
    ASSERT_FALSE(notWav.ok());
    ASSERT_FALSE(gone.ok());
    ASSERT_FALSE(notMedia.ok());

    const struct
    {
        QString text;
        QString german;
    } cases[] = {
            {mediaFailureText(notWav.error()), "Keine WAV-Datei: " + text},
            {mediaFailureText(gone.error()),
             "Datei konnte nicht gelesen werden: " + missing + " (Datei oder Ordner nicht gefunden)"},
            {mediaFailureText({MediaFailure::Kind::wavUnsupported, "/a.wav"}),
             "Nicht unterstütztes WAV-Format in /a.wav: gelesen werden nur 16-Bit-PCM und "
             "32-Bit-Gleitkomma."},
            {mediaFailureText({MediaFailure::Kind::notDecoded, "/a.mov"}),
             "Mediendatei /a.mov konnte nicht gelesen werden: Datei ist beschädigt"},
            {mediaFailureText({MediaFailure::Kind::notPlayable, "/a.mov"}),
             "Mediendatei /a.mov konnte nicht gelesen werden: keine abspielbaren Daten"},
            {mediaFailureText({MediaFailure::Kind::movieNoAudioEdit, "/a.m4a"}),
             "Mediendatei /a.m4a konnte nicht gelesen werden: keine Tonspur mit Schnittliste"},
            {mediaFailureText({MediaFailure::Kind::unwritable, "/a.m4a", FileError{ENOSPC}}),
             "Datei konnte nicht geschrieben werden: /a.m4a (Kein Speicherplatz mehr auf dem Datenträger)"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, c.german);
    // The decoder's refusal of a text file keeps its own words.
    EXPECT_TRUE(
            mediaFailureText(notMedia.error()).startsWith("Mediendatei " + text + " konnte nicht gelesen"))
            << qPrintable(mediaFailureText(notMedia.error()));
}

TEST(Texts, ExportFailuresAndNotesInGerman)
{
    const QString folder = QStringLiteral("/home/a/Tandrel/007-tom");
    const struct
    {
        QString text;
        QString german;
    } cases[] = {
            {exportFailureText(ExportFailure{ExportError::noTakes}),
             "Für dieses Reel gibt es noch keine Aufnahme."},
            {exportFailureText(ExportFailure{ExportError::noMedia}),
             "Die Takes enthalten keine verwertbaren Video- oder Audiodateien."},
            {exportFailureText(ExportFailure{ExportError::folderNotCreated, folder, FileError{EACCES}}),
             "Export-Ordner konnte nicht angelegt werden: Keine Berechtigung"},
            {exportFailureText(ExportFailure{ExportError::notAFolder, folder}),
             "Export-Ordner konnte nicht angelegt werden: Kein Ordner: " + folder},
            {exportFailureText(
                     ExportFailure{ExportError::fileNotWritten, folder, {}, {FileError{EFBIG}, false}}),
             "Export konnte nicht geschrieben werden: Datei zu groß"},
            {exportStatusText(Editor::kdenlive, {folder + "/007-tom.kdenlive", true}, false),
             "Kdenlive-Projekt liegt unter " + folder + "/007-tom.kdenlive und wird geöffnet."},
            {exportStatusText(Editor::shotcut, {folder + "/007-tom.mlt", false}, false),
             "Kein Programm öffnet 007-tom.mlt — Ordner wird gezeigt."},
            {exportStatusText(Editor::finalCut, {folder + "/007-tom.fcpxmld", true}, true),
             "Final-Cut-Projekt 007-tom.fcpxmld wird geöffnet."},
            {exportStatusText(Editor::finalCut, {folder + "/007-tom.fcpxmld", true}, false),
             "Final-Cut-Projekt liegt unter " + folder + "/007-tom.fcpxmld und wird geöffnet."},
            {exportButtonText(Editor::shotcut), "Für Shotcut exportieren"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.text, c.german);
}

TEST(Texts, CaptureNoticesInGerman)
{
    using Kind = CaptureNotice::Kind;
    const SourceFailure gone{SourceFailure::Kind::gone};
    const struct
    {
        CaptureNotice notice;
        const char *german;
    } cases[] = {
            {{.kind = Kind::recordingRunning}, "Es läuft bereits eine Aufnahme."},
            {{.kind = Kind::noSourceChosen}, "Bitte Video- oder Audioquelle wählen."},
            {{.kind = Kind::folderNotCreated, .path = "/a/b"},
             "Aufnahmeordner konnte nicht angelegt werden: /a/b"},
            {{.kind = Kind::writerNotReady, .video = true}, "Video-Writer nicht bereit."},
            {{.kind = Kind::fileNotCreated, .video = false, .detail = "Could not open file."},
             "Audiodatei konnte nicht angelegt werden: Could not open file."},
            {{.kind = Kind::endedBeforeStart}, "Die Aufnahme wurde beendet, bevor sie begann."},
            {{.kind = Kind::noPictures},
             "Keine Bilder empfangen. Kamera, HDMI-Karte oder Bildschirmfreigabe prüfen."},
            {{.kind = Kind::noAudio}, "Keine Audiodaten empfangen. Audioquelle prüfen."},
            {{.kind = Kind::audioOnly}, "Keine Videobilder empfangen. Take enthält nur Audio."},
            {{.kind = Kind::takeLimit, .seconds = 3600},
             "Die Aufnahme wurde nach 60 Minuten beendet: Länger kann ein Take nicht sein."},
            {{.kind = Kind::takeLimit, .seconds = 2},
             "Die Aufnahme wurde nach 2 s beendet: Länger kann ein Take nicht sein."},
            {{.kind = Kind::aborted, .write = WriteFailure{WriteFailure::Kind::diskFull}, .seconds = 12.7},
             "Aufnahme abgebrochen: Kein Speicherplatz mehr auf dem Datenträger. Der Take enthält die ersten "
             "12 s."},
            {{.kind = Kind::aborted, .write = WriteFailure{WriteFailure::Kind::indexFull}},
             "Aufnahme abgebrochen: Der reservierte Platz für das Inhaltsverzeichnis der Datei ist "
             "aufgebraucht."},
            {{.kind = Kind::aborted, .write = WriteFailure{WriteFailure::Kind::finishTimedOut}, .seconds = 3},
             "Aufnahme abgebrochen: Die Datei konnte nicht rechtzeitig abgeschlossen werden. Der Take "
             "enthält die "
             "ersten 3 s."},
            {{.kind = Kind::aborted,
              .write = WriteFailure{WriteFailure::Kind::failed, FileError{EFBIG}},
              .seconds = 4},
             "Aufnahme abgebrochen: Fehler beim Schreiben der Datei (Datei zu groß). Der Take enthält die "
             "ersten 4 s."},
            {{.kind = Kind::aborted,
              .write = WriteFailure{WriteFailure::Kind::failed, {}, "Internal data stream error."}},
             "Aufnahme abgebrochen: Fehler beim Schreiben der Datei (Internal data stream error.)."},
            {{.kind = Kind::aborted, .write = WriteFailure{WriteFailure::Kind::failed}},
             "Aufnahme abgebrochen: Die Datei konnte nicht geschrieben werden."},
            {{.kind = Kind::aborted,
              .device = CaptureNotice::Device::microphone,
              .source = gone,
              .seconds = 5.2},
             "Aufnahme abgebrochen: Mikrofon ausgefallen (Das Gerät ist nicht mehr vorhanden). Der Take "
             "enthält die "
             "ersten 5 s."},
            {{.kind = Kind::deviceFailed,
              .device = CaptureNotice::Device::camera,
              .source = {SourceFailure::Kind::noData}},
             "Kamera ausgefallen (Das Gerät liefert keine Daten mehr)."},
            {{.kind = Kind::deviceFailed, .device = CaptureNotice::Device::microphone, .source = gone},
             "Mikrofon ausgefallen (Das Gerät ist nicht mehr vorhanden)."},
            {{.kind = Kind::screenNotStarted, .source = {SourceFailure::Kind::screenNotFound}},
             "Bildschirmquelle: Bildschirm nicht gefunden."},
            {{.kind = Kind::screenNotStarted, .source = {SourceFailure::Kind::x11SourceMissing}},
             "Bildschirmquelle: ximagesrc fehlt (GStreamer-Plugins „good“)."},
            {{.kind = Kind::screenInterrupted, .source = {SourceFailure::Kind::reported, "Stream lost"}},
             "Stream lost"},
            {{.kind = Kind::screenShareEnded}, "Die Bildschirmfreigabe wurde beendet."},
            {{.kind = Kind::screenAccessMissing},
             "Bildschirmfreigabe fehlt. Bitte die Freigabe des Bildschirms im Dialog des Systems erlauben."},
            {{.kind = Kind::soundMoved, .from = "Zweitmikrofon", .to = "Testmikrofon"},
             "Das System nimmt den Ton jetzt von „Testmikrofon“ statt von „Zweitmikrofon“ auf."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(captureNoticeText(c.notice), QString::fromUtf8(c.german));
}

TEST(Texts, VideoSourcesAsThePickersListThem)
{
    EXPECT_EQ(videoSourceText({"cam", "Logitech C920", VideoSource::Kind::camera}), "Logitech C920");
    EXPECT_EQ(videoSourceText({"screen:1", "DP-1", VideoSource::Kind::screen}), "Bildschirm: DP-1");
    EXPECT_EQ(videoSourceText({screenRequestID, {}, VideoSource::Kind::screen}), "Bildschirm (Freigabe…)");
}

TEST(Texts, SpeechProblemsInGerman)
{
    using Kind = SpeechProblem::Kind;
    const struct
    {
        SpeechProblem problem;
        const char *german;
    } cases[] = {
            {{.kind = Kind::noRecognizer}, "Keine lokale Spracherkennung für diese Sprache."},
            {{.kind = Kind::modelInstalling}, "Das Sprachmodell wird gerade installiert."},
            {{.kind = Kind::installUnfinished, .detail = "de-DE"},
             "Das Sprachmodell für de-DE wurde nicht fertig installiert."},
            {{.kind = Kind::badOptions, .detail = "-lw x"}, "Ungültige Decoder-Optionen: -lw x"},
            {{.kind = Kind::modelNotLoaded, .path = "/m/de"},
             "Das Sprachmodell in /m/de konnte nicht geladen werden."},
            {{.kind = Kind::noScriptWord, .path = "/m/de"},
             "Das Sprachmodell in /m/de kennt kein Wort des Skripts und bringt kein allgemeines Sprachmodell "
             "mit."},
            {{.kind = Kind::biasNotWritten, .path = "/t/script.dict", .write = {FileError{ENOSPC}, false}},
             "Kein Speicherplatz mehr auf dem Datenträger"},
            {{.kind = Kind::decoderNotStarted}, "Der Decoder ließ sich nicht starten."},
            {{.kind = Kind::audioNotProcessed, .seconds = 12.34},
             "Der Decoder hat Audio bei 12.3 s nicht verarbeitet."},
            {{.kind = Kind::notMono16k}, "Das Audio für die Wortzeiten ist nicht 16 kHz mono."},
            {{.kind = Kind::cancelled}, "Abgebrochen."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(speechProblemText(c.problem), QString::fromUtf8(c.german));
    EXPECT_EQ(followFailureText(
                      {FollowFailure::Kind::modelNotLoaded, {.kind = Kind::modelNotLoaded, .path = "/m"}}),
              "Sprachmodell: Das Sprachmodell in /m konnte nicht geladen werden.");
}

TEST(Texts, ModelProblemsInGerman)
{
    using Kind = ModelProblem::Kind;
    const struct
    {
        ModelProblem problem;
        const char *german;
    } cases[] = {
            {{.kind = Kind::httpStatus, .detail = "Not Found", .number = 404}, "404 Not Found"},
            {{.kind = Kind::shortTransfer, .number = 10, .total = 20}, "10 von 20 Bytes erhalten"},
            {{.kind = Kind::checksumMismatch, .detail = "ab", .expected = "cd"}, "Prüfsumme ab statt cd"},
            {{.kind = Kind::system, .cause = FileError{ENOSPC}},
             "Kein Speicherplatz mehr auf dem Datenträger"},
            {{.kind = Kind::notALocale, .path = "xx!"}, "„xx!“ ist keine Sprache (etwa de-DE)."},
            {{.kind = Kind::notUnpacked, .path = "/a.tgz", .detail = "gzip: bad"},
             "Das Archiv /a.tgz ließ sich nicht entpacken: gzip: bad"},
            {{.kind = Kind::noModel, .path = "/a.tgz"},
             "Das Archiv /a.tgz enthält kein PocketSphinx-Modell (akustisches Modell mit mdef und ein "
             "Wörterbuch)."},
            {{.kind = Kind::notRead, .path = "/a"}, "/a konnte nicht gelesen werden."},
            {{.kind = Kind::notRead, .path = "/a", .detail = "No such file"},
             "/a konnte nicht gelesen werden: No such file"},
            {{.kind = Kind::systemModel, .path = "/usr/m"},
             "Das Modell in /usr/m gehört zum System und lässt sich hier nicht entfernen."},
    };
    for (const auto &c : cases)
        EXPECT_EQ(modelProblemText(c.problem), QString::fromUtf8(c.german));
    EXPECT_EQ(downloadFailureText(ModelDownloadFailure::brokenArchive,
                                  {.kind = Kind::modelIncomplete, .path = "/m"}),
              "Das geladene Sprachmodell ist unvollständig oder beschädigt (Das Modell in /m ist "
              "unvollständig.).");
    EXPECT_EQ(downloadFailureText(ModelDownloadFailure::serverError, {}),
              "Der Server hat das Sprachmodell nicht geliefert.");
}
