#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The string literals of a C++ source, each with the calls it sits in and
// the calls before it in its statement, so a check can tell `tr("…")` from
// `label->setText(QStringLiteral("…"))` and `qDebug() << "…"`.
class KivLiteralScan {
public:
    struct Literal {
        int line = 0;
        QString text;              // as written between the quotes
        QStringList calls;         // enclosing calls, outermost first ("" for a bare parenthesis)
        QString statement;         // the statement's first word
        QStringList earlierCalls;  // calls made before it in its statement
    };
    static QList<Literal> Literals(const QString& source);
};
