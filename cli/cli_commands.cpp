#include "cli/cli_context.h"

#include <QCoreApplication>

#include <algorithm>

namespace tandrel::cli {

namespace {

QString s(const char *text)
{
    return QString::fromUtf8(text);
}

// The words a person reads: names of commands and options stay as they are.
QString t(const char *text)
{
    return QCoreApplication::translate("tandrelctl", text);
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
            {s("import"),
             runImport,
             t(QT_TRANSLATE_NOOP("tandrelctl", "import DATEI|-")),
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "Importiert die Reels eines Markdown-Texts (- liest die Standardeingabe).")),
             {}},
            {s("list"),
             runList,
             s("list"),
             t(QT_TRANSLATE_NOOP("tandrelctl", "Listet die Reels der Bibliothek.")),
             {}},
            {s("show"),
             runShow,
             t(QT_TRANSLATE_NOOP("tandrelctl", "show NUMMER")),
             t(QT_TRANSLATE_NOOP("tandrelctl", "Zeigt ein Reel mit Skript und Takes.")),
             {}},
            {s("export"),
             runExport,
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "export NUMMER [--format fcpxml|kdenlive|shotcut] [--no-open]")),
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "Exportiert die Takes eines Reels als Projekt für einen Schnitt.")),
             {{s("--format"), t(QT_TRANSLATE_NOOP("tandrelctl", "FORMAT")),
               t(QT_TRANSLATE_NOOP("tandrelctl",
                                   "fcpxml, kdenlive oder shotcut (sonst der gewählte Schnitt)"))},
              {s("--no-open"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "das Projekt nicht öffnen"))}}},
            {s("align"),
             runAlign,
             t(QT_TRANSLATE_NOOP("tandrelctl", "align --script DATEI --transcripts DATEI")),
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "Spielt erkannte Texte gegen ein Skript ab und gibt die Leseposition aus.")),
             {{s("--script"), t(QT_TRANSLATE_NOOP("tandrelctl", "DATEI")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "das Skript"))},
              {s("--transcripts"), t(QT_TRANSLATE_NOOP("tandrelctl", "DATEI")),
               t(QT_TRANSLATE_NOOP("tandrelctl",
                                   "erkannte Texte, je Zeile \"final\" oder \"pending\", "
                                   "ein Tabulator und der Text"))}}},
            {s("levels"),
             runLevels,
             t(QT_TRANSLATE_NOOP("tandrelctl", "levels DATEI.wav [--buffer-frames N]")),
             t(QT_TRANSLATE_NOOP("tandrelctl", "Gibt die Sprachabschnitte einer WAV-Datei aus.")),
             {{s("--buffer-frames"), s("N"), t(QT_TRANSLATE_NOOP("tandrelctl", "Frames je Puffer"))}}},
            {s("devices"),
             runDevices,
             s("devices"),
             t(QT_TRANSLATE_NOOP("tandrelctl", "Listet Kameras, Mikrofone und Bildschirme.")),
             {}},
            {s("record"),
             runRecord,
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "record --reel NUMMER --seconds S [--video ID] [--audio ID] [--crop X] "
                                 "[--flip-h] [--flip-v]")),
             t(QT_TRANSLATE_NOOP("tandrelctl", "Nimmt einen Take für ein Reel auf.")),
             {{s("--reel"), t(QT_TRANSLATE_NOOP("tandrelctl", "NUMMER")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "das Reel"))},
              {s("--seconds"), s("S"), t(QT_TRANSLATE_NOOP("tandrelctl", "Länge des Takes in Sekunden"))},
              {s("--video"), s("ID"), t(QT_TRANSLATE_NOOP("tandrelctl", "Videoquelle (siehe devices)"))},
              {s("--audio"), s("ID"), t(QT_TRANSLATE_NOOP("tandrelctl", "Mikrofon (siehe devices)"))},
              {s("--crop"), s("X"),
               t(QT_TRANSLATE_NOOP("tandrelctl",
                                   "Lage des 9:16-Ausschnitts: 0 links, 0,5 mittig, 1 rechts"))},
              {s("--flip-h"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "horizontal spiegeln"))},
              {s("--flip-v"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "vertikal spiegeln"))}}},
            {s("captions"),
             runCaptions,
             t(QT_TRANSLATE_NOOP("tandrelctl", "captions NUMMER [--take N] [--format srt|vtt]")),
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "Gibt die Untertitel eines Takes aus (--json: die Wortzeiten).")),
             {{s("--take"), s("N"), t(QT_TRANSLATE_NOOP("tandrelctl", "der Take (sonst der neueste)"))},
              {s("--format"), t(QT_TRANSLATE_NOOP("tandrelctl", "FORMAT")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "srt oder vtt"))}}},
            {s("render"),
             runRender,
             t(QT_TRANSLATE_NOOP(
                     "tandrelctl",
                     "render NUMMER [--take N] [--keep-pauses] [--no-captions] [--output DATEI]")),
             t(QT_TRANSLATE_NOOP(
                     "tandrelctl",
                     "Rendert einen Take als fertiges 9:16-Video mit gekürzten Pausen und Untertiteln.")),
             {{s("--take"), s("N"),
               t(QT_TRANSLATE_NOOP("tandrelctl",
                                   "der Take (sonst der mit dem meisten Text, sonst der neueste)"))},
              {s("--keep-pauses"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "Pausen nicht kürzen"))},
              {s("--no-captions"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "keine Untertitel einbrennen"))},
              {s("--output"), t(QT_TRANSLATE_NOOP("tandrelctl", "DATEI")),
               t(QT_TRANSLATE_NOOP("tandrelctl",
                                   "Zieldatei (sonst „<Nummer> <Titel>.mp4“ im Ordner des Reels)"))}}},
            {s("follow"),
             runFollow,
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "follow --script DATEI --audio DATEI.wav [--locale SPRACHE] [--fast]")),
             t(QT_TRANSLATE_NOOP("tandrelctl",
                                 "Folgt einer Aufnahme durch ein Skript wie der Teleprompter.")),
             {{s("--script"), t(QT_TRANSLATE_NOOP("tandrelctl", "DATEI")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "das Skript"))},
              {s("--audio"), t(QT_TRANSLATE_NOOP("tandrelctl", "DATEI")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "die Aufnahme (WAV)"))},
              {s("--locale"), t(QT_TRANSLATE_NOOP("tandrelctl", "SPRACHE")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "Sprache des Modells, z. B. de-DE"))},
              {s("--fast"),
               {},
               t(QT_TRANSLATE_NOOP("tandrelctl", "so schnell wie dekodiert statt in Echtzeit"))}}},
            {s("models"),
             runModels,
             t(QT_TRANSLATE_NOOP(
                     "tandrelctl",
                     "models [install SPRACHE | install ARCHIV|URL --locale SPRACHE [--sha256 PRÜFSUMME]]")),
             t(QT_TRANSLATE_NOOP("tandrelctl", "Listet die Sprachmodelle oder installiert eines.")),
             {{s("--locale"), t(QT_TRANSLATE_NOOP("tandrelctl", "SPRACHE")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "Sprache des Modells"))},
              {s("--sha256"), t(QT_TRANSLATE_NOOP("tandrelctl", "PRÜFSUMME")),
               t(QT_TRANSLATE_NOOP("tandrelctl", "erwartete SHA-256-Prüfsumme des Archivs"))}}},
    };
    return commands;
}

const QList<CliOption> &globalOptions()
{
    static const QList<CliOption> options{
            {s("--library"), t(QT_TRANSLATE_NOOP("tandrelctl", "ORDNER")),
             t(QT_TRANSLATE_NOOP("tandrelctl", "die Bibliothek in ORDNER statt im Ordner der Anwendung"))},
            {s("--json"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "JSON statt Text ausgeben"))},
            {s("--help"), {}, t(QT_TRANSLATE_NOOP("tandrelctl", "diese Hilfe zeigen"))},
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
    options.append({s("--version"), t(QT_TRANSLATE_NOOP("tandrelctl", "Name und Version zeigen"))});
    return t(QT_TRANSLATE_NOOP("tandrelctl",
                               "Aufruf: tandrelctl [--library ORDNER] [--json] BEFEHL ...\n\n"
                               "Die Bibliothek, Aufnahme und Spracherkennung von Tandrel ohne "
                               "Fenster.\n\nBefehle:\n"))
            + table(commands) + s("\n") + t(QT_TRANSLATE_NOOP("tandrelctl", "Optionen:")) + s("\n")
            + table(options)
            + t(QT_TRANSLATE_NOOP("tandrelctl",
                                  "\n„tandrelctl BEFEHL --help“ oder „tandrelctl help BEFEHL“ zeigt die "
                                  "Optionen eines Befehls.\n"));
}

QString commandHelp(const CliCommand &command)
{
    QList<QPair<QString, QString>> options;
    for (const QList<CliOption> &list : {command.options, globalOptions()})
        for (const CliOption &o : list)
            options.append({optionColumn(o), o.description});
    return t(QT_TRANSLATE_NOOP("tandrelctl", "Aufruf: tandrelctl %1")).arg(command.synopsis) + s("\n\n")
            + command.description + s("\n\n") + t(QT_TRANSLATE_NOOP("tandrelctl", "Optionen:")) + s("\n")
            + table(options);
}

} // namespace tandrel::cli
