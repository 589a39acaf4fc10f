#pragma once
// How a fuzzed page-set file is written: style bytes, taken in turn, pick the blanks, comments and
// forms between and of its values.
#include <QByteArray>
#include <QString>

class Style {
public:
    explicit Style(const QByteArray& bytes) : m_bytes(bytes) {}
    int next(int choices) {
        if (m_bytes.isEmpty())
            return 0;
        return uchar(m_bytes[m_at++ % m_bytes.size()]) % choices;
    }
    // What may stand between two tokens.
    QString gap() {
        static const char* const gaps[] = {"", "", " ", "\n", "\t", " /* c */ ", "// c\n", "\r\n  ", "/*\n*/"};
        return QString::fromLatin1(gaps[next(9)]);
    }

private:
    QByteArray m_bytes;
    qsizetype m_at = 0;
};
