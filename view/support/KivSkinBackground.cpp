#include "support/KivSkinBackground.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

void KivSkinBackground::Apply(QWidget* window, const QString& picture, const QSize& fallback) {
    const QPixmap background(picture);
    window->resize(background.isNull() ? fallback : background.size());
    if (background.isNull())
        return;
    QPalette pal = window->palette();
    pal.setBrush(QPalette::Window, QBrush(background));
    window->setPalette(pal);
    window->setAutoFillBackground(true);
}

QLabel* KivSkinBackground::AddTitle(QWidget* window, const QString& text) {
    auto* title = new QLabel(text, window);
    title->setObjectName(QStringLiteral("labelTitle"));
    title->setGeometry(14, 5, 260, 26);
    window->setWindowTitle(text);
    return title;
}
