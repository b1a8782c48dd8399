#include "shell/KivMainDlgTray.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "shell/KivChatMessageWidget.h"
#include "support/KivHeadPath.h"

#include "KivWindowPlacement.h"

namespace {

const int kFlashIntervalMs = 300;
const int kWatchIntervalMs = 300;
const int kEdgeAnimationMs = 300;

QString ProgramIcon() {
    return QStringLiteral("Resources/skin/SysIcon.png");
}

}  // namespace

KivMainDlgTray::KivMainDlgTray(QWidget* window, KivChatMessageWidget* preview)
    : QObject(window), m_pWindow(window), m_pPreview(preview) {
    m_pFlashTimer = new QTimer(this);
    m_pTray = new QSystemTrayIcon(this);
    m_pWatchTimer = new QTimer(this);
    m_pEdgeAnimation = new QPropertyAnimation(window, "geometry", this);
    m_pEdgeAnimation->setDuration(kEdgeAnimationMs);
    connect(m_pFlashTimer, &QTimer::timeout, this, &KivMainDlgTray::FlashTimeout);
    connect(m_pWatchTimer, &QTimer::timeout, this, &KivMainDlgTray::WatchTimeout);
}

void KivMainDlgTray::SetToolTip(const QString& toolTip) {
    m_pTray->setToolTip(toolTip);
}

QString KivMainDlgTray::ToolTip() const {
    return m_pTray->toolTip();
}

void KivMainDlgTray::Show(const QString& toolTip) {
    m_pTray->setIcon(QIcon(ProgramIcon()));
    m_pTray->setToolTip(toolTip);
    if (!m_pTrayMenu) {
        m_pTrayMenu = new QMenu(m_pWindow);
        m_pTrayMenu->addAction(tr("恢复/显示"), this, &KivMainDlgTray::ShowRequested);
        m_pTrayMenu->addAction(tr("退出"), this, &KivMainDlgTray::QuitRequested);
        m_pTray->setContextMenu(m_pTrayMenu);
        connect(m_pTray, &QSystemTrayIcon::activated, this, &KivMainDlgTray::Activated);
    }
    m_pTray->show();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        m_desktop = screen->availableGeometry();
    m_pWatchTimer->start(kWatchIntervalMs);
}

void KivMainDlgTray::Hide() {
    m_pTray->hide();
}

void KivMainDlgTray::StartFlashing() {
    if (!m_pFlashTimer->isActive())
        m_pFlashTimer->start(kFlashIntervalMs);
}

void KivMainDlgTray::StopFlashing() {
    m_pFlashTimer->stop();
    m_flashPhase = 0;
    m_pTray->setIcon(QIcon(ProgramIcon()));
}

void KivMainDlgTray::PauseFlashing() {
    m_pFlashTimer->stop();
}

bool KivMainDlgTray::IsFlashing() const {
    return m_pFlashTimer->isActive();
}

void KivMainDlgTray::Flash(const QString& head) {
    m_flashPhase = 1 - m_flashPhase;
    if (m_flashPhase == 1) {
        m_pTray->setIcon(QIcon(KivHeadPath::OrDefault(head)));
    } else {
        m_pTray->setIcon(QIcon(QStringLiteral("Resources/skin/kivimmaindlg/glint.png")));
    }
}

void KivMainDlgTray::BackFromEdge() {
    if (m_pWindow->y() >= 0)
        return;
    m_pEdgeAnimation->stop();
    m_pWindow->move(m_pWindow->x(), 0);
}

void KivMainDlgTray::BringUp() {
    BackFromEdge();
    if (m_pWindow->isMinimized()) {
        m_pWindow->showNormal();
    } else {
        m_pWindow->show();
    }
    m_pWindow->raise();
    m_pWindow->activateWindow();
}

void KivMainDlgTray::ToggleWindow() {
    if (m_pWindow->isHidden() || m_pWindow->isMinimized()) {
        BringUp();
    } else {
        m_pWindow->hide();
    }
}

void KivMainDlgTray::HideAtEdge() {
    if (KivWindowPlacement::CanPlace() && (m_pWindow->y() == 0 || m_pWindow->y() == 1))
        m_pWindow->move(m_pWindow->x(), 2 - m_pWindow->height());
}

void KivMainDlgTray::AnimateTo(int top) {
    if (m_pEdgeAnimation->state() == QAbstractAnimation::Running)
        return;
    m_pEdgeAnimation->setStartValue(m_pWindow->geometry());
    m_pEdgeAnimation->setEndValue(
        QRect(m_pWindow->x(), top, m_pWindow->width(), m_pWindow->height()));
    m_pEdgeAnimation->start();
}

void KivMainDlgTray::PlacePreview() {
    m_pPreview->move(m_desktop.width() - m_pPreview->width() - 8,
                     m_desktop.height() - m_pPreview->height() - 25);
}

void KivMainDlgTray::Watch(bool previewable, bool marginHide) {
    const QPoint mouse = QCursor::pos();
    const QRect tray = m_pTray->geometry().adjusted(0, 0, 1, 1);
    // Where windows are not placed by us, neither the tray's place nor the
    // mouse outside our windows is known: no preview by hovering there.
    const bool onTray = KivWindowPlacement::CanPlace() && tray.isValid() && tray.contains(mouse);
    if (onTray && previewable && m_pPreview->EntryCount() > 0) {
        PlacePreview();
        m_pPreview->show();
        m_previewTicks = 0;
    } else if (m_pPreview->isVisible() && m_pPreview->frameGeometry().contains(mouse)) {
        PlacePreview();
        m_previewTicks = 0;
    } else if (m_pPreview->isVisible() && ++m_previewTicks >= 3) {
        m_pPreview->hide();
        m_previewTicks = 0;
    }

    // Where the compositor places windows, their position is not known and
    // the window stays where it is.
    if (!marginHide || !m_pWindow->isVisible() || !KivWindowPlacement::CanPlace())
        return;
    if (m_pWindow->y() == 0 && !m_pWindow->frameGeometry().contains(mouse)) {
        AnimateTo(3 - m_pWindow->height());
    } else if (m_pWindow->y() < 0 && m_pWindow->frameGeometry().contains(mouse)) {
        AnimateTo(0);
    }
}
