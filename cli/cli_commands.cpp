#include "cli/cli_context.h"

#include <algorithm>

namespace tandrel::cli {

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// The help's two columns: names padded to the longest one.
QString table(const QList<QPair<QString, QString>> &rows)
{
    qsizetype width = 0;
    for (const auto &[left, right] : rows)
        width = std::max(width, left.size());
    QString text;
    for (const auto &[left, right] : rows)
        text += QStringLiteral("  ") + left.leftJustified(width + 2) + right + QLatin1Char('\n');
    return text;
}

QString optionColumn(const CliOption &o)
{
    const QString name = o.name == QLatin1String("--help") ? QStringLiteral("-h, --help") : o.name;
    return o.valueName.isEmpty() ? name : name + QLatin1Char(' ') + o.valueName;
}

} // namespace

const QList<CliCommand> &cliCommands()
{
    static const QList<CliCommand> commands{
            {s("import"), runImport, s("import DATEI|-"),
             s("Importiert die Reels eines Markdown-Texts (- liest die Standardeingabe)."),
             {}},
            {s("list"), runList, s("list"), s("Listet die Reels der Bibliothek."), {}},
            {s("show"), runShow, s("show NUMMER"), s("Zeigt ein Reel mit Skript und Takes."), {}},
            {s("export"), runExport, s("export NUMMER [--format fcpxml|kdenlive|shotcut] [--no-open]"),
             s("Exportiert die Takes eines Reels als Projekt für einen Schnitt."),
             {{s("--format"), s("FORMAT"), s("fcpxml, kdenlive oder shotcut (sonst der gewählte Schnitt)")},
              {s("--no-open"), {}, s("das Projekt nicht öffnen")}}},
            {s("align"), runAlign, s("align --script DATEI --transcripts DATEI"),
             s("Spielt erkannte Texte gegen ein Skript ab und gibt die Leseposition aus."),
             {{s("--script"), s("DATEI"), s("das Skript")},
              {s("--transcripts"), s("DATEI"), s("erkannte Texte, einer je Zeile")}}},
            {s("levels"), runLevels, s("levels DATEI.wav [--buffer-frames N]"),
             s("Gibt Pegel und Sprachabschnitte einer WAV-Datei aus."),
             {{s("--buffer-frames"), s("N"), s("Frames je Puffer")}}},
            {s("devices"), runDevices, s("devices"), s("Listet Kameras, Mikrofone und Bildschirme."), {}},
            {s("record"), runRecord,
             s("record --reel NUMMER --seconds S [--video ID] [--audio ID] [--crop X] [--flip-h] [--flip-v]"),
             s("Nimmt einen Take für ein Reel auf."),
             {{s("--reel"), s("NUMMER"), s("das Reel")},
              {s("--seconds"), s("S"), s("Länge des Takes in Sekunden")},
              {s("--video"), s("ID"), s("Videoquelle (siehe devices)")},
              {s("--audio"), s("ID"), s("Mikrofon (siehe devices)")},
              {s("--crop"), s("X"), s("Mitte des 9:16-Ausschnitts, 0 bis 1")},
              {s("--flip-h"), {}, s("horizontal spiegeln")},
              {s("--flip-v"), {}, s("vertikal spiegeln")}}},
            {s("captions"), runCaptions, s("captions NUMMER [--take N] [--format srt|vtt]"),
             s("Gibt die Untertitel eines Takes aus (--json: die Wortzeiten)."),
             {{s("--take"), s("N"), s("der Take (sonst der neueste)")},
              {s("--format"), s("FORMAT"), s("srt oder vtt")}}},
            {s("render"), runRender, s("render NUMMER [--take N] [--keep-pauses] [--no-captions] [--output DATEI]"),
             s("Rendert einen Take als fertiges 9:16-Video mit gekürzten Pausen und Untertiteln."),
             {{s("--take"), s("N"), s("der Take (sonst der mit dem meisten Text, sonst der neueste)")},
              {s("--keep-pauses"), {}, s("Pausen nicht kürzen")},
              {s("--no-captions"), {}, s("keine Untertitel einbrennen")},
              {s("--output"), s("DATEI"), s("Zieldatei (sonst „<Nummer> <Titel>.mp4“ im Ordner des Reels)")}}},
            {s("follow"), runFollow, s("follow --script DATEI --audio DATEI.wav [--locale SPRACHE] [--fast]"),
             s("Folgt einer Aufnahme durch ein Skript wie der Teleprompter."),
             {{s("--script"), s("DATEI"), s("das Skript")},
              {s("--audio"), s("DATEI"), s("die Aufnahme (WAV)")},
              {s("--locale"), s("SPRACHE"), s("Sprache des Modells, z. B. de-DE")},
              {s("--fast"), {}, s("so schnell wie dekodiert statt in Echtzeit")}}},
            {s("models"), runModels,
             s("models [install SPRACHE | install ARCHIV|URL --locale SPRACHE [--sha256 PRÜFSUMME]]"),
             s("Listet die Sprachmodelle oder installiert eines."),
             {{s("--locale"), s("SPRACHE"), s("Sprache des Modells")},
              {s("--sha256"), s("PRÜFSUMME"), s("erwartete SHA-256-Prüfsumme des Archivs")}}},
    };
    return commands;
}

const QList<CliOption> &globalOptions()
{
    static const QList<CliOption> options{
            {s("--library"), s("ORDNER"), s("die Bibliothek in ORDNER statt im Ordner der Anwendung")},
            {s("--json"), {}, s("JSON statt Text ausgeben")},
            {s("--help"), {}, s("diese Hilfe zeigen")},
    };
    return options;
}

const CliCommand *findCommand(const QString &name)
{
    for (const CliCommand &c : cliCommands())
        if (c.name == name)
            return &c;
    return nullptr;
}

QString synopsis(const QString &command)
{
    const CliCommand *c = findCommand(command);
    return c ? c->synopsis : QString();
}

QString programHelp()
{
    QList<QPair<QString, QString>> commands, options;
    for (const CliCommand &c : cliCommands())
        commands.append({c.name, c.description});
    for (const CliOption &o : globalOptions())
        options.append({optionColumn(o), o.description});
    options.append({s("--version"), s("Name und Version zeigen")});
    return s("Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...\n\n"
             "Die Bibliothek, Aufnahme und Spracherkennung von Tandrel ohne Fenster.\n\nBefehle:\n")
            + table(commands) + s("\nOptionen:\n") + table(options)
            + s("\n„tandrelctl BEFEHL --help“ oder „tandrelctl help BEFEHL“ zeigt die Optionen eines Befehls.\n");
}

QString commandHelp(const CliCommand &command)
{
    QList<QPair<QString, QString>> options;
    for (const QList<CliOption> &list : {command.options, globalOptions()})
        for (const CliOption &o : list)
            options.append({optionColumn(o), o.description});
    return s("Aufruf: tandrelctl ") + command.synopsis + s("\n\n") + command.description + s("\n\nOptionen:\n")
            + table(options);
}

} // namespace tandrel::cli
