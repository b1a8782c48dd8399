#include "shell/QWindowBase.h"

#include <QApplication>
#include <QBitmap>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "support/KivFocusRing.h"

namespace {

const char* const kCloseButtonPicture = "Resources/skin/closeBt_general.png";
// Used when the skin picture is missing, so the buttons stay usable.
const QSize kFallbackButtonSize(32, 26);

}  // namespace

QWindowBase::QWindowBase(QWidget* parent) : QDialog(parent) {
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    m_pFocusRing = new KivFocusRing(this);
}

void QWindowBase::keyPressEvent(QKeyEvent* event) {
    const bool escape = event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier;
    if (!escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (!m_bEscapeCloses) {
        event->ignore();
        return;
    }
    if (m_pClose && m_pClose->isVisible()) {
        m_pClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void QWindowBase::SetBtnNumber(bool three) {
    m_bThreeButtons = three;
    const QPixmap closePicture(QString::fromLatin1(kCloseButtonPicture));
    m_titleButtonSize = closePicture.isNull() ? kFallbackButtonSize : closePicture.size();

    delete m_pMinimize;
    delete m_pMaximize;
    delete m_pClose;
    m_pMaximize = nullptr;

    m_pMinimize = new QPushButton(this);
    m_pMinimize->setObjectName(QStringLiteral("b_Minimize"));
    if (three) {
        m_pMaximize = new QPushButton(this);
        m_pMaximize->setObjectName(QStringLiteral("b_Maximize"));
    }
    m_pClose = new QPushButton(this);
    m_pClose->setObjectName(QStringLiteral("b_Close"));
    m_pMinimize->setAccessibleName(tr("最小化"));
    if (m_pMaximize)
        m_pMaximize->setAccessibleName(tr("最大化"));
    m_pClose->setAccessibleName(tr("关闭"));
    for (QPushButton* button : {m_pMinimize, m_pMaximize, m_pClose}) {
        if (!button)
            continue;
        // Reached by Tab, never taken by a click from the control in use.
        button->setFocusPolicy(Qt::TabFocus);
        button->setCursor(Qt::ArrowCursor);
        button->show();
    }
    PlaceTitleButtons();
}

void QWindowBase::PlaceTitleButtons() {
    if (!m_pClose)
        return;
    const int w = width();
    const int bw = m_titleButtonSize.width();
    const int bh = m_titleButtonSize.height();
    if (m_bThreeButtons) {
        m_pMinimize->setGeometry(w - 98, 0, bw, bh);
        m_pMaximize->setGeometry(w - 66, 0, bw, bh);
    } else {
        m_pMinimize->setGeometry(w - 66, 0, bw, bh);
    }
    m_pClose->setGeometry(w - 34, 0, bw, bh);
    m_pMinimize->raise();
    if (m_pMaximize)
        m_pMaximize->raise();
    m_pClose->raise();
}

void QWindowBase::EnableMove(bool on) {
    m_bMovable = on;
}

void QWindowBase::EnableResize(bool on) {
    m_bResizable = on;
    setMouseTracking(on);
    if (on) {
        if (objectName() != QLatin1String("MainDlg"))
            return;
        QScreen* screen =
            windowHandle() ? windowHandle()->screen() : QGuiApplication::primaryScreen();
        const int availableHeight = screen ? screen->availableGeometry().height() : QWIDGETSIZE_MAX;
        setMinimumSize(280, 520);
        setMaximumSize(540, availableHeight);
    } else {
        setMinimumSize(size());
        setMaximumSize(size());
    }
}

void QWindowBase::SetCornerType(EWndCornerType type) {
    if (windowFlags() & Qt::FramelessWindowHint)
        m_cornerType = type;
    if (isVisible() || testAttribute(Qt::WA_Resized)) {
        QResizeEvent event(size(), size());
        resizeEvent(&event);
    }
}

bool QWindowBase::SetSkin(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    setStyleSheet(QString::fromUtf8(file.readAll()));
    return true;
}

QWindowBase::HitZone QWindowBase::HitTest(const QPoint& pos, const QSize& size) {
    const int x = pos.x();
    const int y = pos.y();
    const int w = size.width();
    const int h = size.height();
    HitZone zone = HitNone;
    // Later rules win, so the corner zones override the plain edges.
    if (x < 2)
        zone = HitLeft;
    if (x >= w - 1)
        zone = HitRight;
    if (y < 2)
        zone = HitTop;
    if (y >= h - 1)
        zone = HitBottom;
    if (x >= 2 && x < 6 && y >= 2 && y < 6)
        zone = HitTopLeft;
    if (x >= w - 6 && x < w - 1 && y >= 2 && y < 6)
        zone = HitTopRight;
    if (x >= 2 && x < 6 && y > h - 6 && y < h - 1)
        zone = HitBottomLeft;
    if (x >= w - 6 && x < w - 1 && y > h - 6 && y < h - 1)
        zone = HitBottomRight;
    return zone;
}

Qt::Edges QWindowBase::EdgesOf(HitZone zone) {
    switch (zone) {
        case HitLeft:
            return Qt::LeftEdge;
        case HitRight:
            return Qt::RightEdge;
        case HitTop:
            return Qt::TopEdge;
        case HitBottom:
            return Qt::BottomEdge;
        case HitTopLeft:
            return Qt::TopEdge | Qt::LeftEdge;
        case HitTopRight:
            return Qt::TopEdge | Qt::RightEdge;
        case HitBottomLeft:
            return Qt::BottomEdge | Qt::LeftEdge;
        case HitBottomRight:
            return Qt::BottomEdge | Qt::RightEdge;
        case HitNone:
            break;
    }
    return {};
}

void QWindowBase::UpdateResizeCursor(const QPoint& pos) {
    const Qt::Edges edges = EdgesOf(HitTest(pos, size()));
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge)) {
        setCursor(Qt::SizeFDiagCursor);
    } else if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge)) {
        setCursor(Qt::SizeBDiagCursor);
    } else if (edges & (Qt::LeftEdge | Qt::RightEdge)) {
        setCursor(Qt::SizeHorCursor);
    } else if (edges & (Qt::TopEdge | Qt::BottomEdge)) {
        setCursor(Qt::SizeVerCursor);
    } else {
        unsetCursor();
    }
}

void QWindowBase::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_bResizable && windowHandle()) {
        const Qt::Edges edges = EdgesOf(HitTest(event->pos(), size()));
        if (edges && windowHandle()->startSystemResize(edges)) {
            event->accept();
            return;
        }
    }
    if (event->button() == Qt::LeftButton && m_bMovable && windowHandle()) {
        m_drag.Press(windowHandle(), event->globalPos(), pos());
    }
    QDialog::mousePressEvent(event);
}

void QWindowBase::mouseMoveEvent(QMouseEvent* event) {
    if (m_drag.IsPressed() && (event->buttons() & Qt::LeftButton)) {
        if (const std::optional<QPoint> target = m_drag.Move(event->globalPos()))
            move(*target);
    } else if (m_bResizable && event->buttons() == Qt::NoButton) {
        UpdateResizeCursor(event->pos());
    }
    QDialog::mouseMoveEvent(event);
}

void QWindowBase::mouseReleaseEvent(QMouseEvent* event) {
    m_drag.Release();
    QDialog::mouseReleaseEvent(event);
}

void QWindowBase::SetWindowSize(const QSize& size) {
    if (m_bResizable) {
        resize(size);
    } else {
        setFixedSize(size);
    }
}

void QWindowBase::showEvent(QShowEvent* event) {
    if (!m_bResizable && (minimumSize() != size() || maximumSize() != size())) {
        setFixedSize(size());
    }
    QDialog::showEvent(event);
}

void QWindowBase::resizeEvent(QResizeEvent* event) {
    if (m_cornerType == WndCornerRound) {
        QBitmap mask(size());
        mask.fill(Qt::color0);
        QPainter painter(&mask);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::color1);
        painter.drawRoundedRect(rect(), 7, 7);
        painter.end();
        setMask(mask);
    } else {
        clearMask();
    }
    PlaceTitleButtons();
    QDialog::resizeEvent(event);
}
