#include "teleprompter/follow_status_text.h"

#include <QCoreApplication>

namespace tandrel {

QString followStatusText(FollowState state, const QString &errorText)
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
        return errorText;
    }
    return {};
}

} // namespace tandrel
