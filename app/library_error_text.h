#pragma once

#include "library/library_error.h"

#include <QString>

namespace tandrel {

// Why the library could not be read, written or changed, in the interface's
// language, with the step ("Bibliothek konnte nicht gespeichert werden: ")
// and the record inside library.json ("Reel 2: Take 1: ") in front.
QString libraryErrorText(const LibraryError &error);

// The note after start-up adopted takes a killed recording left behind.
QString recoveredTakesText(int count);

} // namespace tandrel
