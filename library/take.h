#pragma once

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
    bool operator==(const Take &) const = default;
};

} // namespace tandrel
