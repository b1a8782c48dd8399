#pragma once

#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

#include <memory>

class KivPortalScreenshot;

// A still picture of the whole screen under the cursor. On X11 the screen is
// read at once; a Wayland client may not read it and asks the desktop portal,
// which may ask the user first. Either way the answer comes later, as one of
// the two signals, never from inside Start.
class KivScreenGrab : public QObject {
    Q_OBJECT
public:
    explicit KivScreenGrab(QObject* parent = nullptr);
    // A grab still on its way is withdrawn; nothing is signalled.
    ~KivScreenGrab() override;

    // Ignored while a grab is on its way.
    void Start();
    bool IsBusy() const { return m_busy; }

    // The part of a picture of the whole desktop (all screens, laid out as
    // `desktop` says) that shows `screen`. A picture of one screen only
    // (its proportions are not the desktop's) is returned as it is.
    static QImage ScreenPart(const QImage& picture, const QRect& desktop, const QRect& screen);

signals:
    // `screenGeometry`: where the screen lies on the desktop, in the
    // application's coordinates; `picture` may be denser (a scaled screen).
    void Grabbed(const QImage& picture, const QRect& screenGeometry);
    // `reason` is for the user.
    void Failed(const QString& reason);

private:
    void Finish(const QImage& picture, const QString& reason);

    std::unique_ptr<KivPortalScreenshot> m_portal;  // made on the first Wayland grab
    QRect m_desktop;
    QRect m_screen;
    bool m_busy = false;
};
