#pragma once

#include "speech/follow_state.h"

#include <QString>

namespace tandrel {

// The status line of the speech follower as the teleprompter and the record
// workspace show it: a progress text while a run starts and listens, the
// reason after a failure, nothing while idle.
QString followStatusText(FollowState state, const FollowFailure &failure);

// Why a run failed, in the user's words; empty for none.
QString followFailureText(const FollowFailure &failure);

// Why the recogniser could not load or run, or word times were not found
// ("Der Decoder ließ sich nicht starten."); empty for none.
QString speechProblemText(const SpeechProblem &problem);

} // namespace tandrel
