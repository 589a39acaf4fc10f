// The button-data editor: list filling and a whole load-edit-save cycle.
#include "Bench.h"
#include "ButtonDataFile.h"
#include "ButtonEditor.h"
#include "FileIO.h"
#include "PageSet.h"
#include "PreviewWindow.h"
#include "ScriptCheck.h"

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

PKL_BENCH(buttoneditor) {
    ButtonEditor* w = ButtonEditor::instance();
    report("list fill, types 0, 1, 2 (built-in lists)",
           medianMs(51,
                    [w] {
                        for (int type = 0; type < 3; ++type)
                            w->chooseType(type);
                    }),
           16);

    // Lists of the real vocabulary's size (synthetic rows), through the format layer.
    QString j, e, r;
    for (int i = 1; i <= 275; ++i) {
        j += QStringLiteral("        ['%1','word%1'],\n").arg(i);
        e += QStringLiteral("        ['%1',\"word %1\"],\n").arg(i);
    }
    for (int i = 1; i <= 748; ++i)
        r += QStringLiteral("        ['%1,3',\"phrase%1\"],\n").arg(i);
    report("list rows, 275 + merge and 748 (synthetic)",
           medianMs(51,
                    [&] {
                        ButtonDataFile::listRows(ButtonDataFile::WordList::Japanese, j, e, r);
                        ButtonDataFile::listRows(ButtonDataFile::WordList::Robot, j, e, r);
                    }),
           16);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plkpadbtn.js"));
    const QByteArray marker = ButtonDataFile::marker().toLatin1();
    FileIO::safeWrite(file, "// head\n" + marker + '\n' + ButtonDataFile::defaultButtonData().toUtf8() + marker +
                                "\n// tail\n");
    FileIO::safeWrite(dir.filePath(QStringLiteral("n.htm")), "<html></html>");
    PageSet::Files files;
    files.buttonData = file;
    files.topPage = dir.filePath(QStringLiteral("n.htm"));
    PageSet::chosen().setFiles(files);
    w->chooseType(0);
    PreviewWindow::instance(); // the preview exists in a real session; its creation is not the editor's cost
    report("load, store, save (file read, splice, safe write)",
           medianMs(51,
                    [w] {
                        w->load();
                        w->chooseBank(2);
                        w->choosePad(11);
                        w->findChild<QLineEdit*>(QStringLiteral("idField"))->setText(QStringLiteral("136"));
                        w->store();
                        w->save();
                    }),
           16);
    const QByteArray old =
        "// head\n" + marker + '\n' + ButtonDataFile::defaultButtonData().toUtf8() + marker + "\n// tail\n";
    report("format only: parse, check, write block, splice",
           medianMs(201,
                    [&old] {
                        ButtonDataFile::Table ax, bx;
                        ButtonDataFile::readTables(QString::fromUtf8(old), ax, bx);
                        ButtonDataFile::save(old, ax, bx, QStringLiteral("plkpadbtn.js"));
                    }),
           16);
    delete w;
}

// A 10 MB "plkpadbtn.js": the page's own script around the block (functions that read the buttons,
// strings, comments). Run on its own for the memory figure: pkl_bench buttoneditor_big
PKL_BENCH(buttoneditor_big) {
    const qsizetype size =
        qEnvironmentVariableIntValue("PKL_BENCH_MB") > 0 ? qEnvironmentVariableIntValue("PKL_BENCH_MB") : 10;
    // PKL_BENCH_SHAPE=text: long comments and strings instead of dense code.
    const bool text = qgetenv("PKL_BENCH_SHAPE") == "text";
    QString head;
    for (int i = 0; head.size() < size * 1000 * 1000; ++i)
        head += text ? QStringLiteral("// %1 %2\nvar note%1 = '%2';\n").arg(i).arg(QString(60, u'x'))
                     : QStringLiteral(
                           "// 操作パネルの補助 %1\nfunction pad%1(b, p) { var s = \"cmd=\" + ctrlbtndata[b][p][0]; "
                           "return s + '&n=%1'; }\nvar list%1 = [1, 2.5, 'あ', \"b\", [3, 4]];\n")
                           .arg(i);
    const QByteArray marker = ButtonDataFile::marker().toLatin1();
    const QByteArray old = head.toUtf8() + marker + '\n' + ButtonDataFile::defaultButtonData().toUtf8() + marker + '\n';
    std::printf("file: %.1f MB, peak before: %.0f MB\n", double(old.size()) / 1e6, peakMb());
    head.clear();
    const double start = peakMb();
    // The format alone first (the peak only grows): read, then save one edit.
    const QString script = QString::fromUtf8(old);
    report("10 MB, the engine's syntax check alone", medianMs(3, [&script] { ScriptCheck::check(script); }), 1000);
    report("10 MB, format only: read",
           medianMs(3, [&old] { ButtonDataFile::readFile(old, QStringLiteral("plkpadbtn.js")); }), 1000);
    // The save alone, of tables read before.
    ButtonDataFile::Reading edited = ButtonDataFile::readFile(old, QStringLiteral("plkpadbtn.js"));
    edited.recognition[0][7] = QStringLiteral("5");
    report("10 MB, format only: save one edit",
           medianMs(3,
                    [&old, &edited] {
                        // What the read parsed, as the editor keeps it from the opening.
                        ScriptCheck::Parsed parsed = edited.parsed;
                        ButtonDataFile::save(old, edited.recognition, edited.robot, QStringLiteral("plkpadbtn.js"),
                                             std::nullopt, &parsed);
                    }),
           1000);
    std::printf("format only: peak %.0f MB above the %.0f MB before (%.1f times the file)\n", peakMb() - start, start,
                (peakMb() - start) * 1048576 / double(old.size()));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plkpadbtn.js"));
    FileIO::safeWrite(file, old);
    FileIO::safeWrite(dir.filePath(QStringLiteral("n.htm")), "<html></html>");
    PageSet::Files files;
    files.buttonData = file;
    files.topPage = dir.filePath(QStringLiteral("n.htm"));
    PageSet::chosen().setFiles(files);
    ButtonEditor* w = ButtonEditor::instance();
    PreviewWindow::instance();
    const double base = peakMb();
    report("10 MB: open (read, check)", medianMs(3, [w] { w->load(); }), 1000);
    report("10 MB: store and save",
           medianMs(3,
                    [w] {
                        QLineEdit* id = w->findChild<QLineEdit*>(QStringLiteral("idField"));
                        id->setText(id->text() == QStringLiteral("5") ? QStringLiteral("6") : QStringLiteral("5"));
                        w->store();
                        w->save();
                    }),
           1000);
    report("10 MB: save without an edit", medianMs(3, [w] { w->save(); }), 1000);
    std::printf("peak during open and save: %.0f MB above the %.0f MB before (%.1f times the file)\n", peakMb() - base,
                base, (peakMb() - base) * 1048576 / double(old.size()));
    delete w;
}
