#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

#include "KivTestRegistry.h"
#include "xdg/KivPortalScreenshot.h"

namespace {

const char* const kBusName = "kiv-fake-portal";

QString RequestInterface() {
    return QStringLiteral("org.freedesktop.portal.Request");
}

// One open request as the fake portal keeps it: it notes whether the client
// withdrew it.
class FakeRequest : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    bool closed = false;
public slots:
    void Close() { closed = true; }
};

// The desktop portal's Screenshot interface as the tests play it, on a
// connection of its own: it answers each request as told, on the path the
// client's name and token make.
class FakeScreenshotPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    uint response = 0;
    QVariantMap results;
    bool answerFirst = false;  // the answer leaves before the call's reply
    bool silent = false;       // no answer at all
    QVariantMap options;       // what the last call asked for
    QString requestPath;
    FakeRequest request;

    bool Register() {
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QLatin1String(kBusName));
        return bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    static void Unregister() {
        QDBusConnection bus{QString::fromLatin1(kBusName)};
        if (!bus.isConnected())
            return;
        bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        QDBusConnection::disconnectFromBus(QLatin1String(kBusName));
    }
    // A Response on the request's path, from `connection`.
    static void Answer(const QString& connection, const QString& path, uint response,
                       const QVariantMap& results) {
        QDBusMessage signal =
            QDBusMessage::createSignal(path, RequestInterface(), QStringLiteral("Response"));
        signal << response << results;
        QDBusConnection(connection).send(signal);
    }

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& asked) {
        options = asked;
        QString sender = message().service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                          .arg(sender, asked.value(QStringLiteral("handle_token")).toString());
        QDBusConnection(QString::fromLatin1(kBusName))
            .registerObject(requestPath, &request, QDBusConnection::ExportAllSlots);
        const QString bus = QString::fromLatin1(kBusName);
        if (answerFirst)
            Answer(bus, requestPath, response, results);
        else if (!silent)
            QTimer::singleShot(20, this,
                               [this, bus] { Answer(bus, requestPath, response, results); });
        return QDBusObjectPath(requestPath);
    }
};

QImage Sample() {
    QImage picture(64, 40, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 6, 90));
    return picture;
}

}  // namespace

// The screen's picture through the desktop portal, against a portal of the
// test's own on a private session bus: only a local picture file of a sane
// size counts, whatever else the portal says is a failure, never a hang.
class tst_KivPortalScreenshot : public QObject {
    Q_OBJECT
    std::unique_ptr<FakeScreenshotPortal> m_portal;
    QTemporaryDir m_folder;

    void startPortal() {
        m_portal = std::make_unique<FakeScreenshotPortal>();
        QVERIFY(m_portal->Register());
    }
    QString file(const QString& name) const { return m_folder.filePath(name); }

private slots:
    void initTestCase() {
        // Only on the private bus the test runs on: a desktop's own portal
        // must not be taken over.
        if (qEnvironmentVariableIsEmpty("KIV_PRIVATE_SESSION_BUS") ||
            !QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a private session bus (the tst_kivPlatform_portal run)");
        QVERIFY(m_folder.isValid());
        QVERIFY(Sample().save(file(QStringLiteral("screen.png"))));
        QVERIFY(QImage(KivPortalScreenshot::kMaxSide + 1, 2, QImage::Format_RGB32)
                    .save(file(QStringLiteral("huge.png"))));
        QFile text(file(QStringLiteral("notes.png")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture at all\n");
        text.close();
        QCOMPARE(::mkfifo(QFile::encodeName(file(QStringLiteral("pipe.png"))).constData(), 0600),
                 0);
    }
    void cleanup() {
        FakeScreenshotPortal::Unregister();
        m_portal.reset();
    }

    void answers_data() {
        QTest::addColumn<uint>("response");
        QTest::addColumn<QString>("uri");
        QTest::addColumn<bool>("answerFirst");
        QTest::addColumn<bool>("grabbed");
        const QString screen =
            QUrl::fromLocalFile(file(QStringLiteral("screen.png"))).toString(QUrl::FullyEncoded);
        const auto local = [this](const char* name) {
            return QUrl::fromLocalFile(file(QLatin1String(name))).toString();
        };
        QTest::newRow("picture") << 0u << screen << false << true;
        QTest::newRow("picture, answered before the reply") << 0u << screen << true << true;
        QTest::newRow("cancelled by the user") << 1u << screen << false << false;
        QTest::newRow("no address") << 0u << QString() << false << false;
        QTest::newRow("web address")
            << 0u << QStringLiteral("https://example.org/screen.png") << false << false;
        QTest::newRow("file of another machine")
            << 0u << QStringLiteral("file://elsewhere") + file(QStringLiteral("screen.png"))
            << false << false;
        QTest::newRow("missing file") << 0u << local("gone.png") << false << false;
        QTest::newRow("not a picture") << 0u << local("notes.png") << false << false;
        QTest::newRow("a pipe, which would never end") << 0u << local("pipe.png") << false << false;
        QTest::newRow("a folder") << 0u << QUrl::fromLocalFile(m_folder.path()).toString() << false
                                  << false;
        QTest::newRow("too large") << 0u << local("huge.png") << false << false;
    }
    void answers() {
        QFETCH(uint, response);
        QFETCH(QString, uri);
        QFETCH(bool, answerFirst);
        QFETCH(bool, grabbed);
        startPortal();
        m_portal->response = response;
        m_portal->answerFirst = answerFirst;
        if (!uri.isNull())
            m_portal->results.insert(QStringLiteral("uri"), uri);

        KivPortalScreenshot screenshot;
        screenshot.SetTimeLimit(5000);
        QSignalSpy pictures(&screenshot, &KivPortalScreenshot::Grabbed);
        QSignalSpy failures(&screenshot, &KivPortalScreenshot::Failed);
        screenshot.Start();
        QCOMPARE(pictures.size() + failures.size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(pictures.size() + failures.size(), 1, 4000);
        QCOMPARE(m_portal->options.value(QStringLiteral("interactive")), QVariant(false));
        QCOMPARE(m_portal->options.value(QStringLiteral("modal")), QVariant(true));
        QCOMPARE(pictures.size(), grabbed ? 1 : 0);
        if (grabbed) {
            const QImage picture = pictures.first().first().value<QImage>();
            QCOMPARE(picture.convertToFormat(QImage::Format_RGB32), Sample());
        } else {
            QVERIFY(!failures.first().first().toString().isEmpty());
        }
        QVERIFY(!screenshot.IsBusy());
        // The file is the portal's: it stays.
        QVERIFY(QFile::exists(file(QStringLiteral("screen.png"))));
    }

    // A portal that never answers: failed at the time limit and withdrawn;
    // and withdrawn too when the client goes first.
    void unansweredRequestsAreWithdrawn() {
        startPortal();
        m_portal->silent = true;
        KivPortalScreenshot screenshot;
        screenshot.SetTimeLimit(300);
        QSignalSpy failures(&screenshot, &KivPortalScreenshot::Failed);
        screenshot.Start();
        QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, 3000);
        QTRY_VERIFY(m_portal->request.closed);

        m_portal->request.closed = false;
        m_portal->requestPath.clear();
        auto gone = std::make_unique<KivPortalScreenshot>();
        gone->Start();
        QTRY_VERIFY(!m_portal->requestPath.isEmpty());
        const QString path = m_portal->requestPath;
        gone.reset();
        QTRY_VERIFY(m_portal->request.closed);
        // Its late answer reaches no one.
        FakeScreenshotPortal::Answer(QLatin1String(kBusName), path, 0, {});
        QTest::qWait(50);
    }
};

KIV_TEST_CLASS(tst_KivPortalScreenshot)
#include "tst_KivPortalScreenshot.moc"
