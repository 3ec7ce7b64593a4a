#include "app/speech_model_texts.h"

#include "app/file_error_text.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>

#include <cmath>

namespace tandrel {

namespace {

// The forms a sentence needs, each translated on its own: German inflects
// the adjective, English does not.
struct LanguageWords
{
    const char *name; // "Deutsch"
    const char *modelAdjective; // "Deutsches" (Modell laden)
    const char *withAdjective; // "deutschen" (Mit dem … Modell)
};

const QHash<QString, LanguageWords> &languages()
{
    static const QHash<QString, LanguageWords> words{
            {"de",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Deutsch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Deutsches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "deutschen")}},
            {"en",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Englisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Englisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "englischen")}},
            {"fr",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Französisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Französisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "französischen")}},
            {"es",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Spanisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Spanisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "spanischen")}},
            {"it",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Italienisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Italienisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "italienischen")}},
            {"nl",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Niederländisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Niederländisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "niederländischen")}},
            {"pt",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Portugiesisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Portugiesisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "portugiesischen")}},
            {"ru",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Russisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Russisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "russischen")}},
            {"el",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Griechisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Griechisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "griechischen")}},
            {"zh",
             {QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Chinesisch"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "Chinesisches"),
              QT_TRANSLATE_NOOP("tandrel::SpeechModelTexts", "chinesischen")}},
    };
    return words;
}

QString translated(const char *source)
{
    return QCoreApplication::translate("tandrel::SpeechModelTexts", source);
}

} // namespace

QString languageName(const QString &language)
{
    const auto it = languages().constFind(language);
    return it == languages().cend() ? language : translated(it->name);
}

QString loadModelButtonText(const QString &language, qint64 bytes)
{
    const auto it = languages().constFind(language);
    const qint64 megabytes = std::max<qint64>(1, std::llround(bytes / 1e6));
    if (it == languages().cend())
        return QCoreApplication::translate("tandrel::SpeechModelTexts", "%1-Modell laden (%2 MB)")
                .arg(language)
                .arg(megabytes);
    return QCoreApplication::translate("tandrel::SpeechModelTexts", "%1 Modell laden (%2 MB)")
            .arg(translated(it->modelAdjective))
            .arg(megabytes);
}

QString missingModelNotice(const QString &scriptLanguage, const QString &modelLanguage)
{
    const auto model = languages().constFind(modelLanguage);
    const QString with = model == languages().cend()
            ? QCoreApplication::translate("tandrel::SpeechModelTexts", "Mit dem Modell für %1")
                      .arg(modelLanguage)
            : QCoreApplication::translate("tandrel::SpeechModelTexts", "Mit dem %1 Modell")
                      .arg(translated(model->withAdjective));
    return QCoreApplication::translate(
                   "tandrel::SpeechModelTexts",
                   "Für %1 ist kein Sprachmodell installiert. %2 folgt der Text ungenauer.")
            .arg(languageName(scriptLanguage), with);
}

QString megabytesText(qint64 bytes)
{
    return QLocale(QLocale::German).toString(double(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

QString downloadProgressText(const ModelDownloadProgress &progress)
{
    switch (progress.phase) {
    case ModelDownloadPhase::connecting:
        return QCoreApplication::translate("tandrel::SpeechModelTexts", "Verbinde…");
    case ModelDownloadPhase::unpacking:
        return QCoreApplication::translate("tandrel::SpeechModelTexts", "Entpacke und prüfe das Modell…");
    case ModelDownloadPhase::downloading:
        break;
    }
    const QLocale german(QLocale::German);
    QString text = QCoreApplication::translate("tandrel::SpeechModelTexts", "%1 von %2 MB")
                           .arg(german.toString(double(progress.received) / 1e6, 'f', 1),
                                german.toString(double(progress.total) / 1e6, 'f', 1));
    if (progress.secondsLeft >= 0) {
        const qint64 seconds = std::llround(progress.secondsLeft);
        const QString left = seconds >= 60
                ? QCoreApplication::translate("tandrel::SpeechModelTexts", "%1 min %2 s")
                          .arg(seconds / 60)
                          .arg(seconds % 60)
                : QStringLiteral("%1 s").arg(seconds);
        text = QCoreApplication::translate("tandrel::SpeechModelTexts", "%1 · noch %2").arg(text, left);
    }
    return text;
}

QString modelProblemText(const ModelProblem &problem)
{
    using Kind = ModelProblem::Kind;
    switch (problem.kind) {
    case Kind::none:
        return {};
    case Kind::reported:
        return problem.detail;
    case Kind::system:
        return fileErrorText(problem.cause);
    case Kind::httpStatus:
        return QStringLiteral("%1 %2").arg(problem.number).arg(problem.detail);
    case Kind::shortTransfer:
        return QCoreApplication::translate("tandrel::ModelProblemText", "%1 von %2 Bytes erhalten")
                .arg(problem.number)
                .arg(problem.total);
    case Kind::checksumMismatch:
        return QCoreApplication::translate("tandrel::ModelProblemText", "Prüfsumme %1 statt %2")
                .arg(problem.detail, problem.expected);
    case Kind::notALocale:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "„%1“ ist keine Sprache (etwa de-DE).")
                .arg(problem.path);
    case Kind::folderNotCreated:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "Der Ordner %1 konnte nicht angelegt werden.")
                .arg(problem.path);
    case Kind::stagingNotCreated:
        return QCoreApplication::translate("tandrel::ModelProblemText", "In %1 lässt sich nichts anlegen: %2")
                .arg(problem.path, problem.detail);
    case Kind::locked:
        return QCoreApplication::translate("tandrel::ModelProblemText", "In %1 lässt sich nichts anlegen.")
                .arg(problem.path);
    case Kind::archiveMissing:
        return QCoreApplication::translate("tandrel::ModelProblemText", "Das Archiv %1 gibt es nicht.")
                .arg(problem.path);
    case Kind::tarNotStarted:
        return QCoreApplication::translate("tandrel::ModelProblemText", "tar ließ sich nicht starten: %1")
                .arg(problem.detail);
    case Kind::notUnpacked:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "Das Archiv %1 ließ sich nicht entpacken: %2")
                .arg(problem.path, problem.detail);
    case Kind::fileNotMoved:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "%1 ließ sich nicht zum Modell legen.")
                .arg(problem.path);
    case Kind::noModel:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "Das Archiv %1 enthält kein PocketSphinx-Modell "
                                           "(akustisches Modell mit mdef und ein Wörterbuch).")
                .arg(problem.path);
    case Kind::oldModelNotReplaced:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "Das alte Modell in %1 ließ sich nicht ersetzen.")
                .arg(problem.path);
    case Kind::modelNotMoved:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "Das Modell ließ sich nicht nach %1 verschieben.")
                .arg(problem.path);
    case Kind::modelIncomplete:
        return QCoreApplication::translate("tandrel::ModelProblemText", "Das Modell in %1 ist unvollständig.")
                .arg(problem.path);
    case Kind::notRead:
        if (problem.detail.isEmpty())
            return QCoreApplication::translate("tandrel::ModelProblemText", "%1 konnte nicht gelesen werden.")
                    .arg(problem.path);
        return QCoreApplication::translate("tandrel::ModelProblemText", "%1 konnte nicht gelesen werden: %2")
                .arg(problem.path, problem.detail);
    case Kind::systemModel:
        return QCoreApplication::translate(
                       "tandrel::ModelProblemText",
                       "Das Modell in %1 gehört zum System und lässt sich hier nicht entfernen.")
                .arg(problem.path);
    case Kind::notRemoved:
        return QCoreApplication::translate("tandrel::ModelProblemText",
                                           "Das Modell in %1 ließ sich nicht entfernen.")
                .arg(problem.path);
    }
    return {};
}

QString downloadFailureText(ModelDownloadFailure failure, const ModelProblem &detail)
{
    const QString words = modelProblemText(detail);
    const QString because = words.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(words);
    switch (failure) {
    case ModelDownloadFailure::none:
    case ModelDownloadFailure::cancelled:
        return {};
    case ModelDownloadFailure::noConnection:
        return QCoreApplication::translate(
                       "tandrel::SpeechModelTexts",
                       "Keine Verbindung zum Server: Das Sprachmodell konnte nicht geladen werden%1.")
                .arg(because);
    case ModelDownloadFailure::serverError:
        return QCoreApplication::translate("tandrel::SpeechModelTexts",
                                           "Der Server hat das Sprachmodell nicht geliefert%1.")
                .arg(because);
    case ModelDownloadFailure::diskFull:
        return QCoreApplication::translate("tandrel::SpeechModelTexts",
                                           "Auf dem Datenträger ist kein Platz für das Sprachmodell%1.")
                .arg(because);
    case ModelDownloadFailure::brokenArchive:
        return QCoreApplication::translate("tandrel::SpeechModelTexts",
                                           "Das geladene Sprachmodell ist unvollständig oder beschädigt%1.")
                .arg(because);
    case ModelDownloadFailure::notWritable:
        return QCoreApplication::translate("tandrel::SpeechModelTexts",
                                           "Das Sprachmodell lässt sich nicht speichern%1.")
                .arg(because);
    }
    return {};
}

} // namespace tandrel
