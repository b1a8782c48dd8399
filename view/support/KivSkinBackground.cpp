#include "support/KivSkinBackground.h"

#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "support/KivPicture.h"

void KivSkinBackground::Apply(QWidget* window, const QString& picture, const QSize& fallback) {
    const QPixmap background = KivPicture::Load(picture);
    window->resize(background.isNull() ? fallback : KivPicture::ShownSize(background));
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
