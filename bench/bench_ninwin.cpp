// The recognition-word editor with a 1,000-row file: reading, filling the list, saving.
#include "Bench.h"
#include "FileIO.h"
#include "Module1.h"
#include "NinData.h"
#include "NinWin.h"

#include <QTemporaryDir>

PKL_BENCH(ninwin) {
    QByteArray file = "var ninshiki_jp = [\n/* ninshiki_go_data */\n";
    for (int i = 1; i <= 1000; ++i) {
        file += "        ['" + QByteArray::number(i) + "','" + QStringLiteral("こんにちは%1").arg(i).toUtf8() + "','" +
                QStringLiteral("やあ").toUtf8() + "','" + QStringLiteral("ハロー").toUtf8() + "']";
        file += i < 1000 ? ",\n" : "\n";
    }
    file += "        /* ninshiki_go_data */\n];\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ninshiki_jp.js"));
    FileIO::SafeWrite(path, file);
    Module1::gNinFile = {path, dir.filePath(QStringLiteral("ninshiki_en.js"))};

    Report("read and parse a 1,000-row file", MedianMs(31, [&] { NinData::Read(*FileIO::ReadAll(path)); }), 50);
    NinWin* w = NinWin::instance();
    Report("LoadData: read, parse and fill 1,000 rows", MedianMs(31, [&] { w->LoadData(); }), 50);
    const NinData::Parsed parsed = NinData::Read(file);
    Report("build the text of 1,000 rows",
           MedianMs(31, [&] { NinData::Write(parsed.head, parsed.lead, parsed.tail, parsed.rows, 0); }), 50);
    Report("save: rows from the list, text, safe write",
           MedianMs(31,
                    [&] {
                        const QByteArray text = NinData::Write(w->mDa[0], {}, w->mDb[0], w->Rows(), 0);
                        FileIO::SafeWrite(path, text);
                    }),
           50);
    delete w;
}
