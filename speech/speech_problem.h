#pragma once

#include "media/media_failure.h"
#include "platform/atomic_file.h"

#include <QString>

namespace tandrel {

// Why the recogniser could not load or run, or word times could not be
// found. Travels as this value; the words are made where it is shown.
struct SpeechProblem
{
    enum class Kind {
        none,
        noRecognizer, // no installed model serves the script's language
        modelInstalling, // the model for the language is being installed
        installUnfinished, // the install of the model for `detail` (a locale) did not finish
        badOptions, // the decoder refused the options `detail`
        modelNotLoaded, // the acoustic model in `path` did not load
        noScriptWord, // the model in `path` knows no word of the script and has no general model
        biasNotWritten, // a search file could not be written to `path`; `write` says why
        reported, // a library's own description in `detail`
        decoderNotStarted, // the decoder did not start an utterance
        audioNotProcessed, // the decoder refused the audio at `seconds`
        notMono16k, // the audio is not 16 kHz mono
        cancelled, // the work was cancelled
        audioUnreadable, // the take's audio could not be read; `audio` says why
    };
    Kind kind = Kind::none;
    QString path{};
    QString detail{};
    double seconds = 0;
    AtomicWriteFailure write{};
    MediaFailure audio{};

    bool operator==(const SpeechProblem &) const = default;
};

} // namespace tandrel
