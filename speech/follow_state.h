#pragma once

#include "speech/speech_problem.h"

#include <QString>

namespace tandrel {

// Where a run of the speech follower stands. Travels as this value; the text
// a user reads is made where it is shown. `failed` comes with the follower's
// failure and stays until the next start.
enum class FollowState {
    idle, // no run, or the run ended
    starting, // a run has begun
    preparing, // a recogniser model is being chosen
    loading, // the model is being loaded
    listening, // audio flows into the recogniser
    failed, // the run ended with a failure
};

// Why a run failed. `detail` is what the model loader or the recogniser met.
struct FollowFailure
{
    enum class Kind {
        none,
        noMicrophone, // no microphone is selected to listen to
        noRecognizer, // no installed model serves the script's language
        modelNotLoaded, // the model could not be loaded
        recognitionFailed, // the recogniser stopped with an error
    };
    Kind kind = Kind::none;
    SpeechProblem detail;
    bool operator==(const FollowFailure &) const = default;
};

} // namespace tandrel
