#include "BgColor.h"

#include "TextCodec.h"
#include "TextUtil.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace BgColor {
namespace {
using Kind = Reading::Kind;

// CSS tokens, as far as the block needs them: what can hide a marker or a brace (comments, strings,
// unquoted url()), the punctuation that gives a rule its shape, and words in between.
struct Token {
    enum Type { Blank, Comment, String, BadString, Delim, Word } type;
    qsizetype begin, end;
    bool open = false; // a comment, string or url() the text ends inside
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f';
}
bool isDelim(char c) {
    return c != 0 && std::strchr("{}()[];:!,/", c);
}

QList<Token> tokenize(const QByteArray& t, bool shiftJis) {
    const qsizetype n = t.size();
    // A Shift_JIS character can have a backslash or a bracket as its second byte.
    auto width = [&](qsizetype at) {
        const uchar c = uchar(t[at]);
        return shiftJis && at + 1 < n && ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) ? 2 : 1;
    };
    QList<Token> out;
    qsizetype i = 0;
    while (i < n) {
        const qsizetype b = i;
        const char c = t[i];
        if (isBlank(c)) {
            while (i < n && isBlank(t[i]))
                ++i;
            out.append({Token::Blank, b, i});
        } else if (c == '/' && i + 1 < n && t[i + 1] == '*') {
            const qsizetype close = t.indexOf("*/", i + 2);
            i = close < 0 ? n : close + 2;
            out.append({Token::Comment, b, i, close < 0});
        } else if (c == '"' || c == '\'') {
            Token s{Token::String, b, n, true};
            for (++i; i < n;) {
                if (t[i] == c) {
                    ++i;
                    s.open = false;
                    break;
                }
                if (t[i] == '\n') { // the string ends unclosed at the line end
                    s.type = Token::BadString;
                    s.open = false;
                    break;
                }
                if (t[i] == '\\' && ++i == n)
                    break;
                i += width(i); // an escaped line end continues the string
            }
            s.end = i;
            out.append(s);
        } else if (isDelim(c)) {
            out.append({Token::Delim, b, ++i});
        } else {
            while (i < n && !isBlank(t[i]) && !isDelim(t[i]) && t[i] != '"' && t[i] != '\'') {
                if (t[i] == '\\') {
                    ++i;
                    if (i == n || t[i] == '\n')
                        continue;
                }
                i += width(i);
            }
            Token w{Token::Word, b, i};
            // An unquoted url() is one token up to its ")", whatever it holds.
            if (i < n && t[i] == '(' && t.mid(b, i - b).toLower() == "url") {
                qsizetype j = i + 1;
                while (j < n && isBlank(t[j]))
                    ++j;
                if (j == n || (t[j] != '"' && t[j] != '\'')) {
                    while (j < n && t[j] != ')')
                        j += t[j] == '\\' && j + 1 < n ? 1 + width(j + 1) : width(j);
                    w.open = j == n;
                    i = w.end = j < n ? j + 1 : n;
                }
            }
            out.append(w);
        }
    }
    return out;
}

bool onlyBlanks(const QByteArray& t, qsizetype from, qsizetype to) {
    for (qsizetype i = from; i < to; ++i)
        if (t[i] != ' ' && t[i] != '\t')
            return false;
    return true;
}

// The indexes of the marker comments that stand alone on their line.
QList<qsizetype> markerTokens(const QByteArray& t, const QList<Token>& tokens) {
    const QByteArray marker = Marker();
    QList<qsizetype> found;
    for (qsizetype k = 0; k < tokens.size(); ++k) {
        const Token& c = tokens[k];
        if (c.type != Token::Comment || c.end - c.begin != marker.size() || t.mid(c.begin, marker.size()) != marker)
            continue;
        const qsizetype lineStart = c.begin == 0 ? 0 : t.lastIndexOf('\n', c.begin - 1) + 1;
        qsizetype lineEnd = t.indexOf('\n', c.end);
        if (lineEnd < 0)
            lineEnd = t.size();
        if (onlyBlanks(t, lineStart, c.begin) && onlyBlanks(t, c.end, lineEnd))
            found.append(k);
    }
    return found;
}

bool isDelim(const QByteArray& t, const Token& token, char c) {
    return token.type == Token::Delim && t[token.begin] == c;
}
bool significant(const Token& token) {
    return token.type != Token::Blank && token.type != Token::Comment;
}

// Brackets as CSS pairs them: a closing bracket that does not match the innermost open one is an
// ordinary token.
void track(QList<qsizetype>& open, const QByteArray& t, const Token& token) {
    if (token.type != Token::Delim)
        return;
    const char c = t[token.begin];
    if (c == '{' || c == '(' || c == '[')
        open.append(token.begin);
    else if (!open.isEmpty() && ((c == '}' && t[open.last()] == '{') || (c == ')' && t[open.last()] == '(') ||
                                 (c == ']' && t[open.last()] == '[')))
        open.removeLast();
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

// What the save does to the text, found together with the reading.
struct Plan {
    Reading reading;
    enum class Edit { None, Append, Insert, Replace } edit = Edit::None;
    qsizetype begin = 0, end = 0; // Insert: the place; Replace: the span of the value
    bool blankFirst = false;      // the value is empty: a blank goes after the colon
};

class Analysis {
public:
    Analysis(const QByteArray& t, const QString& fileName)
        : t(t), f(fileName), encoding(TextCodec::Detect(t)),
          tokens(tokenize(t, encoding == TextCodec::Encoding::ShiftJis)) {}
    Plan run();

private:
    const QByteArray& t;
    const QString f;
    const std::optional<TextCodec::Encoding> encoding;
    const QList<Token> tokens;

    QString line(qsizetype at) const { return QString::number(t.left(at).count('\n') + 1) + QStringLiteral("行目"); }
    // A piece of the file as a message shows it: on one line, cut when long.
    QString shown(qsizetype begin, qsizetype end) const {
        QString s =
            TextCodec::Decode(t.mid(begin, end - begin), encoding.value_or(TextCodec::Encoding::Utf8)).simplified();
        if (s.size() > 40)
            s = s.left(40) + u'…';
        return TextUtil::Shown(s);
    }
    Plan refuse(const QString& problem) const { return {{Kind::Refused, std::nullopt, problem}}; }

    // The shape of the text up to a token: the brackets open there, and the top-level statement in
    // progress (where it began; broken when the page cannot read it as a rule).
    struct Outline {
        QList<qsizetype> open;
        std::optional<qsizetype> statement;
        bool broken = false;
    };
    Outline outline(qsizetype end) const;
    Plan append();
    Plan block(qsizetype first, qsizetype second);
};

Plan Analysis::run() {
    const QList<qsizetype> marks = markerTokens(t, tokens);
    if (marks.isEmpty())
        return append();
    if (marks.size() == 2)
        return block(marks[0], marks[1]);
    QStringList lines;
    for (qsizetype k : marks)
        lines << line(tokens[k].begin);
    return refuse(
        f + QStringLiteral("の背景色の目印「") + QString::fromLatin1(Marker()) + QStringLiteral("」が") +
        QString::number(marks.size()) + QStringLiteral("つあるため保存できません（") +
        lines.join(QStringLiteral("、")) +
        QStringLiteral("）。目印は、背景色の指定の前と後ろに1行ずつ、目印だけの行にして2つだけ置いて下さい..."));
}

Analysis::Outline Analysis::outline(qsizetype end) const {
    Outline o;
    bool atRule = false;
    for (qsizetype k = 0; k < end; ++k) {
        const Token& token = tokens[k];
        if (token.open) {
            o.statement = o.statement.value_or(token.begin);
            o.broken = true;
            break;
        }
        if (!significant(token))
            continue;
        if (o.open.isEmpty() && !o.statement) {
            o.statement = token.begin;
            atRule = token.type == Token::Word && t[token.begin] == '@';
            o.broken = false;
        }
        const qsizetype depth = o.open.size();
        track(o.open, t, token);
        if (depth == 0 && o.open.isEmpty()) {
            // At the top level a ";" ends only an at-rule; a selector runs on through it and through
            // closing brackets that close nothing.
            if (atRule && isDelim(t, token, ';'))
                o.statement.reset();
            else if (isDelim(t, token, ';') || isDelim(t, token, '}') || isDelim(t, token, ')') ||
                     isDelim(t, token, ']'))
                o.broken = true;
        } else if (depth == 1 && o.open.isEmpty() && isDelim(t, token, '}')) {
            o.statement.reset();
        }
    }
    return o;
}

Plan Analysis::append() {
    // The new rule must start where a rule may: after a finished statement (a rule's closing brace,
    // or the ";" of an at-rule), not inside a comment, a string, brackets or a selector.
    const std::optional<qsizetype> statement = outline(tokens.size()).statement;
    if (statement)
        return refuse(
            f + QStringLiteral("は") + line(*statement) +
            QStringLiteral("からの記述が閉じないまま終わっているため、背景色の指定を最後に書き足せません..."));
    Plan p{
        {Kind::NeedsColour, std::nullopt,
         f + QStringLiteral("には背景色の目印「") + QString::fromLatin1(Marker()) +
             QStringLiteral("」だけの行がないため、ページの背景色を表示できません。「色を選択」で色を選ぶと、「背景色"
                            "変更」で、その色の指定を目印で挟んでファイルの最後に書き足します。色を選ぶまで、") +
             f + QStringLiteral("は書き換えません...")}};
    p.edit = Plan::Edit::Append;
    return p;
}

Plan Analysis::block(qsizetype first, qsizetype second) {
    const Token& m1 = tokens[first];
    const Token& m2 = tokens[second];
    // In front of the block: it must stand inside a rule's braces, after a finished declaration.
    const Outline head = outline(first);
    if (head.open.isEmpty() || t[head.open.last()] != '{')
        return refuse(
            f + QStringLiteral("の背景色の目印（") + line(m1.begin) +
            QStringLiteral("）が「{ }」の中にないため、目印の間の背景色はページに読まれません。目印は「body {」"
                           "と「}」の間に置いて下さい..."));
    if (head.broken)
        return refuse(
            f + QStringLiteral("の") + line(*head.statement) +
            QStringLiteral("からの記述が、背景色の目印のある規則のセレクタとつながって読まれるため、目印の間の"
                           "背景色はページに読まれません..."));
    std::optional<qsizetype> last;
    for (qsizetype k = 0; k < first; ++k)
        if (significant(tokens[k]))
            last = k;
    if (last && !isDelim(t, tokens[*last], '{') && !isDelim(t, tokens[*last], ';'))
        return refuse(f + QStringLiteral("の") + line(tokens[*last].begin) +
                      QStringLiteral("の指定が「;」で終わっていないため、その後ろの目印の間の背景色がページに読まれませ"
                                     "ん。「;」を付けて下さい..."));

    // The block's declarations, cut at the semicolons outside brackets.
    struct Piece {
        QList<qsizetype> all; // every token, blanks and comments included
        QList<qsizetype> sig;
    };
    QList<Piece> pieces(1);
    QList<qsizetype> open;
    for (qsizetype k = first + 1; k < second; ++k) {
        const Token& token = tokens[k];
        if (token.type == Token::BadString)
            return refuse(f + QStringLiteral("の") + line(token.begin) +
                          QStringLiteral("で、背景色の目印の間の文字列が閉じていないため保存できません..."));
        if (isDelim(t, token, '{') || isDelim(t, token, '}'))
            return refuse(f + QStringLiteral("の") + line(token.begin) + QStringLiteral("で、背景色の目印の間に「") +
                          QChar::fromLatin1(t[token.begin]) +
                          QStringLiteral("」があるため保存できません。目印の間には指定だけを書いて下さい..."));
        track(open, t, token);
        if (open.isEmpty() && isDelim(t, token, ';')) {
            pieces.append(Piece());
            continue;
        }
        pieces.last().all.append(k);
        if (significant(token))
            pieces.last().sig.append(k);
    }
    if (!open.isEmpty())
        return refuse(f + QStringLiteral("の") + line(open.first()) + QStringLiteral("の「") +
                      QChar::fromLatin1(t[open.first()]) +
                      QStringLiteral("」が背景色の目印の間で閉じていないため保存できません..."));
    if (!pieces.last().sig.isEmpty()) {
        // The last declaration runs on past the marker, up to the next ";" or "}".
        for (qsizetype k = second + 1; k < tokens.size(); ++k) {
            if (!significant(tokens[k]))
                continue;
            if (!isDelim(t, tokens[k], ';') && !isDelim(t, tokens[k], '}'))
                return refuse(f + QStringLiteral("の") + line(tokens[pieces.last().sig.first()].begin) +
                              QStringLiteral("の指定が「;」で終わっていないため、目印の後ろの記述とつながってしまいま"
                                             "す。「;」を付けて下さい..."));
            break;
        }
    }

    // Which declaration is which.
    QList<qsizetype> colours, resets, others; // indexes into pieces
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        const Piece& p = pieces[i];
        if (p.sig.isEmpty())
            continue;
        const Token& name = tokens[p.sig[0]];
        const bool declaration = name.type == Token::Word && p.sig.size() >= 2 && isDelim(t, tokens[p.sig[1]], ':');
        const QByteArray lower = t.mid(name.begin, name.end - name.begin).toLower();
        if (declaration && lower.contains('\\'))
            return refuse(
                f + QStringLiteral("の") + line(name.begin) +
                QStringLiteral("の指定の名前に「\\」があるため、背景色の指定かどうか分からず保存できません..."));
        if (declaration && lower == "background-color")
            colours.append(i);
        else if (declaration && (lower == "background" || lower == "all"))
            resets.append(i);
        else
            others.append(i);
    }
    if (colours.size() > 1) {
        QStringList lines;
        for (qsizetype i : colours)
            lines << line(tokens[pieces[i].sig[0]].begin);
        return refuse(f + QStringLiteral("の背景色の目印の間に背景色の指定が") + QString::number(colours.size()) +
                      QStringLiteral("つあるため保存できません（") + lines.join(QStringLiteral("、")) +
                      QStringLiteral("）。1つにして下さい..."));
    }
    // A shorthand after the colour (or anywhere, where the colour goes in as the first line) sets the
    // colour again, so the page would not show what is written.
    for (qsizetype i : resets) {
        if (!colours.isEmpty() && i < colours[0]) {
            others.append(i);
            continue;
        }
        const Token& name = tokens[pieces[i].sig[0]];
        return refuse(f + QStringLiteral("の") + line(name.begin) + QStringLiteral("の") + shown(name.begin, name.end) +
                      QStringLiteral("の指定が目印の間の背景色を上書きするため保存できません。背景色は「background-"
                                     "color」だけで指定して下さい..."));
    }
    std::sort(others.begin(), others.end());
    const QString keep = QStringLiteral("色を選ぶまで、") + f + QStringLiteral("は書き換えません...");
    Plan plan;
    if (colours.isEmpty()) {
        plan.reading = {
            Kind::NeedsColour, std::nullopt,
            f + QStringLiteral("の背景色の目印の間（") + line(m1.begin) + QStringLiteral("から") + line(m2.begin) +
                QStringLiteral("）に背景色の指定がないため、ページの背景色を表示できません。「色を選択」で色を"
                               "選ぶと、「背景色変更」でその指定を書き足します。") +
                keep};
        plan.edit = Plan::Edit::Insert;
        plan.begin = plan.end = t.indexOf('\n', m1.end) + 1;
        return plan;
    }

    // The value: the tokens after the colon, without "!important".
    const Piece& decl = pieces[colours[0]];
    QList<qsizetype> value;
    for (qsizetype k : decl.sig)
        if (k > decl.sig[1])
            value.append(k);
    if (value.size() >= 2 && isDelim(t, tokens[value[value.size() - 2]], '!') &&
        tokens[value.last()].type == Token::Word &&
        t.mid(tokens[value.last()].begin, tokens[value.last()].end - tokens[value.last()].begin).toLower() ==
            "important")
        value.resize(value.size() - 2);
    plan.edit = Plan::Edit::Replace;
    std::optional<QColor> colour;
    if (value.isEmpty()) {
        plan.begin = plan.end = tokens[decl.sig[1]].end;
        plan.blankFirst = true;
    } else {
        plan.begin = tokens[value.first()].begin;
        plan.end = tokens[value.last()].end;
        QByteArray text;
        for (qsizetype k : decl.all)
            if (tokens[k].begin >= plan.begin && tokens[k].end <= plan.end)
                text += significant(tokens[k]) ? t.mid(tokens[k].begin, tokens[k].end - tokens[k].begin) : " ";
        colour = parseColour(text);
    }
    const qsizetype at = tokens[decl.sig[0]].begin;
    if (!colour)
        plan.reading = {Kind::NeedsColour, std::nullopt,
                        f + QStringLiteral("の") + line(at) + QStringLiteral("の背景色") +
                            (value.isEmpty() ? QStringLiteral("（値がありません）") : shown(plan.begin, plan.end)) +
                            QStringLiteral("は、この画面では表示できません（表示できるのは、#と3桁か6桁の16進数、色の名"
                                           "前、数で書いたrgb()です）。「色を選択」で色を選ぶと、「背景色変更」でその値"
                                           "を書き換えます。") +
                            keep};
    else if (!others.isEmpty())
        plan.reading = {
            Kind::NeedsColour, colour,
            f + QStringLiteral("の") + line(tokens[pieces[others[0]].sig[0]].begin) +
                QStringLiteral("に、背景色の目印の間のほかの指定") +
                shown(tokens[pieces[others[0]].sig.first()].begin, tokens[pieces[others[0]].sig.last()].end) +
                QStringLiteral("があります。この画面は背景色だけを表示します。「色を選択」で色を選ぶと、「背"
                               "景色変更」で背景色の値だけを書き換え、ほかの指定はそのまま残します。") +
                keep};
    else
        plan.reading = {Kind::Shown, colour, QString()};
    return plan;
}
} // namespace

QByteArray Marker() {
    return QByteArrayLiteral("/*body-gackground-color*/");
}

QList<qsizetype> MarkerLines(const QByteArray& lfText) {
    const QList<Token> tokens = tokenize(lfText, TextCodec::Detect(lfText) == TextCodec::Encoding::ShiftJis);
    QList<qsizetype> at;
    for (qsizetype k : markerTokens(lfText, tokens))
        at.append(tokens[k].begin);
    return at;
}

Reading Read(const QByteArray& fileText, const QString& fileName) {
    const QByteArray text = TextUtil::ReplaceLineEndings(fileText);
    return Analysis(text, fileName).run().reading;
}

QByteArray ColorBlock(const QColor& color) {
    return "    background-color: #" + TextUtil::Hex2(color.red()).toLatin1() +
           TextUtil::Hex2(color.green()).toLatin1() + TextUtil::Hex2(color.blue()).toLatin1() + ";\n    ";
}

SaveResult Save(const QByteArray& fileText, const QColor& color, const QString& fileName) {
    const QByteArray text = TextUtil::ReplaceLineEndings(fileText);
    const Plan plan = Analysis(text, fileName).run();
    const QByteArray block = ColorBlock(color);
    const QByteArray digits = block.mid(block.indexOf('#'), 7);
    switch (plan.edit) {
    case Plan::Edit::None:
        break;
    case Plan::Edit::Append: {
        // The marker must start a line of its own to count on the next reading.
        const QByteArray lineEnd = text.isEmpty() || text.endsWith('\n') ? QByteArray() : QByteArray("\n");
        return {text + lineEnd + "body {\n" + Marker() + '\n' + block + Marker() + "\n}\n", QString()};
    }
    case Plan::Edit::Insert:
        return {text.left(plan.begin) + "    background-color: " + digits + ";\n" + text.mid(plan.begin), QString()};
    case Plan::Edit::Replace:
        return {text.left(plan.begin) + (plan.blankFirst ? " " : "") + digits + text.mid(plan.end), QString()};
    }
    return {std::nullopt, plan.reading.problem};
}
} // namespace BgColor
