// The entry point of one fuzzer executable; TANDREL_FUZZ_TARGET names the target.
#include "fuzz/fuzz_targets.h"

#include <cstdio>
#include <cstdlib>

namespace tandrel::fuzz {

void expect(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

} // namespace tandrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const quint8 *data, size_t size)
{
    return tandrel::fuzz::TANDREL_FUZZ_TARGET(data, size);
}
