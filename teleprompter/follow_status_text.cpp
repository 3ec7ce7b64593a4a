#include "teleprompter/follow_status_text.h"

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
                .arg(failure.detail);
    case FollowFailure::Kind::recognitionFailed:
        return QCoreApplication::translate("tandrel::FollowStatusText", "Spracherkennung: %1")
                .arg(failure.detail);
    }
    return {};
}

} // namespace tandrel
