#pragma once

#include <QString>

namespace tandrel {

// Pronunciations for words the recogniser's dictionary lacks (names, brands,
// numbers), made with espeak-ng's English rules and written in the
// dictionary's phone set ("tandrel" -> "T AE N D R AH L"). Empty when
// espeak-ng is not available or gives a sound the phone set has no match for.
// Thread-safe.
QString espeakPronunciation(const QString &word);

} // namespace tandrel
