// The button-data editor: list filling and a whole load-edit-save cycle.
#include "Bench.h"
#include "ButtonDataFile.h"
#include "ButtonEditor.h"
#include "FileIO.h"
#include "PageSet.h"
#include "PreviewWindow.h"

#include <QLineEdit>
#include <QTemporaryDir>

PKL_BENCH(buttoneditor) {
    ButtonEditor* w = ButtonEditor::instance();
    Report("list fill, types 0, 1, 2 (built-in lists)",
           MedianMs(51,
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
    Report("list rows, 275 + merge and 748 (synthetic)",
           MedianMs(51,
                    [&] {
                        ButtonDataFile::ListRows(0, j, e, r);
                        ButtonDataFile::ListRows(2, j, e, r);
                    }),
           16);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plkpadbtn.js"));
    const QByteArray marker = ButtonDataFile::Marker().toLatin1();
    FileIO::SafeWrite(file, "// head\n" + marker + '\n' + ButtonDataFile::DefaultButtonData().toUtf8() + marker +
                                "\n// tail\n");
    FileIO::SafeWrite(dir.filePath(QStringLiteral("n.htm")), "<html></html>");
    PageSet::Files files;
    files.buttonData = file;
    files.topPage = dir.filePath(QStringLiteral("n.htm"));
    PageSet::chosen().setFiles(files);
    w->chooseType(0);
    PreviewWindow::instance(); // the preview exists in a real session; its creation is not the editor's cost
    Report("load, store, save (file read, splice, safe write)",
           MedianMs(51,
                    [w] {
                        w->load();
                        w->chooseBank(2);
                        w->choosePad(11);
                        w->idField->setText(QStringLiteral("136"));
                        w->store();
                        w->save();
                    }),
           16);
    const QByteArray old =
        "// head\n" + marker + '\n' + ButtonDataFile::DefaultButtonData().toUtf8() + marker + "\n// tail\n";
    Report("format only: parse, check, write block, splice",
           MedianMs(201,
                    [&old] {
                        ButtonDataFile::Table ax, bx;
                        ButtonDataFile::ReadTables(QString::fromUtf8(old), ax, bx);
                        ButtonDataFile::Save(old, ax, bx, QStringLiteral("plkpadbtn.js"));
                    }),
           16);
    delete w;
}
