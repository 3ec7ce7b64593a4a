#include "app/speech_model_texts.h"

#include <QHash>
#include <QLocale>

#include <cmath>

namespace tandrel {

namespace {

struct LanguageWords
{
    QString name; // "Deutsch"
    QString stem; // "deutsch": the adjective without its ending
};

const QHash<QString, LanguageWords> &languages()
{
    static const QHash<QString, LanguageWords> words{
            {"de", {"Deutsch", "deutsch"}},         {"en", {"Englisch", "englisch"}},
            {"fr", {"Französisch", "französisch"}}, {"es", {"Spanisch", "spanisch"}},
            {"it", {"Italienisch", "italienisch"}}, {"nl", {"Niederländisch", "niederländisch"}},
            {"pt", {"Portugiesisch", "portugiesisch"}}, {"ru", {"Russisch", "russisch"}},
            {"el", {"Griechisch", "griechisch"}},   {"zh", {"Chinesisch", "chinesisch"}},
    };
    return words;
}

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

QString languageName(const QString &language)
{
    const auto it = languages().constFind(language);
    return it == languages().cend() ? language : it->name;
}

QString loadModelButtonText(const QString &language, qint64 bytes)
{
    const auto it = languages().constFind(language);
    const QString adjective = it == languages().cend() ? language + QStringLiteral("-") : capitalised(it->stem) + QStringLiteral("es ");
    return QStringLiteral("%1Modell laden (%2 MB)").arg(adjective).arg(std::max<qint64>(1, std::llround(bytes / 1e6)));
}

QString missingModelNotice(const QString &scriptLanguage, const QString &modelLanguage)
{
    const auto model = languages().constFind(modelLanguage);
    const QString with = model == languages().cend()
            ? QStringLiteral("Mit dem Modell für %1").arg(modelLanguage)
            : QStringLiteral("Mit dem %1en Modell").arg(model->stem);
    return QStringLiteral("Für %1 ist kein Sprachmodell installiert. %2 folgt der Text ungenauer.")
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
        return QStringLiteral("Verbinde…");
    case ModelDownloadPhase::unpacking:
        return QStringLiteral("Entpacke und prüfe das Modell…");
    case ModelDownloadPhase::downloading:
        break;
    }
    const QLocale german(QLocale::German);
    QString text = QStringLiteral("%1 von %2 MB")
                           .arg(german.toString(double(progress.received) / 1e6, 'f', 1),
                                german.toString(double(progress.total) / 1e6, 'f', 1));
    if (progress.secondsLeft >= 0) {
        const qint64 seconds = std::llround(progress.secondsLeft);
        const QString left = seconds >= 60 ? QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60)
                                           : QStringLiteral("%1 s").arg(seconds);
        text += QStringLiteral(" · noch ") + left;
    }
    return text;
}

QString downloadFailureText(ModelDownloadFailure failure, const QString &detail)
{
    const QString because = detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail);
    switch (failure) {
    case ModelDownloadFailure::none:
    case ModelDownloadFailure::cancelled:
        return {};
    case ModelDownloadFailure::noConnection:
        return QStringLiteral("Keine Verbindung zum Server: Das Sprachmodell konnte nicht geladen werden%1.")
                .arg(because);
    case ModelDownloadFailure::serverError:
        return QStringLiteral("Der Server hat das Sprachmodell nicht geliefert%1.").arg(because);
    case ModelDownloadFailure::diskFull:
        return QStringLiteral("Auf dem Datenträger ist kein Platz für das Sprachmodell%1.").arg(because);
    case ModelDownloadFailure::brokenArchive:
        return QStringLiteral("Das geladene Sprachmodell ist unvollständig oder beschädigt%1.").arg(because);
    case ModelDownloadFailure::notWritable:
        return QStringLiteral("Das Sprachmodell lässt sich nicht speichern%1.").arg(because);
    }
    return {};
}

} // namespace tandrel
