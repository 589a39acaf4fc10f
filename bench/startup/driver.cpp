// Start-up time: from process start to the palette shown, against a bare Qt Widgets window.
// Runs both programs alternately and prints the medians and their ratio.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

static double runOnce(const QString& program) {
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, {});
    if (!p.waitForStarted())
        return -1;
    while (!p.canReadLine() && p.waitForReadyRead(10000)) {
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    p.waitForFinished();
    return p.exitCode() == 0 ? ms : -1;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString dir = QCoreApplication::applicationDirPath();
    const int runs = argc > 1 ? std::atoi(argv[1]) : 15;
    std::vector<double> bare, tool;
    runOnce(dir + QStringLiteral("/startup_bare")); // warm the file cache
    runOnce(dir + QStringLiteral("/startup_tool"));
    for (int i = 0; i < runs; ++i) {
        bare.push_back(runOnce(dir + QStringLiteral("/startup_bare")));
        tool.push_back(runOnce(dir + QStringLiteral("/startup_tool")));
    }
    std::sort(bare.begin(), bare.end());
    std::sort(tool.begin(), tool.end());
    const double b = bare[bare.size() / 2], t = tool[tool.size() / 2];
    std::printf("platform: %s, %d runs each\n", qgetenv("QT_QPA_PLATFORM").constData(), runs);
    std::printf("bare Qt Widgets window shown: %8.1f ms (median)\n", b);
    std::printf("PelkavinTool palette shown:   %8.1f ms (median)\n", t);
    std::printf("ratio: %.2fx (target <= 1.30x)\n", t / b);
    return 0;
}
