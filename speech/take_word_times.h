#pragma once

#include "platform/result.h"
#include "speech/word_alignment.h"

#include <QString>
#include <atomic>
#include <functional>

namespace tandrel {

// The word times of a recorded take: its audio file decoded, the model for
// the script's language (`language`, or detected from the script when empty)
// chosen as following chooses it, the script aligned. Blocks for a few
// seconds per minute of take; any thread but the main one.
Result<WordAlignment, SpeechProblem> alignTakeAudio(const QString &audioPath, const QString &script,
                                                    const QString &language = {},
                                                    const std::atomic<bool> *cancelled = nullptr,
                                                    const std::function<void(double)> &progress = {});

} // namespace tandrel
