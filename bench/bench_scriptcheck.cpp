// The syntax check on a big script: it stands before every opening and every save.
#include "Bench.h"
#include "ScriptCheck.h"

PKL_BENCH(scriptcheck) {
    QString script = QStringLiteral("var plk_btn = [\n");
    while (script.size() < 10 * 1000 * 1000)
        script += QStringLiteral("  ['101', '立って', 3, 010], // コメント\n");
    script += QStringLiteral("];\n");
    report("check 10 MB script that parses", medianMs(3, [&] { ScriptCheck::check(script); }), 1000);
    const ScriptScan::Scan scan = ScriptScan::tokenize(script);
    report("check 10 MB script, scan at hand", medianMs(3, [&] { ScriptCheck::check(script, scan); }), 1000);
    const QString broken = script + QStringLiteral("let a = 1;\nlet a = 2;\n");
    report("check 10 MB script that does not parse", medianMs(3, [&] { ScriptCheck::check(broken); }), 1000);
}
