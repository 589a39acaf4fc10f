#pragma once
// A broken property is a finding: say which and stop, so libFuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#define PKL_FUZZ_CHECK(cond)                                                                                           \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                          \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
