#include "KivLiteralScan.h"

namespace {

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

}  // namespace

QList<KivLiteralScan::Literal> KivLiteralScan::Literals(const QString& source) {
    QList<Literal> found;
    QStringList calls;
    QString word;  // the last word, while nothing but blanks followed it
    QString statement;
    QStringList statementCalls;
    bool statementOpen = false;
    int line = 1;
    const int n = source.size();
    auto at = [&](int i) { return i < n ? source.at(i) : QChar(); };
    bool lineStart = true;
    for (int i = 0; i < n; ++i) {
        const QChar c = source.at(i);
        if (c == QLatin1Char('\n')) {
            ++line;
            lineStart = true;
            continue;
        }
        if (lineStart && c == QLatin1Char('#')) {
            // A preprocessor line, with its continuations.
            while (i < n &&
                   !(source.at(i) == QLatin1Char('\n') && source.at(i - 1) != QLatin1Char('\\')))
                ++i;
            ++line;
            continue;
        }
        if (!c.isSpace())
            lineStart = false;
        if (c == QLatin1Char('/') && at(i + 1) == QLatin1Char('/')) {
            while (i < n && source.at(i) != QLatin1Char('\n'))
                ++i;
            --i;
            continue;
        }
        if (c == QLatin1Char('/') && at(i + 1) == QLatin1Char('*')) {
            const int end = source.indexOf(QLatin1String("*/"), i + 2);
            const int stop = end < 0 ? n : end + 2;
            line += source.midRef(i, stop - i).count(QLatin1Char('\n'));
            i = stop - 1;
            continue;
        }
        if (c == QLatin1Char('"')) {
            Literal literal;
            literal.line = line;
            literal.calls = calls;
            literal.statement = statement;
            literal.earlierCalls = statementCalls;
            const bool raw =
                source.at(i - 1) == QLatin1Char('R') && word.endsWith(QLatin1Char('R'));
            int j = i + 1;
            if (raw) {
                const int open = source.indexOf(QLatin1Char('('), j);
                const QString close = QLatin1Char(')') + source.mid(j, open - j) + QLatin1Char('"');
                const int end = source.indexOf(close, open);
                literal.text = source.mid(open + 1, end - open - 1);
                j = end + close.size() - 1;
            } else {
                while (j < n && source.at(j) != QLatin1Char('"')) {
                    if (source.at(j) == QLatin1Char('\\'))
                        ++j;
                    ++j;
                }
                literal.text = source.mid(i + 1, j - i - 1);
            }
            line += literal.text.count(QLatin1Char('\n'));
            found.append(literal);
            i = j;
            word.clear();
            continue;
        }
        if (c == QLatin1Char('\'')) {
            // A digit separator (1'000) is no character literal.
            if (i > 0 && source.at(i - 1).isLetterOrNumber() && !word.isEmpty() &&
                word.at(0).isDigit())
                continue;
            int j = i + 1;
            while (j < n && source.at(j) != QLatin1Char('\'')) {
                if (source.at(j) == QLatin1Char('\\'))
                    ++j;
                ++j;
            }
            i = j;
            word.clear();
            continue;
        }
        if (IsWordChar(c)) {
            if (i == 0 || !IsWordChar(source.at(i - 1)))
                word.clear();
            word.append(c);
            if (!statementOpen) {
                statement.append(c);
                if (!IsWordChar(at(i + 1)))
                    statementOpen = true;
            }
            continue;
        }
        if (c == QLatin1Char('(')) {
            calls.append(word);
            statementCalls.append(word);
            word.clear();
            continue;
        }
        if (c == QLatin1Char(')')) {
            if (!calls.isEmpty())
                calls.removeLast();
            word.clear();
            continue;
        }
        if (c == QLatin1Char(';') || c == QLatin1Char('{') || c == QLatin1Char('}')) {
            statement.clear();
            statementCalls.clear();
            statementOpen = false;
        }
        if (c == QLatin1Char(':') && at(i + 1) == QLatin1Char(':')) {
            // Keep only the last part of a qualified name.
            ++i;
            continue;
        }
        if (!c.isSpace())
            word.clear();
    }
    return found;
}
