// The recognition-word editor with a 1,000-row file: reading, filling the list, saving (the file
// read again, the edits merged in, the list set to what was written).
#include "Bench.h"
#include "FileIO.h"
#include "PageSet.h"
#include "PreviewWindow.h"
#include "TextCodec.h"
#include "WordEditor.h"
#include "WordFile.h"
#include "WordListModel.h"

#include <QTemporaryDir>

namespace {
// A page set in dir holding the Japanese word file; the path of that file.
QString chooseWordFile(const QTemporaryDir& dir, const QByteArray& file) {
    const QString path = dir.filePath(QStringLiteral("ninshiki_jp.js"));
    FileIO::safeWrite(path, file);
    PageSet::Files files;
    files.words = {path, dir.filePath(QStringLiteral("ninshiki_en.js"))};
    FileIO::safeWrite(dir.filePath(QStringLiteral("n.htm")), "<html></html>");
    files.topPage = dir.filePath(QStringLiteral("n.htm"));
    PageSet::chosen().setFiles(files);
    return path;
}

// A row of the word file: its id and three words.
QByteArray row(int id) {
    return "        ['" + QByteArray::number(id) + "','" + QStringLiteral("こんにちは%1").arg(id).toUtf8() + "','" +
           QStringLiteral("やあ").toUtf8() + "','" + QStringLiteral("ハロー").toUtf8() + "']";
}
} // namespace

PKL_BENCH(wordeditor) {
    QByteArray file = "var ninshiki_jp = [\n/* ninshiki_go_data */\n";
    for (int i = 1; i <= 1000; ++i) {
        file += row(i) + (i < 1000 ? ",\n" : "\n");
    }
    file += "        /* ninshiki_go_data */\n];\n";
    QTemporaryDir dir;
    const QString path = chooseWordFile(dir, file);

    report("read, decode and parse a 1,000-row file",
           medianMs(31,
                    [&] {
                        const QByteArray bytes = *FileIO::readAll(path);
                        WordFile::read(TextCodec::decode(bytes, *TextCodec::detect(bytes)),
                                       PageSet::Language::Japanese);
                    }),
           50);
    WordEditor* w = WordEditor::instance();
    report("load: read, parse and fill 1,000 rows", medianMs(31, [&] { w->load(); }), 50);
    const WordFile::Parsed parsed = WordFile::read(QString::fromUtf8(file), PageSet::Language::Japanese);
    report("build the text of 1,000 rows",
           medianMs(31,
                    [&] {
                        WordFile::write(parsed.head, parsed.lead, parsed.tail, parsed.rows,
                                        PageSet::Language::Japanese);
                    }),
           50);
    PreviewWindow::instance(); // the preview exists in a real session; its creation is not the editor's cost
    int round = 0;
    report("save of one edit: read again, merge, write, show what was written",
           medianMs(31,
                    [&] {
                        w->model()->setData(w->model()->index(500, 2), QString::number(++round));
                        w->save();
                    }),
           50);
    delete w;
}

// A 10 MB word file through the window: opened, one row edited, saved.
PKL_BENCH(wordeditor_big) {
    QByteArray file = "var ninshiki_jp = [\n/* ninshiki_go_data */\n";
    int rows = 0;
    while (file.size() < 10 * 1000 * 1000) {
        ++rows;
        file += row(rows) + ",\n";
    }
    file += "        ['0','x']\n        /* ninshiki_go_data */\n];\n";
    QTemporaryDir dir;
    const QString path = chooseWordFile(dir, file);
    PreviewWindow::instance();
    std::printf("file: %.1f MB, %d rows, peak before: %.0f MB\n", double(file.size()) / 1e6, rows, peakMb());
    const double before = peakMb();
    WordEditor* w = WordEditor::instance();
    report("10 MB: open (read, check, fill the list)", medianMs(3, [&] { w->load(); }), 1000);
    const double opened = peakMb();
    std::printf("peak after opening: %.0f MB above the %.0f MB before (%.1f times the file)\n", opened - before, before,
                (opened - before) * 1048576 / double(file.size()));
    int round = 0;
    report("10 MB: save of one edit",
           medianMs(3,
                    [&] {
                        w->model()->setData(w->model()->index(500, 2), QString::number(++round));
                        w->save();
                    }),
           1000);
    std::printf("peak: %.0f MB above the %.0f MB before (%.1f times the file)\n", peakMb() - before, before,
                (peakMb() - before) * 1048576 / double(file.size()));
    delete w;
}
