#include "support/KivFonts.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

void KivFonts::Install() {
    const QStringList cjk = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans CJK"),
                             QStringLiteral("WenQuanYi Micro Hei")};
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), cjk);
    QFont::insertSubstitutions(QStringLiteral("Microsoft YaHei"), cjk);
    QFont font = QApplication::font();
    font.setFamily(QStringLiteral("Noto Sans CJK SC"));
    QApplication::setFont(font);
}
