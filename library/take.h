#pragma once

#include "library/word_time.h"
#include "media/speech_interval.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

namespace tandrel {

// One recording of a reel. File names are bare names inside the reel's takes
// folder; a take always has at least one of them.
struct Take
{
    QUuid id;
    QDateTime recordedAt;
    std::optional<QString> videoFileName;
    std::optional<QString> audioFileName;
    double duration = 0;
    QList<SpeechInterval> speechIntervals;
    // The script's words said in the take, in script order; none until the
    // take has been aligned to its script (an empty list: aligned, and no
    // script word was heard).
    std::optional<QList<WordTime>> words;
    bool operator==(const Take &) const = default;
};

} // namespace tandrel
