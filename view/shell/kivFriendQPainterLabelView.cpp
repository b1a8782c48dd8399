#include "shell/kivFriendQPainterLabelView.h"

#include <QImage>
#include <QPainter>
#include <QPixmap>

#include "support/KivSafeImage.h"

kivFriendQPainterLabelView::kivFriendQPainterLabelView(QWidget* parent) : QPushButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFlat(true);
}

void kivFriendQPainterLabelView::getArguments(QString path) {
    m_path = std::move(path);
    update();
}

void kivFriendQPainterLabelView::SetGreyed(bool greyed) {
    if (m_greyed == greyed)
        return;
    m_greyed = greyed;
    update();
}

void kivFriendQPainterLabelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(236, 243, 249, 150), 6));
    const QRect circle = rect().adjusted(3, 3, -3, -3);
    QPixmap picture = KivSafeImage::Pixmap(m_path);
    if (picture.isNull())
        picture.load(QStringLiteral("image/head/head.png"));
    if (!picture.isNull() && !circle.isEmpty()) {
        // The middle square of the picture fills the circle: a brush smaller
        // than the circle would repeat, so a wide or tall head would tile.
        const int side = qMin(picture.width(), picture.height());
        QPixmap square =
            picture.copy((picture.width() - side) / 2, (picture.height() - side) / 2, side, side);
        if (m_greyed)
            square =
                QPixmap::fromImage(square.toImage().convertToFormat(QImage::Format_Grayscale8));
        QBrush brush(square.scaled(circle.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        brush.setTransform(QTransform::fromTranslate(circle.x(), circle.y()));
        painter.setBrush(brush);
    } else {
        painter.setBrush(QColor(220, 228, 236));
    }
    painter.drawEllipse(circle);
}
