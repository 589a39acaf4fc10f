#pragma once
// A broken property is a finding: say which and stop, so libFuzzer keeps the input.
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

// The syntax check's engine needs an application object; a fuzz target has none of its own.
inline void ensureApplication() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    Q_UNUSED(app);
}

#define PKL_FUZZ_CHECK(cond)                                                                                           \
    do {                                                                                                               \
        if (!(cond)) {                                                                                                 \
            std::fprintf(stderr, "property broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__);                          \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (0)
