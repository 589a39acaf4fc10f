// The background-colour window with a 10 MB style sheet: rules with comments, strings and Japanese
// text in front of the colour block. Opening reads the colour; saving a chosen colour reads the file
// again, rewrites the block, checks what it would write, and writes it. Memory is the growth of the
// peak resident size over both, against the file's size.
#include "BackgroundWindow.h"
#include "Bench.h"
#include "FileIO.h"
#include "PageSet.h"
#include "Platform.h"
#include "PreviewWindow.h"
#include "StyleSheetColour.h"

#include <QTemporaryDir>
#include <sys/resource.h>

namespace {
// The picker answers at once with the next colour; a message is printed (none is expected).
class BenchPlatform : public QtPlatform {
public:
    int round = 0;
    void message(const QString& text) override { std::printf("message: %s\n", qPrintable(text)); }
    std::optional<QColor> chooseColour(const QColor&, const QString&) override { return QColor(++round % 256, 0, 128); }
};

} // namespace

PKL_BENCH(stylesheet) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pelkavin.css"));
    qsizetype size = 0;
    {
        QByteArray file;
        file.reserve(11 << 20);
        for (int i = 0; file.size() < (10 << 20); ++i)
            file += ".item" + QByteArray::number(i) + ", .item" + QByteArray::number(i) +
                    ":hover > a[href^=\"http\"] {\n    color: #333; /* " + QStringLiteral("見出し").toUtf8() +
                    " */\n    content: \"" + QStringLiteral("表示%1").arg(i).toUtf8() +
                    "\";\n    margin: calc(1px + 2%);\n}\n@media screen and (max-width: 600px) { .x" +
                    QByteArray::number(i) + " { padding: 0 } }\n";
        file += "body {\n" + StyleSheetColour::marker() + "\n    background-color: #ccddee;\n    " +
                StyleSheetColour::marker() + "\n}\n";
        size = file.size();
        FileIO::safeWrite(path, file);
    }
    FileIO::safeWrite(dir.filePath(QStringLiteral("n.htm")), "<html><head><meta charset=\"utf-8\"></head></html>");
    PageSet::Files files;
    files.folder = dir.path();
    files.topPage = dir.filePath(QStringLiteral("n.htm"));
    files.styleSheet = path;
    PageSet::chosen().setFiles(files);
    Platform::install(std::make_unique<BenchPlatform>());
    PreviewWindow::instance(); // the preview exists in a real session; its creation is not the window's cost
    BackgroundWindow* w = BackgroundWindow::instance();

    const double before = peakMb();
    w->load();
    std::printf("style sheet: %.1f MB\n", double(size) / (1 << 20));
    report("open: read the 10 MB sheet and its colour", medianMs(5, [&] { w->load(); }), 1000);
    report("save a chosen colour: read again, rewrite, check, write",
           medianMs(5,
                    [&] {
                        w->chooseColour();
                        const QString failed = w->writeStyleSheet();
                        if (!failed.isEmpty())
                            std::printf("save failed: %s\n", qPrintable(failed));
                    }),
           1000);
    const double grown = peakMb() - before;
    std::printf("%-48s %9.1f MB   (%.1f times the file; target < 10)\n", "peak memory grown over open and save", grown,
                grown / (double(size) / (1 << 20)));
    delete w;
    Platform::install(std::make_unique<QtPlatform>());
}
