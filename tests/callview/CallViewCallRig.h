#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>

#include "KivDataTree.h"

class CKivDevServerProcess;

// Driving two real clients and their call windows on the virtual display,
// for the whole-call test and the call benchmark.
namespace CallViewCallRig {

// Where the call button sits in the chat dialog, the cue's two buttons and
// the call window's close button.
inline const QPoint kCallButton(97, 357);
inline const QPoint kCueAccept(95, 126);
inline const QPoint kCueDecline(205, 126);
inline const QPoint kCallViewClose(502, 15);
// The remote picture above the time stamp of the test picture, which changes
// with every picture by itself.
inline const QRect kRemotePicture(3, 30, 522, 350);

QString Xdo(const QStringList& arguments);
void Click(const QString& window, const QPoint& at, int repeat = 1);
// Moves a window and waits until it is there; false when it did not get there.
bool Move(const QString& window, int x, int y);
// A visible window of one process whose name matches, or empty.
QString WindowOf(qint64 pid, const QString& name);
// The call windows on the screen (their own top-level windows, not the video
// children, which carry the program's name too).
QStringList CallWindows();
QImage Region(const QString& window, const QRect& area);
QByteArray Digest(const QImage& image);
// True when the picture is neither the empty white of the window nor flat.
bool ShowsAPicture(const QImage& image);
// The remote video of a call window moves: two pictures half a second apart
// differ (the test picture's ball never stands still that long).
bool RemoteVideoMoves(const QString& window);

// Closes the friend requests window that the first demo account is shown
// after logging in (a demo user asked to be friends), so it covers nothing.
void DismissFriendRequests(qint64 pid);

// One client program with its own data tree, microphone and speaker.
class Client {
public:
    Client(const CKivDevServerProcess& server, const QString& microphone, const QString& speaker,
           const QStringList& extraEnvironment = {});
    ~Client();

    bool start(QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel);
    qint64 pid() const { return m_process.processId(); }
    QProcess& process() { return m_process; }
    QString treePath() const { return m_tree.path(); }
    // Logs in from the login dialog placed at x, y.
    bool login(const QString& account, int x, int y);

private:
    KivDataTree m_tree;
    QProcess m_process;
};

}  // namespace CallViewCallRig
