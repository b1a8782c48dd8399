#include "CallViewCallRig.h"

#include <QCryptographicHash>
#include <QSet>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "KivScreen.h"

namespace CallViewCallRig {

QString Xdo(const QStringList& arguments) {
    return KivScreen::XDoTool(arguments);
}

void Click(const QString& window, const QPoint& at, int repeat) {
    Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), window, QString::number(at.x()),
         QString::number(at.y()), QStringLiteral("click"), QStringLiteral("--repeat"),
         QString::number(repeat), QStringLiteral("--delay"), QStringLiteral("80"),
         QStringLiteral("1")});
}

bool Move(const QString& window, int x, int y) {
    Xdo({QStringLiteral("windowmove"), window, QString::number(x), QString::number(y)});
    // Clicks are placed relative to where the window is: wait until it got there.
    const QString there = QStringLiteral("Position: %1,%2 ").arg(x).arg(y);
    return QTest::qWaitFor(
        [&] {
            return Xdo({QStringLiteral("getwindowgeometry"), window}).contains(there);
        },
        5000);
}

// A visible window of one process whose name matches, or empty.
QString WindowOf(qint64 pid, const QString& name) {
    return Xdo({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), name})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
        .value(0);
}

// The call windows on the screen (their own top-level windows, not the video
// children, which carry the program's name too).
QStringList CallWindows() {
    QStringList found;
    const QStringList candidates = Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), QStringLiteral("^CallView$")})
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& window : candidates) {
        if (!Xdo({QStringLiteral("getwindowpid"), window}).isEmpty() &&
            Xdo({QStringLiteral("getwindowgeometry"), window})
                .contains(QStringLiteral("Geometry: 528x425"))) {
            found << window;
        }
    }
    return found;
}

QImage Region(const QString& window, const QRect& area) {
    return KivScreen::Grab(window).copy(area);
}

QByteArray Digest(const QImage& image) {
    const QImage plain = image.convertToFormat(QImage::Format_RGB32);
    return QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(plain.constBits()), int(plain.sizeInBytes())),
        QCryptographicHash::Md5);
}

// True when most of the picture is neither the empty white of the window
// nor one flat colour: a drawn picture.
bool ShowsAPicture(const QImage& image) {
    if (image.isNull()) {
        return false;
    }
    int white = 0;
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 8) {
        for (int x = 0; x < image.width(); x += 8) {
            const QRgb pixel = image.pixel(x, y);
            white += pixel == qRgb(255, 255, 255) ? 1 : 0;
            colours.insert(pixel);
        }
    }
    const int samples = ((image.height() + 7) / 8) * ((image.width() + 7) / 8);
    return white < samples / 4 && colours.size() > 2;
}

// Tried for 20 s, as long as the call may take to show pictures on a loaded machine.
bool RemoteVideoMoves(const QString& window) {
    for (int attempt = 0; attempt < 40; ++attempt) {
        const QImage first = Region(window, kRemotePicture);
        QTest::qWait(500);
        const QImage second = Region(window, kRemotePicture);
        if (ShowsAPicture(first) && ShowsAPicture(second) && Digest(first) != Digest(second)) {
            return true;
        }
    }
    return false;
}

void DismissFriendRequests(qint64 pid) {
    const QString name = QStringLiteral("^下面联系人请求添加你为好友$");
    QString requests;
    if (!QTest::qWaitFor([&] { return !(requests = WindowOf(pid, name)).isEmpty(); }, 8000)) {
        return;
    }
    const QString geometry = Xdo({QStringLiteral("getwindowgeometry"), requests});
    const int width =
        geometry.section(QStringLiteral("Geometry: "), 1).section(QLatin1Char('x'), 0, 0).toInt();
    Click(requests, QPoint(width - 18, 13));
    if (!QTest::qWaitFor([&] { return WindowOf(pid, name).isEmpty(); }, 5000)) {
        qWarning("the friend requests window stayed open");
    }
}

Client::Client(const CKivDevServerProcess& server, const QString& microphone,
               const QString& speaker, const QStringList& extraEnvironment)
    : m_tree(server.tcpPort(), server.httpPort()) {
    m_tree.writeFile(QStringLiteral("Config/config.ini"),
                     QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n"
                                    "needUpdate=0\nfileHostaddr=127.0.0.1\nfilehostport=%2\n"
                                    "[media]\nipaddr=127.0.0.1\nport=%3\n")
                         .arg(server.tcpPort())
                         .arg(server.httpPort())
                         .arg(server.mediaPort())
                         .toLatin1());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PULSE_SOURCE"), microphone);
    environment.insert(QStringLiteral("PULSE_SINK"), speaker);
    for (const QString& entry : extraEnvironment) {
        environment.insert(entry.section(QLatin1Char('='), 0, 0),
                           entry.section(QLatin1Char('='), 1));
    }
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(m_tree.path());
}

Client::~Client() {
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool Client::start(QProcess::ProcessChannelMode channels) {
    m_process.setProcessChannelMode(channels);
    m_process.start(QStringLiteral(KIV_CLIENT_BINARY), QStringList());
    return m_process.waitForStarted(10000);
}

bool Client::login(const QString& account, int x, int y) {
    QString dialog;
    if (!QTest::qWaitFor(
            [&] { return !(dialog = WindowOf(pid(), QStringLiteral("^Lumo$"))).isEmpty(); },
            20000)) {
        return false;
    }
    Move(dialog, x, y);
    Click(dialog, QPoint(200, 161));
    Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), account});
    Xdo({QStringLiteral("key"), QStringLiteral("Tab")});
    Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
         QStringLiteral("123456")});
    Xdo({QStringLiteral("key"), QStringLiteral("KP_Enter")});
    return true;
}

}  // namespace CallViewCallRig
