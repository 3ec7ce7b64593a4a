<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="de">
<context>
    <name>tandrel::CaptureNoticeText</name>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Kamera ausgefallen (%1)</source>
        <translation>Camera failed (%1)</translation>
    </message>
    <message>
        <source>Mikrofon ausgefallen (%1)</source>
        <translation>Microphone failed (%1)</translation>
    </message>
    <message>
        <source>Das Gerät ist nicht mehr vorhanden</source>
        <translation>The device is no longer present</translation>
    </message>
    <message>
        <source>Das Gerät liefert keine Daten mehr</source>
        <translation>The device no longer delivers data</translation>
    </message>
    <message>
        <source>Quelle konnte nicht geöffnet werden.</source>
        <translation>The source could not be opened.</translation>
    </message>
    <message>
        <source>Quelle konnte nicht verbunden werden.</source>
        <translation>The source could not be connected.</translation>
    </message>
    <message>
        <source>Quelle konnte nicht gestartet werden.</source>
        <translation>The source could not be started.</translation>
    </message>
    <message>
        <source>Bildschirm nicht gefunden.</source>
        <translation>Screen not found.</translation>
    </message>
    <message>
        <source>pipewiresrc fehlt (gstreamer1.0-pipewire).</source>
        <translation>pipewiresrc is missing (gstreamer1.0-pipewire).</translation>
    </message>
    <message>
        <source>ximagesrc fehlt (GStreamer-Plugins „good“).</source>
        <translation>ximagesrc is missing (GStreamer plugins “good”).</translation>
    </message>
    <message>
        <source>Der reservierte Platz für das Inhaltsverzeichnis der Datei ist aufgebraucht</source>
        <translation>The space reserved for the file’s index is used up</translation>
    </message>
    <message>
        <source>Die Datei konnte nicht rechtzeitig abgeschlossen werden</source>
        <translation>The file could not be finished in time</translation>
    </message>
    <message>
        <source>Die Datei konnte nicht geschrieben werden</source>
        <translation>The file could not be written</translation>
    </message>
    <message>
        <source>Fehler beim Schreiben der Datei (%1)</source>
        <translation>Error writing the file (%1)</translation>
    </message>
    <message>
        <source>Bildschirm (Freigabe…)</source>
        <translation>Screen (share…)</translation>
    </message>
    <message>
        <source>Bildschirm: %1</source>
        <translation>Screen: %1</translation>
    </message>
    <message>
        <source>Es läuft bereits eine Aufnahme.</source>
        <translation>A recording is already running.</translation>
    </message>
    <message>
        <source>Bitte Video- oder Audioquelle wählen.</source>
        <translation>Please choose a video or audio source.</translation>
    </message>
    <message>
        <source>Aufnahmeordner konnte nicht angelegt werden: %1</source>
        <translation>The recording folder could not be created: %1</translation>
    </message>
    <message>
        <source>Video-Writer nicht bereit.</source>
        <translation>Video writer not ready.</translation>
    </message>
    <message>
        <source>Audio-Writer nicht bereit.</source>
        <translation>Audio writer not ready.</translation>
    </message>
    <message>
        <source>Videodatei konnte nicht angelegt werden: %1</source>
        <translation>The video file could not be created: %1</translation>
    </message>
    <message>
        <source>Audiodatei konnte nicht angelegt werden: %1</source>
        <translation>The audio file could not be created: %1</translation>
    </message>
    <message>
        <source>Die Aufnahme wurde beendet, bevor sie begann.</source>
        <translation>The recording was stopped before it began.</translation>
    </message>
    <message>
        <source>Keine Bilder empfangen. Kamera, HDMI-Karte oder Bildschirmfreigabe prüfen.</source>
        <translation>No pictures received. Check the camera, HDMI card or screen sharing.</translation>
    </message>
    <message>
        <source>Keine Audiodaten empfangen. Audioquelle prüfen.</source>
        <translation>No audio received. Check the audio source.</translation>
    </message>
    <message>
        <source>Keine Videobilder empfangen. Take enthält nur Audio.</source>
        <translation>No video pictures received. The take holds audio only.</translation>
    </message>
    <message>
        <source>%1 Minuten</source>
        <translation>%1 minutes</translation>
    </message>
    <message>
        <source>Die Aufnahme wurde nach %1 beendet: Länger kann ein Take nicht sein.</source>
        <translation>The recording was stopped after %1: a take cannot be longer.</translation>
    </message>
    <message>
        <source>Aufnahme abgebrochen: %1. Der Take enthält die ersten %2.</source>
        <translation>Recording aborted: %1. The take holds the first %2.</translation>
    </message>
    <message>
        <source>Aufnahme abgebrochen: %1.</source>
        <translation>Recording aborted: %1.</translation>
    </message>
    <message>
        <source>Bildschirmquelle: %1</source>
        <translation>Screen source: %1</translation>
    </message>
    <message>
        <source>Die Bildschirmfreigabe wurde beendet.</source>
        <translation>Screen sharing has ended.</translation>
    </message>
    <message>
        <source>Bildschirmfreigabe fehlt. Bitte die Freigabe des Bildschirms im Dialog des Systems erlauben.</source>
        <translation>Screen sharing is missing. Please allow sharing the screen in the system’s dialog.</translation>
    </message>
    <message>
        <source>Kamera ausgefallen (%1).</source>
        <translation>Camera failed (%1).</translation>
    </message>
    <message>
        <source>Mikrofon ausgefallen (%1).</source>
        <translation>Microphone failed (%1).</translation>
    </message>
    <message>
        <source>Das System nimmt den Ton jetzt von „%1“ statt von „%2“ auf.</source>
        <translation>The system now records sound from “%1” instead of “%2”.</translation>
    </message>
</context>
<context>
    <name>tandrel::CaptureStatusText</name>
    <message>
        <source>Bereit</source>
        <translation>Ready</translation>
    </message>
    <message>
        <source>Live</source>
        <translation>Live</translation>
    </message>
    <message>
        <source>Nur Audio</source>
        <translation>Audio only</translation>
    </message>
    <message>
        <source>Keine Quelle</source>
        <translation>No source</translation>
    </message>
    <message>
        <source>Kein Videobild</source>
        <translation>No video picture</translation>
    </message>
    <message>
        <source>Bildschirmquelle unterbrochen</source>
        <translation>Screen source interrupted</translation>
    </message>
    <message>
        <source>Kamera unterbrochen</source>
        <translation>Camera interrupted</translation>
    </message>
    <message>
        <source>Mikrofon unterbrochen</source>
        <translation>Microphone interrupted</translation>
    </message>
    <message>
        <source>Aufnahme</source>
        <translation>Recording</translation>
    </message>
</context>
<context>
    <name>tandrel::DesktopHandOver</name>
    <message>
        <source>Das Programm xdg-open, mit dem der Desktop Dateien öffnet, fehlt oder startet nicht.</source>
        <translation>The program xdg-open, which the desktop uses to open files, is missing or does not start.</translation>
    </message>
    <message>
        <source>Die Datei wurde nicht gefunden.</source>
        <translation>The file was not found.</translation>
    </message>
    <message>
        <source>Der Ordner wurde nicht gefunden.</source>
        <translation>The folder was not found.</translation>
    </message>
    <message>
        <source>Auf diesem Desktop ist kein Programm für diese Art von Datei eingerichtet.</source>
        <translation>No program for this kind of file is set up on this desktop.</translation>
    </message>
    <message>
        <source>Auf diesem Desktop ist kein Dateimanager eingerichtet.</source>
        <translation>No file manager is set up on this desktop.</translation>
    </message>
    <message>
        <source>Das Programm, das die Datei öffnen sollte, hat einen Fehler gemeldet.</source>
        <translation>The program that was to open the file reported an error.</translation>
    </message>
    <message>
        <source>Der Dateimanager hat einen Fehler gemeldet.</source>
        <translation>The file manager reported an error.</translation>
    </message>
    <message>
        <source>Öffnen fehlgeschlagen</source>
        <translation>Opening failed</translation>
    </message>
    <message>
        <source>Im Dateimanager zeigen</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tandrel::EditorTexts</name>
    <message>
        <source>Für %1 exportieren</source>
        <translation>Export for %1</translation>
    </message>
    <message>
        <source>Final-Cut-Projekt</source>
        <translation>Final Cut project</translation>
    </message>
    <message>
        <source>Kdenlive-Projekt</source>
        <translation>Kdenlive project</translation>
    </message>
    <message>
        <source>Shotcut-Projekt</source>
        <translation>Shotcut project</translation>
    </message>
    <message>
        <source>Für dieses Reel gibt es noch keine Aufnahme.</source>
        <translation>This reel has no recording yet.</translation>
    </message>
    <message>
        <source>Die Takes enthalten keine verwertbaren Video- oder Audiodateien.</source>
        <translation>The takes hold no usable video or audio files.</translation>
    </message>
    <message>
        <source>Export-Ordner konnte nicht angelegt werden: %1</source>
        <translation>The export folder could not be created: %1</translation>
    </message>
    <message>
        <source>Export-Ordner konnte nicht angelegt werden: Kein Ordner: %1</source>
        <translation>The export folder could not be created: not a folder: %1</translation>
    </message>
    <message>
        <source>Export konnte nicht geschrieben werden: %1</source>
        <translation>The export could not be written: %1</translation>
    </message>
    <message>
        <source>Kein Programm öffnet %1 — Ordner wird gezeigt.</source>
        <translation>No program opens %1 — showing the folder.</translation>
    </message>
    <message>
        <source>%1 %2 wird geöffnet.</source>
        <translation>Opening %1 %2.</translation>
    </message>
    <message>
        <source>%1 liegt unter %2 und wird geöffnet.</source>
        <translation>%1 is at %2 and is being opened.</translation>
    </message>
</context>
<context>
    <name>tandrel::EmptyPage</name>
    <message>
        <source>Noch keine Reels</source>
        <translation>No reels yet</translation>
    </message>
    <message>
        <source>Lege ein Reel an oder importiere eine Markdown-Datei mit mehreren Projekten.</source>
        <translation>Create a reel or import a Markdown file with several projects.</translation>
    </message>
    <message>
        <source>Neues Reel</source>
        <translation>New Reel</translation>
    </message>
    <message>
        <source>Markdown importieren</source>
        <translation>Import Markdown</translation>
    </message>
</context>
<context>
    <name>tandrel::ExportHandOver</name>
    <message>
        <source>%1 %2 wird im Dateimanager gezeigt.</source>
        <translation>%1 %2 is shown in the file manager.</translation>
    </message>
    <message>
        <source>%1 liegt unter %2 und wird im Dateimanager gezeigt.</source>
        <translation>%1 is at %2 and is shown in the file manager.</translation>
    </message>
    <message>
        <source>%1 gespeichert, aber nicht gezeigt</source>
        <translation>%1 saved, but not shown</translation>
    </message>
    <message>
        <source>%1 gespeichert, aber nicht geöffnet</source>
        <translation>%1 saved, but not opened</translation>
    </message>
</context>
<context>
    <name>tandrel::FileError</name>
    <message>
        <source>Unbekannter Fehler</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>Kein Speicherplatz mehr auf dem Datenträger</source>
        <translation>No space left on the disk</translation>
    </message>
    <message>
        <source>Speicherkontingent auf dem Datenträger erschöpft</source>
        <translation>Disk quota exceeded</translation>
    </message>
    <message>
        <source>Keine Berechtigung</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>Vorgang nicht erlaubt</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>Schreibgeschütztes Dateisystem</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>Datei oder Ordner nicht gefunden</source>
        <translation>No such file or folder</translation>
    </message>
    <message>
        <source>Ist ein Ordner</source>
        <translation>Is a folder</translation>
    </message>
    <message>
        <source>Ist kein Ordner</source>
        <translation>Is not a folder</translation>
    </message>
    <message>
        <source>Datei existiert bereits</source>
        <translation>File already exists</translation>
    </message>
    <message>
        <source>Ein- oder Ausgabefehler</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>Dateiname zu lang</source>
        <translation>File name too long</translation>
    </message>
    <message>
        <source>Zu viele offene Dateien</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>Gerät oder Datei wird gerade benutzt</source>
        <translation>Device or file is busy</translation>
    </message>
    <message>
        <source>Verschieben zwischen Dateisystemen nicht möglich</source>
        <translation>Cannot move between file systems</translation>
    </message>
    <message>
        <source>Ordner ist nicht leer</source>
        <translation>Folder is not empty</translation>
    </message>
    <message>
        <source>Datei zu groß</source>
        <translation>File too large</translation>
    </message>
</context>
<context>
    <name>tandrel::FileErrorText</name>
    <message>
        <source>Fehler beim Umbenennen: %1</source>
        <translation>Error renaming: %1</translation>
    </message>
    <message>
        <source>Der Name ist für den Papierkorb zu lang.</source>
        <translation>The name is too long for the trash.</translation>
    </message>
    <message>
        <source>Auf diesem Laufwerk gibt es keinen Papierkorb.</source>
        <translation>This drive has no trash.</translation>
    </message>
    <message>
        <source>%1 ist schon wieder belegt.</source>
        <translation>%1 is already taken again.</translation>
    </message>
</context>
<context>
    <name>tandrel::FinishReelDialog</name>
    <message>
        <source>Take %1 · %2</source>
        <translation>Take %1 · %2</translation>
    </message>
    <message>
        <source>Noch etwa %1</source>
        <translation>About %1 left</translation>
    </message>
    <message>
        <source>Reel fertigstellen</source>
        <translation>Finish Reel</translation>
    </message>
    <message>
        <source>Untertitel einbrennen</source>
        <translation>Burn in captions</translation>
    </message>
    <message>
        <source>Wird gespeichert als „%1“.</source>
        <translation>Will be saved as “%1”.</translation>
    </message>
    <message>
        <source>Fertigstellen</source>
        <translation>Finish</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Take</source>
        <translation>Take</translation>
    </message>
    <message>
        <source>Für diesen Take gibt es noch keine Wortzeiten: Der Reel wird ohne Untertitel fertiggestellt.</source>
        <translation>This take has no word timings yet: the reel will be finished without captions.</translation>
    </message>
    <message>
        <source>Wird fertiggestellt…</source>
        <translation>Finishing…</translation>
    </message>
    <message>
        <source>Wird abgebrochen…</source>
        <translation>Cancelling…</translation>
    </message>
    <message>
        <source>Fertig: „%1“ liegt im Ordner des Reels.</source>
        <translation>Done: “%1” is in the reel’s folder.</translation>
    </message>
    <message>
        <source>Schließen</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>tandrel::FollowStatusText</name>
    <message>
        <source>Starte lokales Sprachmodell…</source>
        <translation>Starting local speech model…</translation>
    </message>
    <message>
        <source>Bereite lokales Sprachmodell vor…</source>
        <translation>Preparing local speech model…</translation>
    </message>
    <message>
        <source>Lade lokales Sprachmodell…</source>
        <translation>Loading local speech model…</translation>
    </message>
    <message>
        <source>Hört zu…</source>
        <translation>Listening…</translation>
    </message>
    <message>
        <source>Keine Audioquelle fürs Mitlaufen. Mikrofon wählen.</source>
        <translation>No audio source to follow. Choose a microphone.</translation>
    </message>
    <message>
        <source>Keine lokale Spracherkennung für diese Sprache.</source>
        <translation>No local speech recognition for this language.</translation>
    </message>
    <message>
        <source>Sprachmodell: %1</source>
        <translation>Speech model: %1</translation>
    </message>
    <message>
        <source>Spracherkennung: %1</source>
        <translation>Speech recognition: %1</translation>
    </message>
</context>
<context>
    <name>tandrel::ImportSheet</name>
    <message>
        <source>Markdown importieren</source>
        <translation>Import Markdown</translation>
    </message>
    <message>
        <source>Blöcke mit --- trennen. Überschrift `# 012 Titel` setzt Nummer und Namen, der Rest ist Teleprompter-Text. Existierende Nummern werden aktualisiert.</source>
        <translation>Separate blocks with ---. A heading `# 012 Title` sets number and name, the rest is teleprompter text. Existing numbers are updated.</translation>
    </message>
    <message>
        <source>Datei öffnen…</source>
        <translation>Open File…</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Importieren</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>Text und Markdown (*.md *.markdown *.txt *.text)</source>
        <translation>Text and Markdown (*.md *.markdown *.txt *.text)</translation>
    </message>
    <message>
        <source>Alle Dateien (*)</source>
        <translation>All Files (*)</translation>
    </message>
    <message>
        <source>Die Datei ist kein UTF-8-Text.</source>
        <translation>The file is not UTF-8 text.</translation>
    </message>
    <message>
        <source>Die Datei konnte nicht gelesen werden: %1</source>
        <translation>The file could not be read: %1</translation>
    </message>
</context>
<context>
    <name>tandrel::LibraryErrorText</name>
    <message>
        <source>Reel %1</source>
        <translation>Reel %1</translation>
    </message>
    <message>
        <source>Objekt nicht abgeschlossen</source>
        <translation>unterminated object</translation>
    </message>
    <message>
        <source>Doppelpunkt fehlt</source>
        <translation>missing colon</translation>
    </message>
    <message>
        <source>Liste nicht abgeschlossen</source>
        <translation>unterminated list</translation>
    </message>
    <message>
        <source>Komma fehlt</source>
        <translation>missing comma</translation>
    </message>
    <message>
        <source>ungültiger Wert</source>
        <translation>invalid value</translation>
    </message>
    <message>
        <source>Ende mitten in einer Zahl</source>
        <translation>end in the middle of a number</translation>
    </message>
    <message>
        <source>ungültige Zahl</source>
        <translation>invalid number</translation>
    </message>
    <message>
        <source>ungültige Escape-Sequenz</source>
        <translation>invalid escape sequence</translation>
    </message>
    <message>
        <source>ungültiges UTF-8</source>
        <translation>invalid UTF-8</translation>
    </message>
    <message>
        <source>Zeichenkette nicht abgeschlossen</source>
        <translation>unterminated string</translation>
    </message>
    <message>
        <source>Objekt erwartet</source>
        <translation>object expected</translation>
    </message>
    <message>
        <source>zu tief verschachtelt</source>
        <translation>nested too deeply</translation>
    </message>
    <message>
        <source>Dokument zu groß</source>
        <translation>document too large</translation>
    </message>
    <message>
        <source>überzählige Zeichen am Ende</source>
        <translation>extra characters at the end</translation>
    </message>
    <message>
        <source>unbekannter Fehler</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>Kein Ordner für die Bibliothek angegeben.</source>
        <translation>No folder given for the library.</translation>
    </message>
    <message>
        <source>Der Ordner %1 konnte nicht angelegt werden.</source>
        <translation>The folder %1 could not be created.</translation>
    </message>
    <message>
        <source>Die Bibliothek wird gerade von einem anderen Programm geändert. Bitte gleich noch einmal versuchen.</source>
        <translation>Another program is changing the library right now. Please try again in a moment.</translation>
    </message>
    <message>
        <source>Keine Berechtigung für die Sperrdatei der Bibliothek.</source>
        <translation>No permission for the library&apos;s lock file.</translation>
    </message>
    <message>
        <source>Die Sperrdatei der Bibliothek konnte nicht angelegt werden.</source>
        <translation>The library&apos;s lock file could not be created.</translation>
    </message>
    <message>
        <source>Die unlesbare Datei konnte nicht beiseitegelegt werden: %1</source>
        <translation>The unreadable file could not be moved aside: %1</translation>
    </message>
    <message>
        <source>Ungültiges JSON an Position %1 (%2).</source>
        <translation>Invalid JSON at position %1 (%2).</translation>
    </message>
    <message>
        <source>Die Datei enthält keine Liste von Reels.</source>
        <translation>The file does not hold a list of reels.</translation>
    </message>
    <message>
        <source>Das Reel ist kein Objekt.</source>
        <translation>The reel is not an object.</translation>
    </message>
    <message>
        <source>Der Take ist kein Objekt.</source>
        <translation>The take is not an object.</translation>
    </message>
    <message>
        <source>Ein Sprechabschnitt ist kein Objekt.</source>
        <translation>A speech interval is not an object.</translation>
    </message>
    <message>
        <source>Ein Wort ist kein Objekt.</source>
        <translation>A word is not an object.</translation>
    </message>
    <message>
        <source>Feld „%1“ fehlt.</source>
        <translation>Field “%1” is missing.</translation>
    </message>
    <message>
        <source>Feld „%1“ ist leer (null).</source>
        <translation>Field “%1” is empty (null).</translation>
    </message>
    <message>
        <source>Feld „%1“ hat den falschen Typ.</source>
        <translation>Field “%1” has the wrong type.</translation>
    </message>
    <message>
        <source>Feld „%1“ ist keine gültige UUID: %2</source>
        <translation>Field “%1” is not a valid UUID: %2</translation>
    </message>
    <message>
        <source>Feld „%1“ ist kein gültiges Datum: %2</source>
        <translation>Field “%1” is not a valid date: %2</translation>
    </message>
    <message>
        <source>Eine Zahl ist nicht endlich.</source>
        <translation>A number is not finite.</translation>
    </message>
    <message>
        <source>Der Wert von „%1“ ist keine endliche Zahl.</source>
        <translation>The value of “%1” is not a finite number.</translation>
    </message>
    <message>
        <source>Das Datum in „%1“ lässt sich nicht schreiben.</source>
        <translation>The date in “%1” cannot be written.</translation>
    </message>
    <message>
        <source>Das ist nicht mehr in der Bibliothek.</source>
        <translation>That is no longer in the library.</translation>
    </message>
    <message>
        <source>Es gibt keine freie Reel-Nummer mehr: Die höchste mögliche Nummer ist vergeben.</source>
        <translation>There is no free reel number left: the highest possible number is taken.</translation>
    </message>
    <message>
        <source>Auf diesem Laufwerk gibt es keinen Papierkorb.</source>
        <translation>This drive has no trash.</translation>
    </message>
    <message>
        <source>%1 konnte nicht gelöscht werden.</source>
        <translation>%1 could not be deleted.</translation>
    </message>
    <message>
        <source>%1 konnte nicht in den Papierkorb verschoben werden: %2</source>
        <translation>%1 could not be moved to the trash: %2</translation>
    </message>
    <message>
        <source>%1 konnte nicht gelöscht werden: %2</source>
        <translation>%1 could not be deleted: %2</translation>
    </message>
    <message>
        <source>Es bleibt in der Bibliothek.</source>
        <translation>It stays in the library.</translation>
    </message>
    <message>
        <source>Sein Ordner bleibt unter %1.</source>
        <translation>Its folder stays at %1.</translation>
    </message>
    <message>
        <source>Take konnte nicht in den Papierkorb verschoben werden: %1</source>
        <translation>The take could not be moved to the trash: %1</translation>
    </message>
    <message>
        <source>Take konnte nicht gelöscht werden: %1</source>
        <translation>The take could not be deleted: %1</translation>
    </message>
    <message>
        <source>Er bleibt in der Bibliothek.</source>
        <translation>It stays in the library.</translation>
    </message>
    <message>
        <source>Reel %1: </source>
        <translation>Reel %1: </translation>
    </message>
    <message>
        <source>Reel %1 (%2): </source>
        <translation>Reel %1 (%2): </translation>
    </message>
    <message>
        <source>Take %1: </source>
        <translation>Take %1: </translation>
    </message>
    <message>
        <source>Sprechabschnitt %1: </source>
        <translation>Speech interval %1: </translation>
    </message>
    <message>
        <source>Wort %1: </source>
        <translation>Word %1: </translation>
    </message>
    <message>
        <source>Bibliothek konnte nicht gelesen werden: </source>
        <translation>Could not read the library: </translation>
    </message>
    <message>
        <source>Bibliothek konnte nicht gespeichert werden: </source>
        <translation>Could not save the library: </translation>
    </message>
    <message>
        <source>1 Take wiederhergestellt.</source>
        <translation>1 take recovered.</translation>
    </message>
    <message>
        <source>%1 Takes wiederhergestellt.</source>
        <translation>%1 takes recovered.</translation>
    </message>
</context>
<context>
    <name>tandrel::MainWindow</name>
    <message>
        <source>Reels</source>
        <translation>Reels</translation>
    </message>
    <message>
        <source>Neues Reel</source>
        <translation>New Reel</translation>
    </message>
    <message>
        <source>Markdown importieren</source>
        <translation>Import Markdown</translation>
    </message>
    <message>
        <source>Erneut versuchen</source>
        <translation>Try Again</translation>
    </message>
    <message>
        <source>Anderen Ordner wählen…</source>
        <translation>Choose Another Folder…</translation>
    </message>
    <message>
        <source>Der Bibliotheksordner %1 ist nicht erreichbar (er fehlt, ist nicht eingehängt oder ohne Berechtigung). Bis er wieder da ist, arbeitet Tandrel im Standardordner %2.</source>
        <translation>The library folder %1 cannot be reached (it is missing, not mounted or not permitted). Until it is back, Tandrel works in the default folder %2.</translation>
    </message>
    <message>
        <source>Der Bibliotheksordner %1 ist noch immer nicht erreichbar.</source>
        <translation>The library folder %1 still cannot be reached.</translation>
    </message>
    <message>
        <source>1 Reel importiert.</source>
        <translation>1 reel imported.</translation>
    </message>
    <message>
        <source>%1 Reels importiert.</source>
        <translation>%1 reels imported.</translation>
    </message>
    <message>
        <source>Im Dateimanager zeigen</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Reel %1 in den Papierkorb verschoben.</source>
        <translation>Reel %1 moved to the trash.</translation>
    </message>
    <message>
        <source>Reel %1 endgültig löschen?</source>
        <translation>Delete reel %1 for good?</translation>
    </message>
    <message>
        <source>Auf dem Laufwerk der Bibliothek gibt es keinen Papierkorb. Der Ordner des Reels mit seinem Take wird gelöscht und lässt sich nicht wiederherstellen.</source>
        <translation>The library’s drive has no trash. The reel’s folder with its take will be deleted and cannot be restored.</translation>
    </message>
    <message>
        <source>Auf dem Laufwerk der Bibliothek gibt es keinen Papierkorb. Der Ordner des Reels mit seinen %1 Takes wird gelöscht und lässt sich nicht wiederherstellen.</source>
        <translation>The library’s drive has no trash. The reel’s folder with its %1 takes will be deleted and cannot be restored.</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tandrel::MediaFailureText</name>
    <message>
        <source>Datei konnte nicht gelesen werden: %1 (%2)</source>
        <translation>File could not be read: %1 (%2)</translation>
    </message>
    <message>
        <source>Keine WAV-Datei: %1</source>
        <translation>Not a WAV file: %1</translation>
    </message>
    <message>
        <source>Beschädigte WAV-Datei (Formatangabe zu kurz): %1</source>
        <translation>Damaged WAV file (format chunk too short): %1</translation>
    </message>
    <message>
        <source>Beschädigte WAV-Datei (keine Formatangabe): %1</source>
        <translation>Damaged WAV file (no format chunk): %1</translation>
    </message>
    <message>
        <source>Beschädigte WAV-Datei (keine Audiodaten): %1</source>
        <translation>Damaged WAV file (no audio data): %1</translation>
    </message>
    <message>
        <source>Nicht unterstütztes WAV-Format in %1: gelesen werden nur 16-Bit-PCM und 32-Bit-Gleitkomma.</source>
        <translation>Unsupported WAV format in %1: only 16-bit PCM and 32-bit float can be read.</translation>
    </message>
    <message>
        <source>Beschädigte WAV-Datei (ungültige Formatangabe): %1</source>
        <translation>Damaged WAV file (invalid format chunk): %1</translation>
    </message>
    <message>
        <source>Mediendatei %1 konnte nicht gelesen werden: %2</source>
        <translation>Could not read media file %1: %2</translation>
    </message>
    <message>
        <source>Datei ist beschädigt</source>
        <translation>The file is damaged</translation>
    </message>
    <message>
        <source>keine abspielbaren Daten</source>
        <translation>no playable data</translation>
    </message>
    <message>
        <source>Datei konnte nicht geschrieben werden: %1 (%2)</source>
        <translation>Could not write file: %1 (%2)</translation>
    </message>
    <message>
        <source>kein Inhaltsverzeichnis</source>
        <translation>no index</translation>
    </message>
    <message>
        <source>keine Spuren</source>
        <translation>no tracks</translation>
    </message>
    <message>
        <source>keine Tonspur mit Schnittliste</source>
        <translation>no audio track with an edit list</translation>
    </message>
</context>
<context>
    <name>tandrel::MenuCommands</name>
    <message>
        <source>Datei</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Neues Reel</source>
        <translation>New Reel</translation>
    </message>
    <message>
        <source>Markdown importieren…</source>
        <translation>Import Markdown…</translation>
    </message>
    <message>
        <source>Einstellungen…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>Beenden</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Aufnahme</source>
        <translation>Recording</translation>
    </message>
    <message>
        <source>Aufnahme starten</source>
        <translation>Start Recording</translation>
    </message>
    <message>
        <source>Teleprompter</source>
        <translation>Teleprompter</translation>
    </message>
    <message>
        <source>Aufnahme stoppen</source>
        <translation>Stop Recording</translation>
    </message>
</context>
<context>
    <name>tandrel::ModelNotice</name>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tandrel::ModelProblemText</name>
    <message>
        <source>%1 von %2 Bytes erhalten</source>
        <translation>%1 of %2 bytes received</translation>
    </message>
    <message>
        <source>Prüfsumme %1 statt %2</source>
        <translation>checksum %1 instead of %2</translation>
    </message>
    <message>
        <source>„%1“ ist keine Sprache (etwa de-DE).</source>
        <translation>“%1” is not a language (such as de-DE).</translation>
    </message>
    <message>
        <source>Der Ordner %1 konnte nicht angelegt werden.</source>
        <translation>The folder %1 could not be created.</translation>
    </message>
    <message>
        <source>In %1 lässt sich nichts anlegen: %2</source>
        <translation>Nothing can be created in %1: %2</translation>
    </message>
    <message>
        <source>In %1 lässt sich nichts anlegen.</source>
        <translation>Nothing can be created in %1.</translation>
    </message>
    <message>
        <source>Das Archiv %1 gibt es nicht.</source>
        <translation>The archive %1 does not exist.</translation>
    </message>
    <message>
        <source>tar ließ sich nicht starten: %1</source>
        <translation>tar could not be started: %1</translation>
    </message>
    <message>
        <source>Das Archiv %1 ließ sich nicht entpacken: %2</source>
        <translation>The archive %1 could not be unpacked: %2</translation>
    </message>
    <message>
        <source>%1 ließ sich nicht zum Modell legen.</source>
        <translation>%1 could not be added to the model.</translation>
    </message>
    <message>
        <source>Das Archiv %1 enthält kein PocketSphinx-Modell (akustisches Modell mit mdef und ein Wörterbuch).</source>
        <translation>The archive %1 holds no PocketSphinx model (an acoustic model with mdef and a dictionary).</translation>
    </message>
    <message>
        <source>Das alte Modell in %1 ließ sich nicht ersetzen.</source>
        <translation>The old model in %1 could not be replaced.</translation>
    </message>
    <message>
        <source>Das Modell ließ sich nicht nach %1 verschieben.</source>
        <translation>The model could not be moved to %1.</translation>
    </message>
    <message>
        <source>Das Modell in %1 ist unvollständig.</source>
        <translation>The model in %1 is incomplete.</translation>
    </message>
    <message>
        <source>%1 konnte nicht gelesen werden.</source>
        <translation>%1 could not be read.</translation>
    </message>
    <message>
        <source>%1 konnte nicht gelesen werden: %2</source>
        <translation>%1 could not be read: %2</translation>
    </message>
    <message>
        <source>Das Modell in %1 gehört zum System und lässt sich hier nicht entfernen.</source>
        <translation>The model in %1 belongs to the system and cannot be removed here.</translation>
    </message>
    <message>
        <source>Das Modell in %1 ließ sich nicht entfernen.</source>
        <translation>The model in %1 could not be removed.</translation>
    </message>
</context>
<context>
    <name>tandrel::RecordWorkspace</name>
    <message>
        <source>Nr.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Titel</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>Video horizontal spiegeln</source>
        <translation>Flip video horizontally</translation>
    </message>
    <message>
        <source>Video vertikal spiegeln</source>
        <translation>Flip video vertically</translation>
    </message>
    <message>
        <source>Strg+R</source>
        <translation>Ctrl+R</translation>
    </message>
    <message>
        <source>Teleprompter</source>
        <translation>Teleprompter</translation>
    </message>
    <message>
        <source>Strg+T</source>
        <translation>Ctrl+T</translation>
    </message>
    <message>
        <source>Strg+E</source>
        <translation>Ctrl+E</translation>
    </message>
    <message>
        <source>Reel fertigstellen…</source>
        <translation>Finish Reel…</translation>
    </message>
    <message>
        <source>Noch keine Aufnahmen. Video (Kamera, HDMI oder Bildschirm) und Audio wählen, 9:16-Ausschnitt setzen, dann aufnehmen.</source>
        <translation>No recordings yet. Choose video (camera, HDMI or screen) and audio, set the 9:16 crop, then record.</translation>
    </message>
    <message>
        <source>Der Teleprompter liegt auf dem aufgenommenen Bildschirm und ist im Video zu sehen.</source>
        <translation>The teleprompter is on the recorded screen and can be seen in the video.</translation>
    </message>
    <message>
        <source>Takes</source>
        <translation>Takes</translation>
    </message>
    <message>
        <source>Teleprompter-Text</source>
        <translation>Teleprompter Text</translation>
    </message>
    <message>
        <source>Keine</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Aufnahme</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Dieser Reel hat noch keine Takes.</source>
        <translation>This reel has no takes yet.</translation>
    </message>
    <message>
        <source>Take löschen?</source>
        <translation>Delete take?</translation>
    </message>
    <message>
        <source>Video und Audio dieses Takes werden in den Papierkorb verschoben.</source>
        <translation>This take’s video and audio will be moved to the trash.</translation>
    </message>
    <message>
        <source>Video und Audio dieses Takes werden endgültig gelöscht: Auf diesem Laufwerk gibt es keinen Papierkorb.</source>
        <translation>This take’s video and audio will be deleted for good: this drive has no trash.</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tandrel::RecordingSession</name>
    <message>
        <source>Während der Aufnahme kann der Bibliothekspfad nicht geändert werden.</source>
        <translation>The library path cannot be changed while recording.</translation>
    </message>
</context>
<context>
    <name>tandrel::ReelListModel</name>
    <message>
        <source>Keine Takes</source>
        <translation>No takes</translation>
    </message>
    <message>
        <source>1 Take</source>
        <translation>1 take</translation>
    </message>
    <message>
        <source>%1 Takes</source>
        <translation>%1 takes</translation>
    </message>
</context>
<context>
    <name>tandrel::RenderErrorText</name>
    <message>
        <source>Der Take hat weder Video noch Ton.</source>
        <translation>The take has neither video nor sound.</translation>
    </message>
    <message>
        <source>Die Datei „%1“ des Takes fehlt oder ist nicht lesbar.</source>
        <translation>The take’s file “%1” is missing or cannot be read.</translation>
    </message>
    <message>
        <source>Auf dem Datenträger ist nicht genug Platz für den fertigen Reel (%1).</source>
        <translation>There is not enough room on the disk for the finished reel (%1).</translation>
    </message>
    <message>
        <source>Der fertige Reel konnte nicht in „%1“ geschrieben werden.</source>
        <translation>The finished reel could not be written to “%1”.</translation>
    </message>
    <message>
        <source>Der fertige Reel konnte nicht erstellt werden: MLT fehlt oder ist unvollständig.</source>
        <translation>The finished reel could not be made: MLT is missing or incomplete.</translation>
    </message>
    <message>
        <source>Abgebrochen.</source>
        <translation>Cancelled.</translation>
    </message>
</context>
<context>
    <name>tandrel::SettingsWindow</name>
    <message>
        <source>Einstellungen</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Bibliothek</source>
        <translation>Library</translation>
    </message>
    <message>
        <source>Ordner für Reels, Takes und Exporte.</source>
        <translation>Folder for reels, takes and exports.</translation>
    </message>
    <message>
        <source>Ordner wählen…</source>
        <translation>Choose Folder…</translation>
    </message>
    <message>
        <source>Im Dateimanager zeigen</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>Schnittprogramm</source>
        <translation>Video editor</translation>
    </message>
    <message>
        <source>Pausen kürzen, die länger sind als</source>
        <translation>Shorten pauses longer than</translation>
    </message>
    <message>
        <source>Fertiger Reel</source>
        <translation>Finished reel</translation>
    </message>
    <message>
        <source>Während einer Aufnahme bleibt der Ordner unverändert.</source>
        <translation>The folder stays unchanged during a recording.</translation>
    </message>
    <message>
        <source>Aufnahmen im bisherigen Ordner bleiben dort liegen.</source>
        <translation>Recordings in the previous folder stay there.</translation>
    </message>
    <message>
        <source>Ordner für die Reel-Bibliothek</source>
        <translation>Folder for the reel library</translation>
    </message>
    <message>
        <source>Auswählen</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>Gilt ab dem nächsten Start.</source>
        <translation>Takes effect at the next start.</translation>
    </message>
    <message>
        <source>Sprache der Oberfläche</source>
        <translation>Interface language</translation>
    </message>
</context>
<context>
    <name>tandrel::SpeechModelPanel</name>
    <message>
        <source>Automatisch</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Sprache der Skripte</source>
        <translation>Language of the scripts</translation>
    </message>
    <message>
        <source>Spracherkennung</source>
        <translation>Speech recognition</translation>
    </message>
    <message>
        <source>Modelle, mit denen der Teleprompter der Stimme folgt. Ohne Modell der Skriptsprache hört das englische Modell mit.</source>
        <translation>Models the teleprompter follows the voice with. Without a model for the script’s language, the English model listens.</translation>
    </message>
    <message>
        <source>Installiert</source>
        <translation>Installed</translation>
    </message>
    <message>
        <source>Entfernen</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Gehört zum System (Paket) und bleibt installiert.</source>
        <translation>Belongs to the system (package) and stays installed.</translation>
    </message>
    <message>
        <source>Zum Laden</source>
        <translation>Available to download</translation>
    </message>
    <message>
        <source>Abbrechen</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>tandrel::SpeechModelTexts</name>
    <message>
        <source>Deutsch</source>
        <translation>German</translation>
    </message>
    <message>
        <source>Deutsches</source>
        <translation>German</translation>
    </message>
    <message>
        <source>deutschen</source>
        <translation>German</translation>
    </message>
    <message>
        <source>Englisch</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Englisches</source>
        <translation>English</translation>
    </message>
    <message>
        <source>englischen</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Französisch</source>
        <translation>French</translation>
    </message>
    <message>
        <source>Französisches</source>
        <translation>French</translation>
    </message>
    <message>
        <source>französischen</source>
        <translation>French</translation>
    </message>
    <message>
        <source>Spanisch</source>
        <translation>Spanish</translation>
    </message>
    <message>
        <source>Spanisches</source>
        <translation>Spanish</translation>
    </message>
    <message>
        <source>spanischen</source>
        <translation>Spanish</translation>
    </message>
    <message>
        <source>Italienisch</source>
        <translation>Italian</translation>
    </message>
    <message>
        <source>Italienisches</source>
        <translation>Italian</translation>
    </message>
    <message>
        <source>italienischen</source>
        <translation>Italian</translation>
    </message>
    <message>
        <source>Niederländisch</source>
        <translation>Dutch</translation>
    </message>
    <message>
        <source>Niederländisches</source>
        <translation>Dutch</translation>
    </message>
    <message>
        <source>niederländischen</source>
        <translation>Dutch</translation>
    </message>
    <message>
        <source>Portugiesisch</source>
        <translation>Portuguese</translation>
    </message>
    <message>
        <source>Portugiesisches</source>
        <translation>Portuguese</translation>
    </message>
    <message>
        <source>portugiesischen</source>
        <translation>Portuguese</translation>
    </message>
    <message>
        <source>Russisch</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>Russisches</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>russischen</source>
        <translation>Russian</translation>
    </message>
    <message>
        <source>Griechisch</source>
        <translation>Greek</translation>
    </message>
    <message>
        <source>Griechisches</source>
        <translation>Greek</translation>
    </message>
    <message>
        <source>griechischen</source>
        <translation>Greek</translation>
    </message>
    <message>
        <source>Chinesisch</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>Chinesisches</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>chinesischen</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>%1-Modell laden (%2 MB)</source>
        <translation>Download %1 model (%2 MB)</translation>
    </message>
    <message>
        <source>%1 Modell laden (%2 MB)</source>
        <translation>Download %1 model (%2 MB)</translation>
    </message>
    <message>
        <source>Mit dem Modell für %1</source>
        <translation>With the model for %1</translation>
    </message>
    <message>
        <source>Mit dem %1 Modell</source>
        <translation>With the %1 model</translation>
    </message>
    <message>
        <source>Für %1 ist kein Sprachmodell installiert. %2 folgt der Text ungenauer.</source>
        <translation>No speech model is installed for %1. %2, the text follows less precisely.</translation>
    </message>
    <message>
        <source>Verbinde…</source>
        <translation>Connecting…</translation>
    </message>
    <message>
        <source>Entpacke und prüfe das Modell…</source>
        <translation>Unpacking and checking the model…</translation>
    </message>
    <message>
        <source>%1 von %2 MB</source>
        <translation>%1 of %2 MB</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 · noch %2</source>
        <translation>%1 · %2 left</translation>
    </message>
    <message>
        <source>Keine Verbindung zum Server: Das Sprachmodell konnte nicht geladen werden%1.</source>
        <translation>No connection to the server: the speech model could not be downloaded%1.</translation>
    </message>
    <message>
        <source>Der Server hat das Sprachmodell nicht geliefert%1.</source>
        <translation>The server did not deliver the speech model%1.</translation>
    </message>
    <message>
        <source>Auf dem Datenträger ist kein Platz für das Sprachmodell%1.</source>
        <translation>There is no room on the disk for the speech model%1.</translation>
    </message>
    <message>
        <source>Das geladene Sprachmodell ist unvollständig oder beschädigt%1.</source>
        <translation>The downloaded speech model is incomplete or damaged%1.</translation>
    </message>
    <message>
        <source>Das Sprachmodell lässt sich nicht speichern%1.</source>
        <translation>The speech model cannot be saved%1.</translation>
    </message>
</context>
<context>
    <name>tandrel::SpeechProblemText</name>
    <message>
        <source>Keine lokale Spracherkennung für diese Sprache.</source>
        <translation>No local speech recognition for this language.</translation>
    </message>
    <message>
        <source>Das Sprachmodell wird gerade installiert.</source>
        <translation>The speech model is being installed.</translation>
    </message>
    <message>
        <source>Das Sprachmodell für %1 wurde nicht fertig installiert.</source>
        <translation>The speech model for %1 was not fully installed.</translation>
    </message>
    <message>
        <source>Ungültige Decoder-Optionen: %1</source>
        <translation>Invalid decoder options: %1</translation>
    </message>
    <message>
        <source>Das Sprachmodell in %1 konnte nicht geladen werden.</source>
        <translation>The speech model in %1 could not be loaded.</translation>
    </message>
    <message>
        <source>Das Sprachmodell in %1 kennt kein Wort des Skripts und bringt kein allgemeines Sprachmodell mit.</source>
        <translation>The speech model in %1 knows no word of the script and has no general language model.</translation>
    </message>
    <message>
        <source>Der Decoder ließ sich nicht starten.</source>
        <translation>The decoder could not be started.</translation>
    </message>
    <message>
        <source>Der Decoder hat Audio bei %1 s nicht verarbeitet.</source>
        <translation>The decoder did not process the audio at %1 s.</translation>
    </message>
    <message>
        <source>Das Audio für die Wortzeiten ist nicht 16 kHz mono.</source>
        <translation>The audio for the word timings is not 16 kHz mono.</translation>
    </message>
    <message>
        <source>Abgebrochen.</source>
        <translation>Cancelled.</translation>
    </message>
</context>
<context>
    <name>tandrel::TakeCaptioner</name>
    <message>
        <source>Die Wortzeiten konnten nicht bestimmt werden.</source>
        <translation>The word timings could not be determined.</translation>
    </message>
</context>
<context>
    <name>tandrel::TakeList</name>
    <message>
        <source>Im Dateimanager zeigen</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>Untertitel erzeugen</source>
        <translation>Create Captions</translation>
    </message>
    <message>
        <source>Reel fertigstellen…</source>
        <translation>Finish Reel…</translation>
    </message>
    <message>
        <source>Löschen</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>tandrel::TakeListDelegate</name>
    <message>
        <source>Take löschen</source>
        <translation>Delete take</translation>
    </message>
    <message>
        <source>letzter Take</source>
        <translation>latest take</translation>
    </message>
    <message>
        <source>Sprache und Pausen des Takes&lt;br&gt;&lt;span style=&quot;color:%1&quot;&gt;■■&lt;/span&gt; farbig: gesprochen&lt;br&gt;&lt;span style=&quot;color:%2&quot;&gt;■■&lt;/span&gt; grau: Pause</source>
        <translation>Speech and pauses of the take&lt;br&gt;&lt;span style=&quot;color:%1&quot;&gt;■■&lt;/span&gt; coloured: spoken&lt;br&gt;&lt;span style=&quot;color:%2&quot;&gt;■■&lt;/span&gt; grey: pause</translation>
    </message>
</context>
<context>
    <name>tandrel::TakeListModel</name>
    <message>
        <source>Untertitel werden erzeugt … %1 %</source>
        <translation>Creating captions … %1 %</translation>
    </message>
    <message>
        <source>Untertitel werden erzeugt …</source>
        <translation>Creating captions …</translation>
    </message>
    <message>
        <source>%1 · Keine Untertitel</source>
        <translation>%1 · No captions</translation>
    </message>
    <message>
        <source>Untertitel konnten nicht erzeugt werden: %1</source>
        <translation>Captions could not be created: %1</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>%1 % des Textes</source>
        <translation>%1 % of the text</translation>
    </message>
    <message>
        <source>Jeder Satz des Textes ist im Take.</source>
        <translation>Every sentence of the text is in the take.</translation>
    </message>
    <message>
        <source>Nicht gesprochen:
%1</source>
        <translation>Not spoken:
%1</translation>
    </message>
</context>
<context>
    <name>tandrel::TeleprompterLayout</name>
    <message>
        <source>Kein Teleprompter-Text.</source>
        <translation>No teleprompter text.</translation>
    </message>
</context>
<context>
    <name>tandrel::TeleprompterOptions</name>
    <message>
        <source>Bildschirm</source>
        <translation>Screen</translation>
    </message>
    <message>
        <source>Leertaste pausiert, 0 setzt zurück, +/− ändert die Schrift, Esc schließt.</source>
        <translation>Space pauses, 0 rewinds, +/− changes the font, Esc closes.</translation>
    </message>
    <message>
        <source>Mit KI</source>
        <translation>With AI</translation>
    </message>
    <message>
        <source>Laufend</source>
        <translation>Steady</translation>
    </message>
    <message>
        <source>Mitscrollen</source>
        <translation>Scrolling</translation>
    </message>
    <message>
        <source>Standard</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Mitte</source>
        <translation>Centre</translation>
    </message>
    <message>
        <source>Textposition</source>
        <translation>Text position</translation>
    </message>
    <message>
        <source>Schriftgröße</source>
        <translation>Font size</translation>
    </message>
    <message>
        <source>Schrift</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>Text spiegeln</source>
        <translation>Mirror text</translation>
    </message>
    <message>
        <source>Mich im Hintergrund zeigen</source>
        <translation>Show me in the background</translation>
    </message>
    <message>
        <source>Zeigt das Videobild hinter dem Teleprompter-Text.</source>
        <translation>Shows the video picture behind the teleprompter text.</translation>
    </message>
    <message>
        <source>Darstellung</source>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>Der Text folgt deiner Stimme, lokal auf diesem Rechner.</source>
        <translation>The text follows your voice, locally on this computer.</translation>
    </message>
    <message>
        <source>Läuft gleichmäßig nach unten. Leertaste pausiert.</source>
        <translation>Scrolls down steadily. Space pauses.</translation>
    </message>
    <message>
        <source>Scrollgeschwindigkeit</source>
        <translation>Scroll speed</translation>
    </message>
    <message>
        <source>Geschwindigkeit</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Automatisch (letzter)</source>
        <translation>Automatic (last used)</translation>
    </message>
</context>
<context>
    <name>tandrel::TeleprompterView</name>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>tandrel::TeleprompterWindow</name>
    <message>
        <source>Teleprompter</source>
        <translation>Teleprompter</translation>
    </message>
</context>
<context>
    <name>tandrel::UiStyle</name>
    <message>
        <source>Hinweis</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>tandrelctl</name>
    <message>
        <source>import DATEI|-</source>
        <translation>import FILE|-</translation>
    </message>
    <message>
        <source>Importiert die Reels eines Markdown-Texts (- liest die Standardeingabe).</source>
        <translation>Imports the reels of a Markdown text (- reads standard input).</translation>
    </message>
    <message>
        <source>Listet die Reels der Bibliothek.</source>
        <translation>Lists the reels of the library.</translation>
    </message>
    <message>
        <source>show NUMMER</source>
        <translation>show NUMBER</translation>
    </message>
    <message>
        <source>Zeigt ein Reel mit Skript und Takes.</source>
        <translation>Shows a reel with its script and takes.</translation>
    </message>
    <message>
        <source>export NUMMER [--format fcpxml|kdenlive|shotcut] [--no-open]</source>
        <translation>export NUMBER [--format fcpxml|kdenlive|shotcut] [--no-open]</translation>
    </message>
    <message>
        <source>Exportiert die Takes eines Reels als Projekt für einen Schnitt.</source>
        <translation>Exports a reel’s takes as a project for a video editor.</translation>
    </message>
    <message>
        <source>FORMAT</source>
        <translation>FORMAT</translation>
    </message>
    <message>
        <source>fcpxml, kdenlive oder shotcut (sonst der gewählte Schnitt)</source>
        <translation>fcpxml, kdenlive or shotcut (otherwise the chosen editor)</translation>
    </message>
    <message>
        <source>das Projekt nicht öffnen</source>
        <translation>do not open the project</translation>
    </message>
    <message>
        <source>align --script DATEI --transcripts DATEI</source>
        <translation>align --script FILE --transcripts FILE</translation>
    </message>
    <message>
        <source>Spielt erkannte Texte gegen ein Skript ab und gibt die Leseposition aus.</source>
        <translation>Plays recognised texts against a script and prints the reading position.</translation>
    </message>
    <message>
        <source>DATEI</source>
        <translation>FILE</translation>
    </message>
    <message>
        <source>das Skript</source>
        <translation>the script</translation>
    </message>
    <message>
        <source>levels DATEI.wav [--buffer-frames N]</source>
        <translation>levels FILE.wav [--buffer-frames N]</translation>
    </message>
    <message>
        <source>Frames je Puffer</source>
        <translation>frames per buffer</translation>
    </message>
    <message>
        <source>Listet Kameras, Mikrofone und Bildschirme.</source>
        <translation>Lists cameras, microphones and screens.</translation>
    </message>
    <message>
        <source>record --reel NUMMER --seconds S [--video ID] [--audio ID] [--crop X] [--flip-h] [--flip-v]</source>
        <translation>record --reel NUMBER --seconds S [--video ID] [--audio ID] [--crop X] [--flip-h] [--flip-v]</translation>
    </message>
    <message>
        <source>Nimmt einen Take für ein Reel auf.</source>
        <translation>Records a take for a reel.</translation>
    </message>
    <message>
        <source>NUMMER</source>
        <translation>NUMBER</translation>
    </message>
    <message>
        <source>das Reel</source>
        <translation>the reel</translation>
    </message>
    <message>
        <source>Länge des Takes in Sekunden</source>
        <translation>length of the take in seconds</translation>
    </message>
    <message>
        <source>Videoquelle (siehe devices)</source>
        <translation>video source (see devices)</translation>
    </message>
    <message>
        <source>Mikrofon (siehe devices)</source>
        <translation>microphone (see devices)</translation>
    </message>
    <message>
        <source>horizontal spiegeln</source>
        <translation>flip horizontally</translation>
    </message>
    <message>
        <source>vertikal spiegeln</source>
        <translation>flip vertically</translation>
    </message>
    <message>
        <source>captions NUMMER [--take N] [--format srt|vtt]</source>
        <translation>captions NUMBER [--take N] [--format srt|vtt]</translation>
    </message>
    <message>
        <source>Gibt die Untertitel eines Takes aus (--json: die Wortzeiten).</source>
        <translation>Prints the captions of a take (--json: the word timings).</translation>
    </message>
    <message>
        <source>der Take (sonst der neueste)</source>
        <translation>the take (otherwise the newest)</translation>
    </message>
    <message>
        <source>srt oder vtt</source>
        <translation>srt or vtt</translation>
    </message>
    <message>
        <source>render NUMMER [--take N] [--keep-pauses] [--no-captions] [--output DATEI]</source>
        <translation>render NUMBER [--take N] [--keep-pauses] [--no-captions] [--output FILE]</translation>
    </message>
    <message>
        <source>Rendert einen Take als fertiges 9:16-Video mit gekürzten Pausen und Untertiteln.</source>
        <translation>Renders a take as a finished 9:16 video with shortened pauses and captions.</translation>
    </message>
    <message>
        <source>der Take (sonst der mit dem meisten Text, sonst der neueste)</source>
        <translation>the take (otherwise the one with the most text, otherwise the newest)</translation>
    </message>
    <message>
        <source>Pausen nicht kürzen</source>
        <translation>do not shorten pauses</translation>
    </message>
    <message>
        <source>keine Untertitel einbrennen</source>
        <translation>do not burn in captions</translation>
    </message>
    <message>
        <source>Zieldatei (sonst „&lt;Nummer&gt; &lt;Titel&gt;.mp4“ im Ordner des Reels)</source>
        <translation>output file (otherwise “&lt;number&gt; &lt;title&gt;.mp4” in the reel’s folder)</translation>
    </message>
    <message>
        <source>follow --script DATEI --audio DATEI.wav [--locale SPRACHE] [--fast]</source>
        <translation>follow --script FILE --audio FILE.wav [--locale LANGUAGE] [--fast]</translation>
    </message>
    <message>
        <source>Folgt einer Aufnahme durch ein Skript wie der Teleprompter.</source>
        <translation>Follows a recording through a script as the teleprompter does.</translation>
    </message>
    <message>
        <source>die Aufnahme (WAV)</source>
        <translation>the recording (WAV)</translation>
    </message>
    <message>
        <source>SPRACHE</source>
        <translation>LANGUAGE</translation>
    </message>
    <message>
        <source>Sprache des Modells, z. B. de-DE</source>
        <translation>language of the model, e.g. de-DE</translation>
    </message>
    <message>
        <source>so schnell wie dekodiert statt in Echtzeit</source>
        <translation>as fast as decoded instead of in real time</translation>
    </message>
    <message>
        <source>models [install SPRACHE | install ARCHIV|URL --locale SPRACHE [--sha256 PRÜFSUMME]]</source>
        <translation>models [install LANGUAGE | install ARCHIVE|URL --locale LANGUAGE [--sha256 CHECKSUM]]</translation>
    </message>
    <message>
        <source>Listet die Sprachmodelle oder installiert eines.</source>
        <translation>Lists the speech models or installs one.</translation>
    </message>
    <message>
        <source>Sprache des Modells</source>
        <translation>language of the model</translation>
    </message>
    <message>
        <source>PRÜFSUMME</source>
        <translation>CHECKSUM</translation>
    </message>
    <message>
        <source>erwartete SHA-256-Prüfsumme des Archivs</source>
        <translation>expected SHA-256 checksum of the archive</translation>
    </message>
    <message>
        <source>ORDNER</source>
        <translation>FOLDER</translation>
    </message>
    <message>
        <source>die Bibliothek in ORDNER statt im Ordner der Anwendung</source>
        <translation>the library in FOLDER instead of the application’s folder</translation>
    </message>
    <message>
        <source>JSON statt Text ausgeben</source>
        <translation>print JSON instead of text</translation>
    </message>
    <message>
        <source>diese Hilfe zeigen</source>
        <translation>show this help</translation>
    </message>
    <message>
        <source>Name und Version zeigen</source>
        <translation>show name and version</translation>
    </message>
    <message>
        <source>Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...

Die Bibliothek, Aufnahme und Spracherkennung von Tandrel ohne Fenster.

Befehle:
</source>
        <translation>Usage: tandrelctl [--library FOLDER] [--json] COMMAND ...

Tandrel’s library, recording and speech recognition without windows.

Commands:
</translation>
    </message>
    <message>
        <source>Optionen:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>
„tandrelctl BEFEHL --help“ oder „tandrelctl help BEFEHL“ zeigt die Optionen eines Befehls.
</source>
        <translation>
“tandrelctl COMMAND --help” or “tandrelctl help COMMAND” shows a command’s options.
</translation>
    </message>
    <message>
        <source>Aufruf: tandrelctl %1</source>
        <translation>Usage: tandrelctl %1</translation>
    </message>
    <message>
        <source>Unbekannte Option: %1</source>
        <translation>Unknown option: %1</translation>
    </message>
    <message>
        <source>Die Option %1 nimmt keinen Wert.</source>
        <translation>The option %1 takes no value.</translation>
    </message>
    <message>
        <source>Wert fehlt nach %1.</source>
        <translation>Value missing after %1.</translation>
    </message>
    <message>
        <source>Ungültiger Aufruf.</source>
        <translation>Invalid usage.</translation>
    </message>
    <message>
        <source>Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...</source>
        <translation>Usage: tandrelctl [--library FOLDER] [--json] COMMAND ...</translation>
    </message>
    <message>
        <source>Unbekannter Befehl: %1</source>
        <translation>Unknown command: %1</translation>
    </message>
    <message>
        <source>Kein Ordner für die Bibliothek angegeben.</source>
        <translation>No folder given for the library.</translation>
    </message>
    <message>
        <source>Datei konnte nicht gelesen werden: %1 (%2)</source>
        <translation>File could not be read: %1 (%2)</translation>
    </message>
    <message>
        <source>Datei ist kein gültiger UTF-8-Text: %1</source>
        <translation>File is not valid UTF-8 text: %1</translation>
    </message>
    <message>
        <source>Zeile %1 in %2 beginnt nicht mit &quot;final&quot; oder &quot;pending&quot; und einem Tabulator.</source>
        <translation>Line %1 in %2 does not begin with &quot;final&quot; or &quot;pending&quot; and a tab.</translation>
    </message>
    <message>
        <source>Der Take hat keine Tonspur: Ohne Ton gibt es keine Untertitel.</source>
        <translation>The take has no audio track: without sound there are no captions.</translation>
    </message>
    <message>
        <source>Untertitel konnten nicht erzeugt werden: %1</source>
        <translation>Captions could not be created: %1</translation>
    </message>
    <message>
        <source>„%1“ ist keine Sprache (etwa de-DE).</source>
        <translation>“%1” is not a language (such as de-DE).</translation>
    </message>
    <message>
        <source>Skript %1 konnte nicht gelesen werden: %2</source>
        <translation>Script %1 could not be read: %2</translation>
    </message>
    <message>
        <source>1 Reel importiert.</source>
        <translation>1 reel imported.</translation>
    </message>
    <message>
        <source>%1 Reels importiert.</source>
        <translation>%1 reels imported.</translation>
    </message>
    <message>
        <source>--buffer-frames erwartet eine positive ganze Zahl.</source>
        <translation>--buffer-frames expects a positive whole number.</translation>
    </message>
    <message>
        <source>wird installiert</source>
        <translation>being installed</translation>
    </message>
    <message>
        <source>Lade herunter: %1 % (%2 von %3)</source>
        <translation>Downloading: %1 % (%2 of %3)</translation>
    </message>
    <message>
        <source>Lade herunter: %1</source>
        <translation>Downloading: %1</translation>
    </message>
    <message>
        <source>Download von %1 fehlgeschlagen: %2</source>
        <translation>Download of %1 failed: %2</translation>
    </message>
    <message>
        <source>Der Download ließ sich nicht speichern: %1</source>
        <translation>The download could not be saved: %1</translation>
    </message>
    <message>
        <source>Für „%1“ gibt es kein Sprachmodell zum Laden.</source>
        <translation>There is no speech model to download for “%1”.</translation>
    </message>
    <message>
        <source>Entpacke das Sprachmodell…</source>
        <translation>Unpacking the speech model…</translation>
    </message>
    <message>
        <source>Lade herunter: %1 % (%2)</source>
        <translation>Downloading: %1 % (%2)</translation>
    </message>
    <message>
        <source>Sprachmodell %1 installiert: %2</source>
        <translation>Speech model %1 installed: %2</translation>
    </message>
    <message>
        <source>%1 lässt sich nicht anlegen: %2</source>
        <translation>%1 cannot be created: %2</translation>
    </message>
    <message>
        <source>Die Prüfsumme stimmt nicht: erwartet %1, erhalten %2.</source>
        <translation>The checksum does not match: expected %1, got %2.</translation>
    </message>
    <message>
        <source>Unbekannte Videoquelle: %1</source>
        <translation>Unknown video source: %1</translation>
    </message>
    <message>
        <source>Unbekanntes Mikrofon: %1</source>
        <translation>Unknown microphone: %1</translation>
    </message>
    <message>
        <source>Mikrofon konnte nicht geöffnet werden: %1</source>
        <translation>Microphone could not be opened: %1</translation>
    </message>
    <message>
        <source>Die Aufnahme wurde nicht abgeschlossen.</source>
        <translation>The recording was not completed.</translation>
    </message>
    <message>
        <source>Rendern: %1 %</source>
        <translation>Rendering: %1 %</translation>
    </message>
    <message>
        <source>%1 · noch %2</source>
        <translation>%1 · %2 left</translation>
    </message>
    <message>
        <source>Der Take hat noch keine Wortzeiten: Der Reel wird ohne Untertitel gerendert.</source>
        <translation>The take has no word timings yet: the reel is rendered without captions.</translation>
    </message>
    <message>
        <source>Kein Reel mit der Nummer %1.</source>
        <translation>No reel with the number %1.</translation>
    </message>
    <message>
        <source>Bibliothek nicht gefunden: Den Ordner %1 gibt es nicht.</source>
        <translation>Library not found: the folder %1 does not exist.</translation>
    </message>
    <message>
        <source>Bibliothek nicht gefunden: %1 ist kein Ordner.</source>
        <translation>Library not found: %1 is not a folder.</translation>
    </message>
    <message>
        <source>Bibliothek konnte nicht gelesen werden: Keine Berechtigung für den Ordner %1.</source>
        <translation>Library could not be read: no permission for the folder %1.</translation>
    </message>
    <message>
        <source>Reel %1 hat keine Takes.</source>
        <translation>Reel %1 has no takes.</translation>
    </message>
    <message>
        <source>Reel %1 hat nur einen Take.</source>
        <translation>Reel %1 has only one take.</translation>
    </message>
    <message>
        <source>Reel %1 hat nur %2 Takes.</source>
        <translation>Reel %1 has only %2 takes.</translation>
    </message>
    <message>
        <source>erkannte Texte, je Zeile &quot;final&quot; oder &quot;pending&quot;, ein Tabulator und der Text</source>
        <translation>recognised texts, each line &quot;final&quot; or &quot;pending&quot;, a tab and the text</translation>
    </message>
    <message>
        <source>Gibt die Sprachabschnitte einer WAV-Datei aus.</source>
        <translation>Prints the speech intervals of a WAV file.</translation>
    </message>
    <message>
        <source>Lage des 9:16-Ausschnitts: 0 links, 0,5 mittig, 1 rechts</source>
        <translation>position of the 9:16 crop: 0 left, 0.5 centred, 1 right</translation>
    </message>
</context>
</TS>
