#include "contacts/CImageEditWid.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kShade(0, 0, 0, 100);
const QColor kFrame(10, 124, 202);

Qt::CursorShape CursorFor(CImageEditWid::Handle handle) {
    switch (handle) {
        case CImageEditWid::TopLeft:
        case CImageEditWid::BottomRight:
            return Qt::SizeFDiagCursor;
        case CImageEditWid::TopRight:
        case CImageEditWid::BottomLeft:
            return Qt::SizeBDiagCursor;
        case CImageEditWid::Top:
        case CImageEditWid::Bottom:
            return Qt::SizeVerCursor;
        case CImageEditWid::Left:
        case CImageEditWid::Right:
            return Qt::SizeHorCursor;
        case CImageEditWid::Move:
            return Qt::SizeAllCursor;
        case CImageEditWid::None:
            break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

CImageEditWid::CImageEditWid(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CImageEditWid"));
    setMouseTracking(true);
}

void CImageEditWid::SetImage(const QImage& image) {
    m_image = image;
    Fit();
    // Start with the largest centred square.
    const qreal side = qMin(m_imageRect.width(), m_imageRect.height()) * 0.8;
    SetSelection(QRectF(m_imageRect.center().x() - side / 2, m_imageRect.center().y() - side / 2,
                        side, side));
    m_cut = CutImage();
    emit mouseRelease(&m_cut);
}

void CImageEditWid::Clear() {
    m_image = QImage();
    m_shown = QPixmap();
    m_selection = QRectF();
    m_cut = QImage();
    update();
}

void CImageEditWid::Fit() {
    if (m_image.isNull())
        return;
    const QSize fitted = m_image.size().scaled(size(), Qt::KeepAspectRatio);
    m_shown =
        QPixmap::fromImage(m_image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    m_imageRect = QRectF((width() - fitted.width()) / 2.0, (height() - fitted.height()) / 2.0,
                         fitted.width(), fitted.height());
    update();
}

void CImageEditWid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_image.isNull())
        return;
    const QRectF old = m_imageRect;
    Fit();
    if (old.width() > 0) {
        // Keep the same part of the picture selected.
        const qreal scale = m_imageRect.width() / old.width();
        SetSelection(QRectF(m_imageRect.topLeft() + (m_selection.topLeft() - old.topLeft()) * scale,
                            m_selection.size() * scale));
    }
}

QRectF CImageEditWid::Clamp(const QRectF& rect) const {
    QRectF r = rect;
    const qreal limit = qMin(m_imageRect.width(), m_imageRect.height());
    const qreal side = qBound(qMin(kMinSide, limit), qMin(r.width(), r.height()), limit);
    r.setSize(QSizeF(side, side));
    if (r.left() < m_imageRect.left())
        r.moveLeft(m_imageRect.left());
    if (r.top() < m_imageRect.top())
        r.moveTop(m_imageRect.top());
    if (r.right() > m_imageRect.right())
        r.moveRight(m_imageRect.right());
    if (r.bottom() > m_imageRect.bottom())
        r.moveBottom(m_imageRect.bottom());
    return r;
}

void CImageEditWid::SetSelection(const QRectF& selection) {
    m_selection = m_image.isNull() ? QRectF() : Clamp(selection.normalized());
    update();
}

QImage CImageEditWid::CutImage() const {
    if (m_image.isNull() || m_imageRect.width() <= 0)
        return QImage();
    const qreal scale = m_image.width() / m_imageRect.width();
    const QRectF source((m_selection.left() - m_imageRect.left()) * scale,
                        (m_selection.top() - m_imageRect.top()) * scale,
                        m_selection.width() * scale, m_selection.height() * scale);
    return m_image.copy(source.toAlignedRect().intersected(m_image.rect()));
}

QPointF CImageEditWid::HandlePoint(Handle handle) const {
    const QRectF& r = m_selection;
    switch (handle) {
        case TopLeft:
            return r.topLeft();
        case Top:
            return {r.center().x(), r.top()};
        case TopRight:
            return r.topRight();
        case Right:
            return {r.right(), r.center().y()};
        case BottomRight:
            return r.bottomRight();
        case Bottom:
            return {r.center().x(), r.bottom()};
        case BottomLeft:
            return r.bottomLeft();
        case Left:
            return {r.left(), r.center().y()};
        default:
            return r.center();
    }
}

CImageEditWid::Handle CImageEditWid::HandleAt(const QPointF& pos) const {
    if (m_selection.isEmpty())
        return None;
    for (int h = TopLeft; h <= Left; ++h) {
        const QPointF at = HandlePoint(Handle(h));
        if (qAbs(pos.x() - at.x()) <= kHandle && qAbs(pos.y() - at.y()) <= kHandle)
            return Handle(h);
    }
    return m_selection.contains(pos) ? Move : None;
}

void CImageEditWid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_shown.isNull())
        return;
    painter.drawPixmap(m_imageRect.topLeft(), m_shown);
    QPainterPath outside;
    outside.addRect(rect());
    QPainterPath inside;
    inside.addRect(m_selection);
    painter.fillPath(outside.subtracted(inside), kShade);
    painter.setPen(QPen(kFrame, 1));
    painter.drawRect(m_selection);
    painter.setBrush(kFrame);
    for (int h = TopLeft; h <= Left; ++h) {
        const QPointF at = HandlePoint(Handle(h));
        painter.drawRect(QRectF(at.x() - kHandle / 2.0, at.y() - kHandle / 2.0, kHandle, kHandle));
    }
}

void CImageEditWid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_image.isNull())
        return;
    m_active = HandleAt(event->localPos());
    m_last = event->localPos();
}

void CImageEditWid::ResizeFrom(Handle handle, const QPointF& pos) {
    QRectF r = m_selection;
    // The corner or edge opposite the handle stays where it is.
    switch (handle) {
        case TopLeft: {
            const qreal side = qMax(r.right() - pos.x(), r.bottom() - pos.y());
            r.setTopLeft(QPointF(r.right() - side, r.bottom() - side));
            break;
        }
        case TopRight: {
            const qreal side = qMax(pos.x() - r.left(), r.bottom() - pos.y());
            r = QRectF(r.left(), r.bottom() - side, side, side);
            break;
        }
        case BottomLeft: {
            const qreal side = qMax(r.right() - pos.x(), pos.y() - r.top());
            r = QRectF(r.right() - side, r.top(), side, side);
            break;
        }
        case BottomRight: {
            const qreal side = qMax(pos.x() - r.left(), pos.y() - r.top());
            r.setSize(QSizeF(side, side));
            break;
        }
        case Top:
        case Bottom: {
            const qreal side = handle == Top ? r.bottom() - pos.y() : pos.y() - r.top();
            const qreal top = handle == Top ? r.bottom() - side : r.top();
            r = QRectF(r.center().x() - side / 2, top, side, side);
            break;
        }
        case Left:
        case Right: {
            const qreal side = handle == Left ? r.right() - pos.x() : pos.x() - r.left();
            const qreal left = handle == Left ? r.right() - side : r.left();
            r = QRectF(left, r.center().y() - side / 2, side, side);
            break;
        }
        default:
            return;
    }
    if (r.width() < kMinSide)
        return;
    SetSelection(r);
}

void CImageEditWid::mouseMoveEvent(QMouseEvent* event) {
    const QPointF pos = event->localPos();
    if (m_active == None || !(event->buttons() & Qt::LeftButton)) {
        setCursor(CursorFor(HandleAt(pos)));
        return;
    }
    if (m_active == Move) {
        SetSelection(m_selection.translated(pos - m_last));
    } else {
        ResizeFrom(m_active, pos);
    }
    m_last = pos;
}

void CImageEditWid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || m_active == None)
        return;
    m_active = None;
    m_cut = CutImage();
    emit mouseRelease(&m_cut);
}
