#include "StyleSheetColour.h"

#include "CssSyntax.h"
#include "Messages.h"
#include "TextCodec.h"
#include "TextUtil.h"

#include <cctype>
#include <cstring>

namespace StyleSheetColour {
using namespace CssSyntax;

namespace {
using Kind = Reading::Kind;

// The messages, in one place: file is the style sheet's name, lines and pieces are as the reading
// shows them ("3行目", "「background: red」").
namespace message {
QString keptUntilChosen(const QString& file) {
    return QStringLiteral("色を選ぶまで、%1は書き換えません...").arg(file);
}

QString markerCount(const QString& file, qsizetype count, const QString& lines) {
    return QStringLiteral("%1の背景色の目印「%2」が%3つあるため保存できません（%4）。目印は、背景色の指定の前と後ろに1"
                          "行ずつ、目印だけの行にして2つだけ置いて下さい...")
        .arg(file, QString::fromLatin1(marker()), QString::number(count), lines);
}

QString cannotAppend(const QString& file, const QString& line) {
    return QStringLiteral("%1は%2からの記述が閉じないまま終わっているため、背景色の指定を最後に書き足せません...")
        .arg(file, line);
}

QString noMarkers(const QString& file) {
    return QStringLiteral(
               "%1には背景色の目印「%2」だけの行がないため、ページの背景色を表示できません。「色を選択」で色を"
               "選ぶと、「背景色変更」で、その色の指定を目印で挟んでファイルの最後に書き足します。%3")
        .arg(file, QString::fromLatin1(marker()), keptUntilChosen(file));
}

QString outsideBraces(const QString& file, const QString& line) {
    return QStringLiteral(
               "%1の背景色の目印（%2）が「{ }」の中にないため、目印の間の背景色はページに読まれません。目印は"
               "「body {」と「}」の間に置いて下さい...")
        .arg(file, line);
}

QString joinsSelector(const QString& file, const QString& line) {
    return QStringLiteral(
               "%1の%2からの記述が、背景色の目印のある規則のセレクタとつながって読まれるため、目印の間の背景色"
               "はページに読まれません...")
        .arg(file, line);
}

QString unfinishedBefore(const QString& file, const QString& line) {
    return QStringLiteral(
               "%1の%2の指定が「;」で終わっていないため、その後ろの目印の間の背景色がページに読まれません。「;」"
               "を付けて下さい...")
        .arg(file, line);
}

QString openString(const QString& file, const QString& line) {
    return QStringLiteral("%1の%2で、背景色の目印の間の文字列が閉じていないため保存できません...").arg(file, line);
}

QString braceInBlock(const QString& file, const QString& line, QChar brace) {
    return QStringLiteral(
               "%1の%2で、背景色の目印の間に「%3」があるため保存できません。目印の間には指定だけを書いて下さい...")
        .arg(file, line, brace);
}

QString openBracket(const QString& file, const QString& line, QChar bracket) {
    return QStringLiteral("%1の%2の「%3」が背景色の目印の間で閉じていないため保存できません...")
        .arg(file, line, bracket);
}

QString runsOn(const QString& file, const QString& line) {
    return QStringLiteral(
               "%1の%2の指定が「;」で終わっていないため、目印の後ろの記述とつながってしまいます。「;」を付けて下"
               "さい...")
        .arg(file, line);
}

QString twoColours(const QString& file, qsizetype count, const QString& lines) {
    return QStringLiteral("%1の背景色の目印の間に背景色の指定が%2つあるため保存できません（%3）。1つにして下さい...")
        .arg(file, QString::number(count), lines);
}

QString resetsColour(const QString& file, const QString& line, const QString& name) {
    return QStringLiteral(
               "%1の%2の%3の指定が目印の間の背景色を上書きするため保存できません。背景色は「background-color」"
               "だけで指定して下さい...")
        .arg(file, line, name);
}

QString noDeclaration(const QString& file, const QString& from, const QString& to) {
    return QStringLiteral(
               "%1の背景色の目印の間（%2から%3）に背景色の指定がないため、ページの背景色を表示できません。「色を"
               "選択」で色を選ぶと、「背景色変更」でその指定を書き足します。%4")
        .arg(file, from, to, keptUntilChosen(file));
}

QString notShown(const QString& file, const QString& line, const QString& value) {
    return QStringLiteral(
               "%1の%2の背景色%3は、この画面では表示できません（表示できるのは、#と3桁か6桁の16進数、色の名前、"
               "数で書いたrgb()です）。「色を選択」で色を選ぶと、「背景色変更」でその値を書き換えます。%4")
        .arg(file, line, value, keptUntilChosen(file));
}

QString noValue() {
    return QStringLiteral("（値がありません）");
}

QString otherDeclaration(const QString& file, const QString& line, const QString& declaration) {
    return QStringLiteral(
               "%1の%2に、背景色の目印の間のほかの指定%3があります。この画面は背景色だけを表示します。「色を選択」"
               "で色を選ぶと、「背景色変更」で背景色の値だけを書き換え、ほかの指定はそのまま残します。%4")
        .arg(file, line, declaration, keptUntilChosen(file));
}

QString unclosedRule(const QString& file, const QString& line) {
    return QStringLiteral(
               "%1の%2の規則が「}」で閉じていないため、背景色の目印のある規則がその中に入ってしまい、目印の間の背景"
               "色はページに読まれません。「}」を付けて下さい...")
        .arg(file, line);
}

QString badSelector(const QString& file, const QString& line, const QString& selector) {
    return QStringLiteral(
               "%1の%2のセレクタ%3はブラウザが読めない書き方のため、その規則は使われず、目印の間の背景色はページ"
               "に読まれません。書き間違いを直して下さい...")
        .arg(file, line, selector);
}

QString unsureSelector(const QString& file, const QString& line, const QString& selector) {
    return QStringLiteral(
               "%1の%2のセレクタ%3がページの本体（body）に当たるかどうか、この画面では確かめられないため保存でき"
               "ません。背景色の目印は「body {」と「}」の間に置いて下さい...")
        .arg(file, line, selector);
}

QString notBody(const QString& file, const QString& line, const QString& selector) {
    return QStringLiteral(
               "%1の%2のセレクタ%3はページの本体（body）を指していないため、目印の間の背景色はページの背景色にな"
               "りません。背景色の目印は「body {」と「}」の間に置いて下さい...")
        .arg(file, line, selector);
}

QString groupNotOnScreen(const QString& file, const QString& line, const QString& group) {
    return QStringLiteral("%1の%2の%3の中にあるため、目印の間の背景色は画面に表示されるページには使われません...")
        .arg(file, line, group);
}

QString groupUnsure(const QString& file, const QString& line, const QString& group) {
    return QStringLiteral(
               "%1の%2の%3の中にあるため、目印の間の背景色がページに使われるかどうか、この画面では確かめられず保"
               "存できません（確かめられるのは「@media screen」「@media all」と、成り立つと分かる「@supports」です"
               "）...")
        .arg(file, line, group);
}

QString notReadBack(const QString& file) {
    return QStringLiteral("%1は、保存すると書いた背景色がページに届かなくなるため保存できません（文字コードが変わるな"
                          "ど）...")
        .arg(file);
}
} // namespace message

bool onlyBlanks(const QByteArray& t, qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i)
        if (t[i] != ' ' && t[i] != '\t')
            return false;
    return true;
}

bool isMarker(const QByteArray& t, const Token& c) {
    const QByteArray expected = marker();
    return c.type == Token::Comment && tokenText(t, c) == expected;
}

// The marker comments that stand alone on their line. What shares the line with a marker lies in
// the blank tokens beside it, so each is looked at once.
QList<Token> markerComments(const QByteArray& t, bool shiftJis) {
    QList<Token> found;
    Tokenizer tokens(t, shiftJis);
    Token before, c, after;
    bool more = tokens.next(c);
    while (more) {
        more = tokens.next(after);
        if (isMarker(t, c)) {
            bool alone = true;
            if (before.type != Token::None) {
                qsizetype lineEnd = c.begin - 1;
                while (lineEnd >= before.begin && t[lineEnd] != '\n')
                    --lineEnd;
                alone = before.type == Token::Blank && (lineEnd >= before.begin || before.begin == 0) &&
                        onlyBlanks(t, lineEnd + 1, c.begin);
            }
            if (alone && more) {
                qsizetype lineEnd = c.end;
                while (lineEnd < after.end && t[lineEnd] != '\n')
                    ++lineEnd;
                alone = after.type == Token::Blank && (lineEnd < after.end || after.end == t.size()) &&
                        onlyBlanks(t, c.end, lineEnd);
            }
            if (alone)
                found.append(c);
        }
        before = c;
        c = after;
    }
    return found;
}

bool isDigits(const QByteArray& s) {
    if (s.isEmpty() || s.size() > 3)
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// An rgb() component: a whole number up to 255, or a percentage that comes to a whole number.
std::optional<int> component(const QByteArray& s, bool* percent) {
    *percent = s.endsWith('%');
    const QByteArray digits = *percent ? s.chopped(1) : s;
    if (!isDigits(digits))
        return std::nullopt;
    const int v = digits.toInt();
    if (*percent)
        return v <= 100 && v * 255 % 100 == 0 ? std::optional<int>(v * 255 / 100) : std::nullopt;
    return v <= 255 ? std::optional<int>(v) : std::nullopt;
}

bool opaque(const QByteArray& alpha) {
    return alpha == "1" || alpha == "100%";
}

std::optional<QColor> rgbFunction(const QByteArray& inner) {
    QList<QByteArray> parts;
    bool sameType = false;
    if (inner.contains(',')) { // rgb(r, g, b[, a]): all numbers or all percentages
        parts = inner.split(',');
        for (QByteArray& p : parts)
            p = p.trimmed();
        if (parts.size() == 4 && opaque(parts[3]))
            parts.removeLast();
        sameType = true;
    } else { // rgb(r g b[ / a])
        const QList<QByteArray> slash = inner.split('/');
        if (slash.size() > 2 || (slash.size() == 2 && !opaque(slash[1].trimmed())))
            return std::nullopt;
        parts = slash[0].simplified().split(' ');
    }
    if (parts.size() != 3)
        return std::nullopt;
    int v[3];
    bool percent[3];
    for (int i = 0; i < 3; ++i) {
        const std::optional<int> c = component(parts[i], &percent[i]);
        if (!c)
            return std::nullopt;
        v[i] = *c;
    }
    if (sameType && (percent[0] != percent[1] || percent[1] != percent[2]))
        return std::nullopt;
    return QColor(v[0], v[1], v[2]);
}

// The colour forms read: #rgb, #rrggbb, the named colours, rgb()/rgba() opaque. Comments in the
// value have become blanks; everything else (alpha, var(), keywords) is not shown.
std::optional<QColor> parseColour(const QByteArray& value) {
    const QByteArray s = value.trimmed().toLower();
    if (s.startsWith('#')) {
        const QByteArray hex = s.mid(1);
        if (hex.size() != 3 && hex.size() != 6)
            return std::nullopt;
        for (char c : hex)
            if (!std::isxdigit(uchar(c)))
                return std::nullopt;
        const uint v = hex.toUInt(nullptr, 16);
        if (hex.size() == 3)
            return QColor(((v >> 8) & 15) * 17, ((v >> 4) & 15) * 17, (v & 15) * 17);
        return QColor((v >> 16) & 255, (v >> 8) & 255, v & 255);
    }
    for (const char* fn : {"rgb(", "rgba("})
        if (s.startsWith(fn) && s.endsWith(')'))
            return rgbFunction(s.mid(qsizetype(std::strlen(fn)), s.size() - qsizetype(std::strlen(fn)) - 1));
    if (s.isEmpty())
        return std::nullopt;
    for (char c : s)
        if (c < 'a' || c > 'z')
            return std::nullopt;
    if (s == "rebeccapurple")
        return QColor(0x66, 0x33, 0x99);
    if (s == "transparent") // no colour of its own: the page shows what lies behind
        return std::nullopt;
    const QColor named = QColor::fromString(QString::fromLatin1(s));
    if (!named.isValid())
        return std::nullopt;
    return QColor(named.red(), named.green(), named.blue());
}

// Whether a rule's selector or a group rule's condition makes the block apply to the page's body on
// a screen. Unsure where this tool cannot tell: it refuses rather than guess.
enum class Applies { Yes, No, Invalid, Unsure };

bool identStart(char c) {
    return std::isalpha(uchar(c)) || c == '_' || uchar(c) >= 0x80;
}
bool identChar(char c) {
    return identStart(c) || std::isdigit(uchar(c)) || c == '-';
}

// A selector list, with comments taken out and blanks made one space.
class SelectorCheck {
public:
    explicit SelectorCheck(const QByteArray& text) : s(text) {}
    Applies run() {
        if (s.contains('\\'))
            return Applies::Unsure;
        bool body = false;
        for (;;) {
            // Unsure stops the reading where it stands.
            const Applies one = complex();
            if (one == Applies::Invalid || one == Applies::Unsure)
                return one;
            body |= one == Applies::Yes;
            if (i == s.size())
                break;
            if (s[i] != ',')
                return Applies::Invalid;
            ++i;
        }
        return body ? Applies::Yes : Applies::No;
    }

private:
    const QByteArray s;
    qsizetype i = 0;

    void blanks() {
        while (i < s.size() && s[i] == ' ')
            ++i;
    }
    QByteArray ident() {
        const qsizetype b = i;
        if (i < s.size() && s[i] == '-')
            ++i;
        if (i < s.size() && (identStart(s[i]) || (s[i] == '-' && i > b))) {
            while (i < s.size() && identChar(s[i]))
                ++i;
            return s.mid(b, i - b).toLower();
        }
        i = b;
        return {};
    }
    // One compound selector: what it is, as far as matching the body goes.
    enum class Part { Body, Root, Other, Invalid, Unsure };
    Part compound() {
        const qsizetype b = i;
        QByteArray type;
        if (i < s.size() && s[i] == '*') {
            ++i;
            type = "*";
        } else {
            type = ident();
        }
        if (i < s.size() && s[i] == '|')
            return Part::Unsure;
        bool root = false, other = false;
        while (i < s.size()) {
            const char c = s[i];
            if (c == '#' || c == '.') {
                ++i;
                const qsizetype at = i;
                if (c == '#')
                    while (i < s.size() && identChar(s[i]))
                        ++i;
                else
                    ident();
                if (i == at)
                    return Part::Invalid;
                other = true;
            } else if (c == '[') {
                const qsizetype close = s.indexOf(']', i);
                if (close < 0)
                    return Part::Invalid;
                if (!attribute(s.mid(i + 1, close - i - 1)))
                    return Part::Invalid;
                i = close + 1;
                other = true;
            } else if (c == ':') {
                ++i;
                const bool element = i < s.size() && s[i] == ':';
                if (element)
                    ++i;
                const QByteArray name = ident();
                if (name.isEmpty())
                    return Part::Invalid;
                if ((i < s.size() && s[i] == '(') || name.startsWith('-'))
                    return Part::Unsure;
                static const QList<QByteArray> elements{"before",    "after",       "first-line", "first-letter",
                                                        "selection", "placeholder", "marker",     "backdrop"};
                static const QList<QByteArray> legacy{"before", "after", "first-line", "first-letter"};
                static const QList<QByteArray> classes{"hover",
                                                       "active",
                                                       "focus",
                                                       "focus-visible",
                                                       "focus-within",
                                                       "visited",
                                                       "link",
                                                       "any-link",
                                                       "target",
                                                       "root",
                                                       "empty",
                                                       "first-child",
                                                       "last-child",
                                                       "only-child",
                                                       "first-of-type",
                                                       "last-of-type",
                                                       "only-of-type",
                                                       "checked",
                                                       "disabled",
                                                       "enabled",
                                                       "default",
                                                       "required",
                                                       "optional",
                                                       "read-only",
                                                       "read-write",
                                                       "valid",
                                                       "invalid",
                                                       "indeterminate",
                                                       "placeholder-shown",
                                                       "autofill",
                                                       "defined",
                                                       "fullscreen",
                                                       "in-range",
                                                       "out-of-range"};
                if (element || legacy.contains(name)) {
                    if (!elements.contains(name))
                        return Part::Invalid;
                    // Nothing after a pseudo-element but what this tool does not weigh.
                    if (i < s.size() && s[i] != ' ' && s[i] != ',' && s[i] != '>' && s[i] != '+' && s[i] != '~')
                        return Part::Unsure;
                    other = true;
                    continue;
                }
                if (!classes.contains(name))
                    return Part::Invalid;
                (name == "root" ? root : other) = true;
            } else {
                break;
            }
        }
        if (i == b)
            return Part::Invalid;
        if (other)
            return Part::Other;
        if (type == "body" && !root)
            return Part::Body;
        if ((type == "html" || type.isEmpty()) && root)
            return Part::Root;
        return type == "html" ? Part::Root : Part::Other;
    }
    static bool attribute(const QByteArray& inner) {
        SelectorCheck a(inner.trimmed());
        if (a.ident().isEmpty())
            return false;
        a.blanks();
        if (a.i == a.s.size())
            return true;
        if (a.s[a.i] != '=') {
            if (!std::strchr("~|^$*", a.s[a.i]) || a.i + 1 == a.s.size() || a.s[a.i + 1] != '=')
                return false;
            ++a.i;
        }
        ++a.i;
        a.blanks();
        if (a.i < a.s.size() && (a.s[a.i] == '"' || a.s[a.i] == '\'')) {
            const qsizetype close = a.s.indexOf(a.s[a.i], a.i + 1);
            if (close < 0)
                return false;
            a.i = close + 1;
        } else if (a.ident().isEmpty()) {
            return false;
        }
        a.blanks();
        if (a.i < a.s.size()) {
            const QByteArray flag = a.ident();
            if (flag != "i" && flag != "s")
                return false;
            a.blanks();
        }
        return a.i == a.s.size();
    }
    // A complex selector up to the next "," or the end. The body's own rule is "body", or the root
    // and "body" with a blank or ">" between them.
    Applies complex() {
        blanks();
        QList<Part> parts;
        QList<char> combinators;
        for (;;) {
            const Part p = compound();
            if (p == Part::Invalid)
                return Applies::Invalid;
            if (p == Part::Unsure)
                return Applies::Unsure;
            parts << p;
            const qsizetype before = i;
            blanks();
            if (i == s.size() || s[i] == ',')
                break;
            char combinator = ' ';
            if (s[i] == '>' || s[i] == '+' || s[i] == '~') {
                combinator = s[i++];
                blanks();
            } else if (i == before) {
                return Applies::Invalid;
            }
            combinators << combinator;
        }
        const bool body =
            parts.last() == Part::Body && (parts.size() == 1 || (parts.size() == 2 && parts[0] == Part::Root &&
                                                                 (combinators[0] == ' ' || combinators[0] == '>')));
        return body ? Applies::Yes : Applies::No;
    }
};

// A group rule's prelude ("@media ..." or "@supports ..."), lower case, blanks made one space.
Applies groupApplies(const QByteArray& prelude) {
    if (prelude.contains('\\') || prelude.contains('"') || prelude.contains('\''))
        return Applies::Unsure;
    auto after = [&](const char* keyword) -> std::optional<QByteArray> {
        const qsizetype n = qsizetype(std::strlen(keyword));
        if (!prelude.startsWith(keyword) || (prelude.size() > n && identChar(prelude[n])))
            return std::nullopt;
        return prelude.mid(n).trimmed();
    };
    if (const std::optional<QByteArray> queries = after("@media")) {
        if (queries->isEmpty())
            return Applies::Yes;
        bool unsure = false;
        for (const QByteArray& q : queries->split(',')) {
            const QByteArray query = q.trimmed();
            QList<QByteArray> words = query.split(' ');
            if (query.contains('(') || words.contains("and")) {
                unsure = true;
                continue;
            }
            bool negate = false;
            if (words.size() == 2 && (words[0] == "not" || words[0] == "only")) {
                negate = words[0] == "not";
                words.removeFirst();
            }
            if (words.size() != 1 || words[0].isEmpty()) // not a query: it matches nothing
                continue;
            if ((words[0] == "screen" || words[0] == "all") != negate)
                return Applies::Yes;
        }
        return unsure ? Applies::Unsure : Applies::No;
    }
    if (std::optional<QByteArray> condition = after("@supports")) {
        bool negate = false;
        if (condition->startsWith("not") && condition->size() > 3 && !identChar(condition->at(3))) {
            negate = true;
            *condition = condition->mid(3).trimmed();
        }
        if (!condition->startsWith('(') || !condition->endsWith(')') || condition->count('(') != 1 ||
            condition->count(')') != 1)
            return Applies::Unsure;
        const QByteArray inner = condition->mid(1, condition->size() - 2);
        const qsizetype colon = inner.indexOf(':');
        if (colon < 0)
            return Applies::Unsure;
        const QByteArray name = inner.left(colon).trimmed(), value = inner.mid(colon + 1).trimmed();
        static const QList<QByteArray> displays{"block", "inline",      "inline-block", "flex",     "inline-flex",
                                                "grid",  "inline-grid", "none",         "contents", "table"};
        bool holds;
        if (name == "display" && displays.contains(value))
            holds = true;
        else if ((name == "background-color" || name == "color") && parseColour(value))
            holds = true;
        else
            return Applies::Unsure;
        return holds != negate ? Applies::Yes : Applies::No;
    }
    return Applies::Unsure;
}

// Only a file that is not UTF-8 is read as Shift_JIS; plain ASCII needs no look (large files).
bool isShiftJis(const QByteArray& t) {
    for (char c : t)
        if (uchar(c) >= 0x80)
            return TextCodec::detect(t) == TextCodec::Encoding::ShiftJis;
    return false;
}

// Whether the page's browser reads the sheet as Shift_JIS: in the page's encoding, unless the sheet's
// byte order mark or @charset names another, or its bytes are in another (then its text shows
// garbled). Without a declared page encoding, as the bytes read best. *garbled: the file's own
// encoding, where the page shows it garbled.
bool browserReadsShiftJis(const QByteArray& t, std::optional<TextCodec::Encoding> page,
                          std::optional<TextCodec::Encoding>* garbled = nullptr) {
    if (!page)
        return isShiftJis(t);
    const TextCodec::FileEncoding own = TextCodec::forFile(t, page, true);
    if (garbled && own.differsFromPage)
        *garbled = own.encoding;
    const TextCodec::Encoding read = own.differsFromPage ? *page : own.encoding.value_or(*page);
    return read == TextCodec::Encoding::ShiftJis;
}

// What the save does to the text, found together with the reading.
struct Plan {
    Reading reading;
    enum class Edit { None, Append, Insert, Replace } edit = Edit::None;
    qsizetype begin = 0, end = 0; // Insert: the place; Replace: the span of the value
    bool blankFirst = false;      // the value is empty: a blank goes after the colon
};

class Analysis {
public:
    Analysis(const QByteArray& text, const QString& fileName, bool shiftJis) : t(text), f(fileName), sjis(shiftJis) {}
    Plan run();

private:
    const QByteArray& t;
    const QString f;
    const bool sjis;

    QString line(qsizetype at) const { return lines({at}); }
    // Lines of ascending offsets, as a message lists them; a long list is cut.
    QString lines(const QList<qsizetype>& at) const {
        QList<qsizetype> numbers;
        qsizetype from = 0, number = 1;
        for (qsizetype p : at) {
            if (numbers.size() == 10)
                break;
            number += QByteArrayView(t).sliced(from, p - from).count('\n');
            from = p;
            numbers << number;
        }
        const QString listed = Messages::lines(numbers);
        return numbers.size() < at.size() ? listed + QStringLiteral("、…") : listed;
    }
    // A piece of the file as a message shows it: on one line, cut when long.
    QString shown(qsizetype begin, qsizetype end) const {
        QString s = TextCodec::decode(t.mid(begin, qMin<qsizetype>(end - begin, 400)),
                                      sjis ? TextCodec::Encoding::ShiftJis : TextCodec::Encoding::Utf8)
                        .simplified();
        if (s.size() > 40)
            s = s.left(40) + u'…';
        return TextUtil::shown(s);
    }
    Plan refuse(const QString& problem) const { return {{Kind::Refused, std::nullopt, problem, {}}}; }

    Plan append();
    Plan block(const Token& m1, const Token& m2);
};

Plan Analysis::run() {
    const QList<Token> marks = markerComments(t, sjis);
    if (marks.isEmpty())
        return append();
    if (marks.size() == 2)
        return block(marks[0], marks[1]);
    QList<qsizetype> at;
    for (const Token& m : marks)
        at << m.begin;
    return refuse(message::markerCount(f, marks.size(), lines(at)));
}

Plan Analysis::append() {
    // The new rule must start where a rule may: after a finished statement (a rule's closing brace,
    // or the ";" of an at-rule), not inside a comment, a string, brackets or a selector.
    const std::optional<qsizetype> statement = outline(t, sjis, t.size()).statement;
    if (statement)
        return refuse(message::cannotAppend(f, line(*statement)));
    Plan p{{Kind::NeedsColour, std::nullopt, message::noMarkers(f), {}}};
    p.edit = Plan::Edit::Append;
    return p;
}

Plan Analysis::block(const Token& m1, const Token& m2) {
    // In front of the block: it must stand inside a rule's braces, after a finished declaration.
    const Outline head = outline(t, sjis, m1.begin);
    if (head.open.isEmpty() || head.open.innermost() != '{' || head.frames.size() != head.open.kinds.size())
        return refuse(message::outsideBraces(f, line(m1.begin)));
    if (head.broken)
        return refuse(message::joinsSelector(f, line(*head.statement)));
    // The block counts only in a style rule for the body, at the top level or inside group rules
    // that apply on a screen.
    for (qsizetype k = 0; k + 1 < head.frames.size(); ++k) {
        const Frame& group = head.frames[k];
        if (t[group.prelude] != '@')
            return refuse(message::unclosedRule(f, line(group.prelude)));
        const Applies applies = groupApplies(prelude(t, sjis, group, true));
        const QString shownGroup = TextUtil::shown(QString::fromUtf8(prelude(t, sjis, group, false)));
        if (applies == Applies::No)
            return refuse(message::groupNotOnScreen(f, line(group.prelude), shownGroup));
        if (applies != Applies::Yes)
            return refuse(message::groupUnsure(f, line(group.prelude), shownGroup));
    }
    const Frame& styleRule = head.frames.last();
    if (t[styleRule.prelude] == '@')
        return refuse(message::outsideBraces(f, line(m1.begin)));
    {
        const QByteArray selector = prelude(t, sjis, styleRule, false);
        const QString shownSelector = shown(styleRule.prelude, styleRule.brace);
        const QString at = line(styleRule.prelude);
        if (selector.contains(';') || selector.contains('}'))
            return refuse(message::joinsSelector(f, at));
        switch (SelectorCheck(selector).run()) {
        case Applies::Yes:
            break;
        case Applies::No:
            return refuse(message::notBody(f, at, shownSelector));
        case Applies::Invalid:
            return refuse(message::badSelector(f, at, shownSelector));
        case Applies::Unsure:
            return refuse(message::unsureSelector(f, at, shownSelector));
        }
    }
    if (!isDelim(t, head.last, '{') && !isDelim(t, head.last, ';'))
        return refuse(message::unfinishedBefore(f, line(head.last.begin)));

    // The block's declarations, cut at the semicolons outside brackets, one after another.
    struct Piece {
        qsizetype index = 0;
        int count = 0; // tokens that are not blanks or comments
        Token first, second, last;
    };
    Piece piece;
    QList<qsizetype> colours; // where each background-color declaration starts
    QList<Piece> resets;      // background and all: they set the colour too
    std::optional<Piece> other;
    // The value of the first background-color declaration, every token; a colour has only a few.
    qsizetype colourPiece = -1, colonEnd = 0;
    QList<Token> value;
    bool collecting = false, valueTooLong = false;
    Token valueLast;

    auto finish = [&]() -> std::optional<Plan> {
        collecting = false;
        if (piece.count == 0)
            return std::nullopt;
        const bool declaration = piece.first.type == Token::Word && piece.count >= 2 && isDelim(t, piece.second, ':');
        const QByteArray name = declaration ? decodedName(tokenText(t, piece.first)) : QByteArray();
        if (name == "background-color")
            colours << piece.first.begin;
        else if (name == "background" || name == "all")
            resets << piece;
        else if (!other)
            other = piece;
        return std::nullopt;
    };

    Tokenizer tokens(t, sjis, m1.end);
    Brackets open;
    Token token;
    while (tokens.next(token) && token.begin < m2.begin) {
        if (token.type == Token::BadString)
            return refuse(message::openString(f, line(token.begin)));
        if (isDelim(t, token, '{') || isDelim(t, token, '}'))
            return refuse(message::braceInBlock(f, line(token.begin), QChar::fromLatin1(t[token.begin])));
        open.track(t, token);
        if (open.isEmpty() && isDelim(t, token, ';')) {
            if (const std::optional<Plan> refused = finish())
                return *refused;
            const qsizetype index = piece.index + 1;
            piece = Piece();
            piece.index = index;
            continue;
        }
        if (collecting) {
            if (value.size() < 64)
                value << token;
            else
                valueTooLong = true;
            if (significant(token))
                valueLast = token;
        }
        if (!significant(token))
            continue;
        if (++piece.count == 1)
            piece.first = token;
        if (piece.count == 2) {
            piece.second = token;
            if (colourPiece < 0 && piece.first.type == Token::Word && isDelim(t, token, ':') &&
                decodedName(tokenText(t, piece.first)) == "background-color") {
                colourPiece = piece.index;
                colonEnd = token.end;
                collecting = true;
            }
        }
        piece.last = token;
    }
    if (!open.isEmpty())
        return refuse(message::openBracket(f, line(open.outermost), QChar::fromLatin1(t[open.outermost])));
    if (piece.count > 0) {
        // The last declaration runs on past the marker, up to the next ";" or "}".
        Tokenizer tail(t, sjis, m2.end);
        while (tail.next(token) && !significant(token)) {
        }
        if (significant(token) && token.begin >= m2.end && !isDelim(t, token, ';') && !isDelim(t, token, '}'))
            return refuse(message::runsOn(f, line(piece.first.begin)));
    }
    if (const std::optional<Plan> refused = finish())
        return *refused;

    if (colours.size() > 1)
        return refuse(message::twoColours(f, colours.size(), lines(colours)));
    // A shorthand after the colour (or anywhere, where the colour goes in as the first line) sets the
    // colour again, so the page would not show what is written.
    for (const Piece& reset : resets) {
        if (colourPiece >= 0 && reset.index < colourPiece) {
            if (!other || reset.index < other->index)
                other = reset;
            continue;
        }
        return refuse(message::resetsColour(f, line(reset.first.begin), shown(reset.first.begin, reset.first.end)));
    }

    Plan plan;
    if (colours.isEmpty()) {
        plan.reading = {Kind::NeedsColour, std::nullopt, message::noDeclaration(f, line(m1.begin), line(m2.begin)), {}};
        plan.edit = Plan::Edit::Insert;
        plan.begin = plan.end = t.indexOf('\n', m1.end) + 1;
        return plan;
    }

    // The value without "!important"; comments in it read as blanks.
    QList<qsizetype> sig;
    for (qsizetype k = 0; k < value.size(); ++k)
        if (significant(value[k]))
            sig << k;
    if (!valueTooLong && sig.size() >= 2 && isDelim(t, value[sig[sig.size() - 2]], '!') &&
        value[sig.last()].type == Token::Word &&
        tokenText(t, value[sig.last()]).compare("important", Qt::CaseInsensitive) == 0)
        sig.resize(sig.size() - 2);
    plan.edit = Plan::Edit::Replace;
    std::optional<QColor> colour;
    if (sig.isEmpty()) {
        plan.begin = plan.end = colonEnd;
        plan.blankFirst = true;
    } else {
        plan.begin = value[sig.first()].begin;
        plan.end = valueTooLong ? valueLast.end : value[sig.last()].end;
        QByteArray text;
        for (qsizetype k = sig.first(); !valueTooLong && k <= sig.last(); ++k)
            text += significant(value[k]) ? tokenText(t, value[k]) : QByteArrayView(" ");
        if (!valueTooLong)
            colour = parseColour(text);
    }
    const qsizetype at = colours[0];
    if (!colour)
        plan.reading = {
            Kind::NeedsColour,
            std::nullopt,
            message::notShown(f, line(at), sig.isEmpty() ? message::noValue() : shown(plan.begin, plan.end)),
            {}};
    else if (other)
        plan.reading = {
            Kind::NeedsColour,
            colour,
            message::otherDeclaration(f, line(other->first.begin), shown(other->first.begin, other->last.end)),
            {}};
    else
        plan.reading = {Kind::Shown, colour, QString(), {}};
    return plan;
}
} // namespace

QByteArray marker() {
    return QByteArrayLiteral("/*body-gackground-color*/");
}

QList<qsizetype> markerLines(const QByteArray& lfText) {
    QList<qsizetype> at;
    for (const Token& m : markerComments(lfText, isShiftJis(lfText)))
        at.append(m.begin);
    return at;
}

Reading read(const QByteArray& fileText, const QString& fileName, std::optional<TextCodec::Encoding> page) {
    const QByteArray text = lineEndsLf(fileText);
    std::optional<TextCodec::Encoding> garbled;
    Reading reading = Analysis(text, fileName, browserReadsShiftJis(text, page, &garbled)).run().reading;
    if (garbled)
        reading.encodingNote = Messages::pageShowsGarbled(fileName, *garbled, *page);
    return reading;
}

QByteArray colorBlock(const QColor& color) {
    return "    background-color: #" + TextUtil::twoHexDigits(color.red()).toLatin1() +
           TextUtil::twoHexDigits(color.green()).toLatin1() + TextUtil::twoHexDigits(color.blue()).toLatin1() +
           ";\n    ";
}

SaveResult save(const QByteArray& fileText, const QColor& color, const QString& fileName,
                std::optional<TextCodec::Encoding> page) {
    const QByteArray text = lineEndsLf(fileText);
    const Plan plan = Analysis(text, fileName, browserReadsShiftJis(text, page)).run();
    // The colour the page already shows: the file stays as it is, line ends and all.
    if (plan.edit == Plan::Edit::Replace && plan.reading.color == std::optional<QColor>(color))
        return {fileText, QString()};
    const QByteArray block = colorBlock(color);
    const QByteArray digits = block.mid(block.indexOf('#'), 7);
    QByteArray inserted;
    switch (plan.edit) {
    case Plan::Edit::None:
        return {std::nullopt, plan.reading.problem};
    case Plan::Edit::Append:
        // The marker must start a line of its own to count on the next reading.
        if (!text.isEmpty() && !text.endsWith('\n'))
            inserted = "\n";
        inserted += "body {\n" + marker() + '\n' + block + marker() + "\n}\n";
        break;
    case Plan::Edit::Insert:
        inserted = "    background-color: " + digits + ";\n";
        break;
    case Plan::Edit::Replace:
        inserted = (plan.blankFirst ? " " : "") + digits;
        break;
    }
    // One copy of what is kept: a style sheet can be large.
    const qsizetype begin = plan.edit == Plan::Edit::Append ? text.size() : plan.begin;
    const qsizetype end = plan.edit == Plan::Edit::Append ? text.size() : plan.end;
    QByteArray out;
    out.reserve(text.size() - (end - begin) + inserted.size());
    out.append(QByteArrayView(text).first(begin)).append(inserted).append(QByteArrayView(text).sliced(end));
    // What is written must read back as the colour written: taking bytes out of the block can change
    // how the rest reads (a sheet that turns into valid Shift_JIS, say).
    const Reading back = Analysis(out, fileName, browserReadsShiftJis(out, page)).run().reading;
    if (back.kind == Kind::Refused || back.color != std::optional<QColor>(color))
        return {std::nullopt, message::notReadBack(fileName)};
    return {out, QString()};
}
} // namespace StyleSheetColour
