#include "CallViewWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>

#include "CallViewVideoWindow.h"

// The pictures live in this program's static parts, so they are registered
// by hand.
static void LoadCallViewResources() {
    Q_INIT_RESOURCE(CallView);
}

namespace {

const QColor kStrip(0x33, 0x33, 0x33);
const QColor kTitleText(0xFA, 0xFA, 0xFA);
constexpr int kLocalWidth = 152;
constexpr int kLocalHeight = 114;
const QColor kFocus(64, 158, 255);
const QColor kEncrypted(0x8B, 0xE0, 0x8B);
const QColor kNotEncrypted(0xFF, 0xC0, 0x4D);
// The title's text ends about here; the security note fills up to the buttons.
constexpr int kSecurityLeft = 150;

// A button that takes the focus, the keys and a screen reader's questions;
// the window draws the sprite beneath it and takes the mouse itself.
QPushButton* MakeKey(QWidget* window, const QString& name) {
    auto* key = new QPushButton(window);
    key->setAccessibleName(name);
    key->setFocusPolicy(Qt::TabFocus);
    key->setAttribute(Qt::WA_TransparentForMouseEvents);
    key->setFlat(true);
    key->setStyleSheet(QStringLiteral("QPushButton{border:none;background:transparent;}"));
    return key;
}

}  // namespace

CallViewWindow::CallViewWindow(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("CallView"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    LoadCallViewResources();
    m_close.load(QStringLiteral(":/callview/close.png"));
    m_minimize.load(QStringLiteral(":/callview/minimize.png"));
    m_logo.load(QStringLiteral(":/callview/logo.png"));
    m_buttonWidth = m_close.width() / 3;
    m_buttonHeight = m_close.height();
    m_minWidth = m_minimize.width() / 3;
    m_minHeight = m_minimize.height();

    m_remote = new CallViewVideoWindow(Qt::white, this);
    m_remote->setGeometry(3, 30, kWidth - 6, kHeight - 33);
    m_local = new CallViewVideoWindow(Qt::black, this);
    m_local->setGeometry(kWidth - 158, kHeight - 120, kLocalWidth, kLocalHeight);
    m_local->raise();
    setAccessibleName(tr("视频通话"));
    m_remote->setAccessibleName(tr("对方画面"));
    m_local->setAccessibleName(tr("本地画面"));
    m_minimizeKey = MakeKey(this, tr("最小化"));
    m_hangUpKey = MakeKey(this, tr("挂断"));
    connect(m_hangUpKey, &QPushButton::clicked, this, &CallViewWindow::HangUpClicked);
    connect(m_minimizeKey, &QPushButton::clicked, this, &QWidget::showMinimized);
    m_security = new QLabel(this);
    m_security->setObjectName(QStringLiteral("securityLabel"));
    m_security->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_security->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_security->setAccessibleName(tr("通话加密"));
    // The focused button gets a ring, drawn with the strip.
    connect(qApp, &QApplication::focusChanged, this, [this] { update(); });
    resize(kWidth, kHeight);
    Layout(kWidth, kHeight);
}

void CallViewWindow::Layout(int width, int height) {
    // Right and bottom edges are exclusive: (W - 31, 10) to (W - 20, 21).
    m_closeRect = QRect(width - m_buttonWidth - 20, 10, m_buttonWidth, m_buttonHeight);
    m_minRect = QRect(width - m_buttonWidth - m_minWidth - 40, 10, m_minWidth, m_buttonHeight);
    m_remote->setGeometry(3, 30, width - 6, height - 33);
    m_local->move(width - 158, height - 120);
    m_hangUpKey->setGeometry(m_closeRect);
    m_minimizeKey->setGeometry(m_minRect);
    m_security->setGeometry(kSecurityLeft, 6, qMax(0, m_minRect.left() - 12 - kSecurityLeft), 20);
}

void CallViewWindow::ShowSecurity(const QString& text, bool encrypted) {
    m_security->setText(text);
    m_security->setAccessibleDescription(text);
    m_security->setStyleSheet(
        QStringLiteral("color:%1;").arg((encrypted ? kEncrypted : kNotEncrypted).name()));
}

QPoint CallViewWindow::MinimizeBarPos() const {
    return QPoint(m_minRect.left(), (m_buttonHeight - m_minHeight) / 2 + 10);
}

void CallViewWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!isMinimized()) {
        Layout(width(), height());
    }
}

void CallViewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kStrip);
    if (!m_logo.isNull()) {
        painter.drawImage(10, 3, m_logo);
    }
    QFont font = QApplication::font();
    font.setPointSize(10);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(kTitleText);
    painter.drawText(QRectF(40.0, 6.0, width() - 40.0, 24.0), Qt::AlignLeft | Qt::AlignTop,
                     tr("正在视频通话..."));
    if (!m_close.isNull()) {
        painter.drawImage(QPoint(m_closeRect.left(), m_closeRect.top()), m_close,
                          QRect(m_closeState * m_buttonWidth, 0, m_buttonWidth, m_buttonHeight));
    }
    if (!m_minimize.isNull()) {
        painter.drawImage(MinimizeBarPos(), m_minimize,
                          QRect(m_minState * m_minWidth, 0, m_minWidth, m_minHeight));
    }
    for (QPushButton* key : {m_hangUpKey, m_minimizeKey}) {
        if (key->hasFocus()) {
            painter.setPen(QPen(kFocus, 1.5));
            painter.drawRoundedRect(QRectF(key->geometry()).adjusted(-3, -3, 3, 3), 3, 3);
        }
    }
}

void CallViewWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        if (event->buttons() & Qt::LeftButton) {
            move(event->globalPos() - m_dragOffset);
        } else {
            m_dragging = false;
        }
        return;
    }
    if (m_closeRect.contains(event->pos())) {
        if (m_closeState == 0) {
            m_closeState = 1;
            update(m_closeRect);
        }
    } else if (m_minRect.contains(event->pos())) {
        if (m_minState == 0) {
            m_minState = 1;
            update(m_minRect);
        }
    } else {
        m_closeState = 0;
        m_minState = 0;
        update();
    }
}

void CallViewWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (m_closeRect.contains(event->pos())) {
        m_closeState = 2;
        update(m_closeRect);
    } else if (m_minRect.contains(event->pos())) {
        m_minState = 2;
        update(m_minRect);
    } else if (event->pos().y() < kDragHeight) {
        // The window manager moves the window when it can; otherwise we do.
        if (windowHandle() == nullptr || !windowHandle()->startSystemMove()) {
            m_dragging = true;
            m_dragOffset = event->globalPos() - pos();
        }
    }
}

void CallViewWindow::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (m_closeRect.contains(event->pos())) {
        emit HangUpClicked();
    } else if (m_minRect.contains(event->pos())) {
        showMinimized();
    }
}

void CallViewWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit HangUpClicked();
}
