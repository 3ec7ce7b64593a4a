#pragma once

// The fuzz targets: each takes one input, runs the code under test on it and
// checks what that code promises. A fuzzer executable calls one of them from
// LLVMFuzzerTestOneInput; the replay test calls them all on the kept inputs.

#include <QtGlobal>
#include <cstddef>

namespace tandrel::fuzz {

int markdownImport(const quint8 *data, size_t size);
int libraryJson(const quint8 *data, size_t size);
int fcpxmlDocument(const quint8 *data, size_t size);
int scriptAligner(const quint8 *data, size_t size);
int wavReader(const quint8 *data, size_t size);

// A broken promise. Under libFuzzer it prints `what` and aborts, so that the
// input is kept as a crash; the replay test records it as a test failure.
void expect(bool condition, const char *what);

} // namespace tandrel::fuzz
