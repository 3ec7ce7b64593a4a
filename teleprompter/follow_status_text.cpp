#include "teleprompter/follow_status_text.h"

#include "platform/file_error.h"

#include <QCoreApplication>
#include <cstring>

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
    case Kind::biasNotWritten: {
        // The file-system words of the windows (app/file_error_text.cpp), which
        // this layer cannot reach.
        const char *words = fileErrorWords(problem.write.cause);
        const QString cause = words ? QCoreApplication::translate("tandrel::FileError", words)
                                    : QString::fromLocal8Bit(std::strerror(problem.write.cause.code));
        return problem.write.renaming
                ? QCoreApplication::translate("tandrel::FileErrorText", "Fehler beim Umbenennen: %1")
                          .arg(cause)
                : cause;
    }
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
        return problem.detail;
    }
    return {};
}

} // namespace tandrel
