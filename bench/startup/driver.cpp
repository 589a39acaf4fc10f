// Start-up time: from process start to the palette shown, against a bare Qt Widgets window.
// Runs both programs alternately and prints the medians and their ratio.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

static double runOnce(const QString& program, const QStringList& args = {}) {
    QProcess p;
    QElapsedTimer t;
    t.start();
    p.start(program, args);
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
    const QString tool = dir + QStringLiteral("/startup_tool");
    const QStringList shareAtStart = {QStringLiteral("--share-contexts-at-start")};
    std::vector<double> bare, own, shared;
    runOnce(dir + QStringLiteral("/startup_bare")); // warm the file cache
    runOnce(tool);
    runOnce(tool, shareAtStart);
    for (int i = 0; i < runs; ++i) {
        bare.push_back(runOnce(dir + QStringLiteral("/startup_bare")));
        own.push_back(runOnce(tool));
        shared.push_back(runOnce(tool, shareAtStart));
    }
    for (auto* v : {&bare, &own, &shared})
        std::sort(v->begin(), v->end());
    const double b = bare[bare.size() / 2], t = own[own.size() / 2], s = shared[shared.size() / 2];
    std::printf("platform: %s, %d runs each\n", qgetenv("QT_QPA_PLATFORM").constData(), runs);
    std::printf("bare Qt Widgets window shown: %8.1f ms (median)\n", b);
    std::printf("PelkavinTool palette shown:   %8.1f ms (median)\n", t);
    std::printf("ratio: %.2fx (target <= 1.30x)\n", t / b);
    std::printf("with Qt::AA_ShareOpenGLContexts at start: %8.1f ms (median, %.2fx)\n", s, s / b);
    return 0;
}
