#include "KivPortalScreenshot.h"

#include "KivPortalRequest.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFile>
#include <QImageReader>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The portal's answer: a file of this machine holding a picture of sane size.
QImage LoadAnswer(const QString& uri, QString* why) {
    const QUrl url(uri, QUrl::StrictMode);
    if (!url.isValid() || !url.isLocalFile() ||
        !(url.host().isEmpty() || url.host() == QLatin1String("localhost"))) {
        *why = QCoreApplication::translate("KivPortalScreenshot", "桌面给出的截图不是本机文件");
        return {};
    }
    // Opened without waiting and checked on the open file: a pipe or a
    // device in its place would hold the window up forever.
    const QByteArray path = QFile::encodeName(url.toLocalFile());
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        if (fd >= 0)
            ::close(fd);
        *why = QCoreApplication::translate("KivPortalScreenshot", "找不到桌面写下的截图文件");
        return {};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = QCoreApplication::translate("KivPortalScreenshot", "找不到桌面写下的截图文件");
        return {};
    }
    QImageReader reader(&file);
    const QSize announced = reader.size();
    if (announced.width() > KivPortalScreenshot::kMaxSide ||
        announced.height() > KivPortalScreenshot::kMaxSide) {
        *why = QCoreApplication::translate("KivPortalScreenshot", "桌面给出的截图太大");
        return {};
    }
    const QImage picture = reader.read();
    if (picture.isNull()) {
        *why = QCoreApplication::translate("KivPortalScreenshot", "桌面给出的截图文件不是图片");
        return {};
    }
    if (picture.width() > KivPortalScreenshot::kMaxSide ||
        picture.height() > KivPortalScreenshot::kMaxSide) {
        *why = QCoreApplication::translate("KivPortalScreenshot", "桌面给出的截图太大");
        return {};
    }
    return picture;
}

}  // namespace

KivPortalScreenshot::KivPortalScreenshot(QObject* parent)
    : QObject(parent), m_bus(QDBusConnection::sessionBus()) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KivPortalScreenshot::TimedOut);
}

KivPortalScreenshot::~KivPortalScreenshot() {
    if (m_busy && m_request) {
        m_bus.send(QDBusMessage::createMethodCall(kService, m_request->path(), kRequestInterface,
                                                  QStringLiteral("Close")));
    }
}

void KivPortalScreenshot::Start() {
    if (m_busy)
        return;
    m_busy = true;
    if (!m_bus.isConnected()) {
        FinishLater(tr("没有会话总线，无法使用桌面的截图服务"));
        return;
    }
    const QString token = KivPortalRequest::NewToken();
    Listen(KivPortalRequest::PathFor(m_bus, token));

    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"));
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("interactive"), false},
                              {QStringLiteral("modal"), true}};
    call << QString() << options;
    m_call = std::make_unique<QDBusPendingCallWatcher>(m_bus.asyncCall(call, m_timeLimit));
    connect(m_call.get(), &QDBusPendingCallWatcher::finished, this, &KivPortalScreenshot::Called);
    m_timer.start(m_timeLimit);
}

void KivPortalScreenshot::Listen(const QString& path) {
    m_request = std::make_unique<KivPortalRequest>(path, m_bus);
    connect(m_request.get(), &KivPortalRequest::Response, this, &KivPortalScreenshot::Answered);
}

void KivPortalScreenshot::Called(QDBusPendingCallWatcher* call) {
    const QDBusPendingReply<QDBusObjectPath> reply = *call;
    if (!m_busy)
        return;
    if (reply.isError()) {
        qWarning("screenshot portal: %s: %s", qPrintable(reply.error().name()),
                 qPrintable(reply.error().message()));
        Finish({}, tr("桌面没有可用的截图服务"));
        return;
    }
    // Portals older than the handle token pick the path themselves.
    const QString path = reply.value().path();
    if (m_request && path != m_request->path())
        Listen(path);
}

void KivPortalScreenshot::Answered(uint response, const QVariantMap& results) {
    if (!m_busy)
        return;
    if (response == 1) {
        Finish({}, tr("截图被取消"));
        return;
    }
    if (response != 0) {
        Finish({}, tr("桌面没有完成截图"));
        return;
    }
    QString why;
    const QImage picture = LoadAnswer(results.value(QStringLiteral("uri")).toString(), &why);
    Finish(picture, why);
}

void KivPortalScreenshot::TimedOut() {
    if (!m_busy)
        return;
    if (m_request) {
        m_bus.send(QDBusMessage::createMethodCall(kService, m_request->path(), kRequestInterface,
                                                  QStringLiteral("Close")));
    }
    Finish({}, tr("桌面的截图服务没有回应"));
}

void KivPortalScreenshot::Finish(const QImage& picture, const QString& reason) {
    if (!m_busy)
        return;
    m_busy = false;
    m_timer.stop();
    // Dropped later, as this may run inside their own signals; a late word
    // from them must not count for the next request.
    if (m_request) {
        m_request->disconnect(this);
        m_request.release()->deleteLater();
    }
    if (m_call) {
        m_call->disconnect(this);
        m_call.release()->deleteLater();
    }
    if (picture.isNull())
        emit Failed(reason);
    else
        emit Grabbed(picture);
}

void KivPortalScreenshot::FinishLater(const QString& reason) {
    QTimer::singleShot(0, this, [this, reason] { Finish({}, reason); });
}
