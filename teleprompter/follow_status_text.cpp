#include "teleprompter/follow_status_text.h"

namespace tandrel {

QString followStatusText(FollowState state, const QString &errorText)
{
    switch (state) {
    case FollowState::idle:
        return {};
    case FollowState::starting:
        return QStringLiteral("Starte lokales Sprachmodell…");
    case FollowState::preparing:
        return QStringLiteral("Bereite lokales Sprachmodell vor…");
    case FollowState::loading:
        return QStringLiteral("Lade lokales Sprachmodell…");
    case FollowState::listening:
        return QStringLiteral("Hört zu…");
    case FollowState::failed:
        return errorText;
    }
    return {};
}

} // namespace tandrel
