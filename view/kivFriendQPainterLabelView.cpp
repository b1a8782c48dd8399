#include "kivFriendQPainterLabelView.h"

#include <QPainter>
#include <QPixmap>

kivFriendQPainterLabelView::kivFriendQPainterLabelView(QWidget* parent) : QPushButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFlat(true);
}

void kivFriendQPainterLabelView::getArguments(QString path) {
    m_path = std::move(path);
    update();
}

void kivFriendQPainterLabelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(236, 243, 249, 150), 6));
    QPixmap picture(m_path);
    if (picture.isNull())
        picture.load(QStringLiteral("image/head/head.png"));
    if (!picture.isNull()) {
        // The brush pattern starts at the origin, which is where the circle starts.
        painter.setBrush(picture.scaled(75, 75, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else {
        painter.setBrush(QColor(220, 228, 236));
    }
    painter.drawEllipse(rect().adjusted(3, 3, -3, -3));
}
