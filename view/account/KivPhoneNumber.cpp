#include "account/KivPhoneNumber.h"

#include <QRegularExpression>

bool KivPhoneNumber::IsValid(const QString& text) {
    static const QRegularExpression rule(
        QRegularExpression::anchoredPattern(QStringLiteral("1[3-8][0-9]{9}")));
    return rule.match(text).hasMatch();
}
