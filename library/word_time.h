#pragma once

#include <QString>
#include <QtGlobal>

namespace tandrel {

// When a word of the reel's script was said in a take: seconds into the
// take, the word's token index in the script the take was recorded to, and
// the word as the script spells it (with the punctuation that touches it).
struct WordTime
{
    double start = 0;
    double end = 0;
    qint64 index = 0;
    QString text;
    bool operator==(const WordTime &) const = default;
};

} // namespace tandrel
