// The syntax check on a big script: it stands before every opening and every save.
#include "Bench.h"
#include "ScriptCheck.h"

PKL_BENCH(scriptcheck) {
    QString script = QStringLiteral("var plk_btn = [\n");
    while (script.size() < 10 * 1000 * 1000)
        script += QStringLiteral("  ['101', '立って', 3, 010], // コメント\n");
    script += QStringLiteral("];\n");
    Report("check 10 MB script that parses", MedianMs(3, [&] { ScriptCheck::Check(script); }), 1000);
    const ScriptScan::Scan scan = ScriptScan::Tokenize(script);
    Report("check 10 MB script, scan at hand", MedianMs(3, [&] { ScriptCheck::Check(script, scan); }), 1000);
    const QString broken = script + QStringLiteral("let a = 1;\nlet a = 2;\n");
    Report("check 10 MB script that does not parse", MedianMs(3, [&] { ScriptCheck::Check(broken); }), 1000);
}
