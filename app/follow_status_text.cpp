#include "app/follow_status_text.h"

#include "app/file_error_text.h"
#include "app/media_failure_text.h"

#include <QCoreApplication>

namespace tandrel {

QString followStatusText(FollowState state, const FollowFailure &failure)
{
    switch (state) {
    case FollowState::idle:
        return {};
    case FollowState::starting:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Starte lokales Sprachmodell…");
    case FollowState::preparing:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Bereite lokales Sprachmodell vor…");
    case FollowState::loading:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Lade lokales Sprachmodell…");
    case FollowState::listening:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Hört zu…");
    case FollowState::failed:
        return followFailureText(failure);
    }
    return {};
}

QString followFailureText(const FollowFailure &failure)
{
    switch (failure.kind) {
    case FollowFailure::Kind::none:
        return {};
    case FollowFailure::Kind::noMicrophone:
        return QCoreApplication::translate("tandrel::FollowStatusText",
                                           "Keine Audioquelle fürs Mitlaufen. Mikrofon wählen.");
    case FollowFailure::Kind::noRecognizer:
        return QCoreApplication::translate("tandrel::FollowStatusText",
                                           "Keine lokale Spracherkennung für diese Sprache.");
    case FollowFailure::Kind::modelNotLoaded:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Sprachmodell: %1")
                .arg(speechProblemText(failure.detail));
    case FollowFailure::Kind::recognitionFailed:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Spracherkennung: %1")
                .arg(speechProblemText(failure.detail));
    }
    return {};
}

QString speechProblemText(const SpeechProblem &problem)
{
    using Kind = SpeechProblem::Kind;
    switch (problem.kind) {
    case Kind::none:
        return {};
    case Kind::noRecognizer:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Keine lokale Spracherkennung für diese Sprache.");
    case Kind::modelInstalling:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Das Sprachmodell wird gerade installiert.");
    case Kind::installUnfinished:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Das Sprachmodell für %1 wurde nicht fertig installiert.")
                .arg(problem.detail);
    case Kind::badOptions:
        return QCoreApplication::translate("tandrel::SpeechProblemText", "Ungültige Decoder-Optionen: %1")
                .arg(problem.detail);
    case Kind::modelNotLoaded:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Das Sprachmodell in %1 konnte nicht geladen werden.")
                .arg(problem.path);
    case Kind::noScriptWord:
        return QCoreApplication::translate(
                       "tandrel::SpeechProblemText",
                       "Das Sprachmodell in %1 kennt kein Wort des Skripts und bringt kein "
                       "allgemeines Sprachmodell mit.")
                .arg(problem.path);
    case Kind::biasNotWritten:
        return atomicWriteFailureText(problem.write);
    case Kind::reported:
        return problem.detail;
    case Kind::decoderNotStarted:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Der Decoder ließ sich nicht starten.");
    case Kind::audioNotProcessed:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Der Decoder hat Audio bei %1 s nicht verarbeitet.")
                .arg(QString::number(problem.seconds, 'f', 1));
    case Kind::notMono16k:
        return QCoreApplication::translate("tandrel::SpeechProblemText",
                                           "Das Audio für die Wortzeiten ist nicht 16 kHz mono.");
    case Kind::cancelled:
        return QCoreApplication::translate("tandrel::SpeechProblemText", "Abgebrochen.");
    case Kind::audioUnreadable:
        return mediaFailureText(problem.audio);
    }
    return {};
}

} // namespace tandrel
