#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The headless Wayland desktop of the test run (sway, see
// scripts/with-wayland) as a user meets it: its windows, the keyboard, the
// tray and the screen.
namespace KivSwayDesktop {

struct Window {
    qint64 pid = 0;
    QString title;
    QString appId;
    QRect rect;  // where the compositor shows the window's content
    bool focused = false;
    bool floating = false;
};

// True when the session's compositor answers and the tools are there.
bool Available();
QList<Window> Windows();
// The first window of the process (any process when pid is 0) whose title
// matches the pattern entirely; an empty title when there is none.
Window Find(qint64 pid, const QString& titlePattern);
// Gives the window the keyboard.
bool Focus(const Window& window);
// Keys through a virtual keyboard: wtype's arguments ("-k Return", text ...).
bool Type(const QStringList& wtypeArguments);
// The screen, or a part of it, as the compositor shows it.
QImage Grab(const QRect& area = QRect());
// Clicks the process's tray icon, as a panel's tray does (StatusNotifierItem).
bool ActivateTray(qint64 pid);

}  // namespace KivSwayDesktop
