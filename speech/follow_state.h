#pragma once

namespace tandrel {

// Where a run of the speech follower stands. Travels as this value; the text
// a user reads is made where it is shown. `failed` comes with the follower's
// error text and stays until the next start.
enum class FollowState {
    idle, // no run, or the run ended
    starting, // a run has begun
    preparing, // a recogniser model is being chosen
    loading, // the model is being loaded
    listening, // audio flows into the recogniser
    failed, // the run ended with an error text
};

} // namespace tandrel
