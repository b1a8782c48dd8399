#include "KivScreenGrab.h"

#include "KivDisplay.h"
#include "xdg/KivPortalScreenshot.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cmath>

KivScreenGrab::KivScreenGrab(QObject* parent) : QObject(parent) {}

KivScreenGrab::~KivScreenGrab() = default;

void KivScreenGrab::Start() {
    if (m_busy)
        return;
    m_busy = true;
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        QTimer::singleShot(0, this, [this] { Finish({}, tr("没有可以截取的屏幕")); });
        return;
    }
    m_desktop = screen->virtualGeometry();
    m_screen = screen->geometry();
    if (KivCurrentDisplay() == KivDisplayKind::Wayland) {
        if (!m_portal) {
            m_portal = std::make_unique<KivPortalScreenshot>();
            connect(m_portal.get(), &KivPortalScreenshot::Grabbed, this,
                    [this](const QImage& picture) {
                        Finish(ScreenPart(picture, m_desktop, m_screen), QString());
                    });
            connect(m_portal.get(), &KivPortalScreenshot::Failed, this,
                    [this](const QString& reason) { Finish({}, reason); });
        }
        m_portal->Start();
        return;
    }
    // The screen as it is now, told after the return as a portal's answer is.
    // The size is named, where -1 would say the same, for platforms (the
    // offscreen one) that only read a region they are given.
    const QImage picture =
        screen->grabWindow(0, 0, 0, m_screen.width(), m_screen.height()).toImage();
    QTimer::singleShot(0, this, [this, picture] { Finish(picture, tr("桌面不允许截取屏幕")); });
}

QImage KivScreenGrab::ScreenPart(const QImage& picture, const QRect& desktop, const QRect& screen) {
    if (picture.isNull() || desktop == screen || desktop.isEmpty() || !desktop.contains(screen))
        return picture;
    const double xScale = double(picture.width()) / desktop.width();
    const double yScale = double(picture.height()) / desktop.height();
    if (std::abs(xScale - yScale) > 0.01 * std::max(xScale, yScale))
        return picture;
    const QRect part(int(std::lround((screen.x() - desktop.x()) * xScale)),
                     int(std::lround((screen.y() - desktop.y()) * yScale)),
                     int(std::lround(screen.width() * xScale)),
                     int(std::lround(screen.height() * yScale)));
    return picture.copy(part.intersected(picture.rect()));
}

void KivScreenGrab::Finish(const QImage& picture, const QString& reason) {
    if (!m_busy)
        return;
    m_busy = false;
    if (picture.isNull())
        emit Failed(reason);
    else
        emit Grabbed(picture, m_screen);
}
