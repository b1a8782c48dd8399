#include "support/KivFocusRing.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

namespace {

constexpr int kMargin = 2;
const QColor kRing(64, 158, 255);

}  // namespace

KivFocusRing::KivFocusRing(QWidget* window) : QWidget(window) {
    setObjectName(QStringLiteral("focusRing"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    qApp->installEventFilter(this);
}

bool KivFocusRing::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::FocusIn: {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (!widget || widget->window() != window() || widget == window())
                break;
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            const bool byKeys = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                                reason == Qt::ShortcutFocusReason;
            if (byKeys) {
                Follow(widget);
            } else if (reason == Qt::MouseFocusReason) {
                Follow(nullptr);
            }
            break;
        }
        case QEvent::FocusOut:
            if (watched == m_target &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                Follow(nullptr);
            break;
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Hide:
            if (watched == m_target) {
                if (event->type() == QEvent::Hide)
                    Follow(nullptr);
                else
                    Place();
            }
            break;
        default:
            break;
    }
    return false;
}

void KivFocusRing::Follow(QWidget* target) {
    m_target = target;
    if (!target) {
        hide();
        return;
    }
    Place();
    raise();
    show();
}

void KivFocusRing::Place() {
    if (!m_target)
        return;
    const QPoint topLeft = m_target->mapTo(window(), QPoint(0, 0));
    setGeometry(QRect(topLeft, m_target->size()).adjusted(-kMargin, -kMargin, kMargin, kMargin));
}

void KivFocusRing::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kRing, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 4, 4);
}
