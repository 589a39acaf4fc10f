#pragma once
// A tiny registry: each bench_*.cpp registers its cases with PKL_BENCH; main runs them.
#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <functional>
#include <vector>

struct BenchCase {
    const char* name;
    std::function<void()> run;
};

inline std::vector<BenchCase>& benches() {
    static std::vector<BenchCase> all;
    return all;
}

struct BenchRegistrar {
    BenchRegistrar(const char* name, std::function<void()> run) { benches().push_back({name, std::move(run)}); }
};

#define PKL_BENCH(name)                                                                                                \
    static void name();                                                                                                \
    static BenchRegistrar name##_registrar(#name, name);                                                               \
    static void name()

// Median milliseconds of runs of fn.
double medianMs(int runs, const std::function<void()>& fn);

// The peak memory of the process so far, in MB.
double peakMb();

inline void report(const char* what, double ms, double limitMs) {
    std::printf("%-48s %9.3f ms   (target < %.0f ms)%s\n", what, ms, limitMs, ms < limitMs ? "" : "  OVER");
}
