#pragma once

#include <cstdio>
#include <cstdlib>

// A fuzz target's own check. A broken one aborts, which libFuzzer reports as
// a crash (keeping the input) and the replay as a failed test.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition)                                                                                   \
         ? void()                                                                                  \
         : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition),     \
            std::abort()))
