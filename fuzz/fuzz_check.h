#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property is a finding like a crash: report what failed and abort, so libFuzzer
// saves the input. (assert would vanish in a release build.)
#define QUELVIN_FUZZ_CHECK(condition)                                                              \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)
