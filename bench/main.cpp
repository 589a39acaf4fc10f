// Runs the registered benchmarks (all, or those named on the command line) headless.
#include "App.h"
#include "Bench.h"
#include "WebView.h"

#include <algorithm>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

double medianMs(int runs, const std::function<void()>& fn) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        fn();
        t.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

double peakMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The copy window's run in a program of its own (bench_copy.cpp).
double timeWindowCopy(const QString& package, const QString& card);

int main(int argc, char** argv) {
#ifdef PKL_BENCH_WEBVIEW_MODULE
    setWebViewModulePath(QStringLiteral(PKL_BENCH_WEBVIEW_MODULE));
    // The benches run by hand, often as root, where the web engine's sandbox refuses to start.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
    if (argc == 4 && std::strcmp(argv[1], "--copy-window") == 0) {
        App app(argc, argv);
        std::printf("%.1f\n", timeWindowCopy(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3])));
        App::deleteWindows();
        return 0;
    }
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    App app(argc, argv);
    for (const BenchCase& b : benches()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], b.name) == 0;
        if (wanted) {
            std::printf("== %s\n", b.name);
            b.run();
        }
    }
    return 0;
}
