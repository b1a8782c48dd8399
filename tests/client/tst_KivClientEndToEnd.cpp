#include <QCryptographicHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QX11Info>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivRawClient.h"
#include "KivDataTree.h"
#include "KivProtocol.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"

namespace {

// Unread messages from one sender in the client's own database of the account.
int UnreadFrom(const QString& tree, Uint32 sender) {
    const QString name = QStringLiteral("e2e-reader");
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(tree + QStringLiteral("/User/10001/DB/CHAT_MESSAGE.db"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral(
                "select count(*) from chat_message_table where senderuid=? and isgot=0"));
            query.addBindValue(sender);
            if (query.exec() && query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return count;
}

QByteArray Digest(const QImage& image) {
    return QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes())),
        QCryptographicHash::Md5);
}

}  // namespace

// The real client program on the virtual display, driven with synthetic
// keys the way a person would use it.
class tst_KivClientEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available())
            QSKIP("needs an X display with xdotool and ImageMagick");
    }

    void loginMessageTrayAndHotKey() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        KivDataTree tree(server.tcpPort(), server.httpPort());
        // The user chose a hot key for the next message earlier.
        tree.writeFile(QStringLiteral("User/10001/Settingconfig/setconfig.ini"),
                       "[BaseSetting]\nCloseMaindlg=1\nMarginHide=0\nWindowFront=0\n"
                       "[HostKeyName]\nGetmsgName=Ctrl + Alt + M\n[HostKey]\nSndmsg=C\n");

        QProcess client;
        client.setWorkingDirectory(tree.path());
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(QStringLiteral(KIV_CLIENT_BINARY), QStringList());
        QVERIFY(client.waitForStarted());

        QString login;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(login = KivScreen::FindWindow(QStringLiteral("^Lumo$"))).isEmpty(), 10000);
        QTest::qWait(500);
        // A window just listed may not be viewable yet while both cores are busy.
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT(!(shot = KivScreen::Grab(login)).isNull(), 10000);
        QVERIFY(KivScreen::Save(shot, QStringLiteral("client-login.png")));

        // Type into the account field, Tab to the password, keypad Enter.
        KivScreen::XDoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), login,
                            QStringLiteral("200"), QStringLiteral("161"), QStringLiteral("click"),
                            QStringLiteral("1")});
        KivScreen::XDoTool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                            QStringLiteral("10001")});
        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("Tab")});
        KivScreen::XDoTool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
                            QStringLiteral("123456")});
        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("KP_Enter")});

        QString main;
        QTRY_VERIFY_WITH_TIMEOUT(
            !(main = KivScreen::FindWindow(QStringLiteral("^Lumo - 张三$"))).isEmpty(), 10000);
        QVERIFY(server.waitForLog(QStringLiteral("logged in as 10001")));
        // The demo offline messages arrive and wait unread.
        QTRY_VERIFY_WITH_TIMEOUT(UnreadFrom(tree.path(), 10003) == 1, 10000);
        QTest::qWait(500);
        QVERIFY(KivScreen::Save(KivScreen::Grab(main), QStringLiteral("client-main.png")));

        // A friend writes; the message waits and the tray icon flashes.
        CKivRawClient friendClient;
        QVERIFY(friendClient.connectTo(server.tcpPort()));
        QVERIFY(friendClient.login(QStringLiteral("10002"), QStringLiteral("123456")));
        ChatMessageRecord chat;
        KivInitRecord(chat, ChatMessage);
        chat.senderUid = 10002;
        chat.receiverUid = 10001;
        KivWriteText(chat.text, QStringLiteral("你好，张三！").toUtf8());
        friendClient.send(chat);
        QTRY_VERIFY_WITH_TIMEOUT(UnreadFrom(tree.path(), 10002) >= 1, 10000);

        const QString tray = KivScreen::FindWindow(QStringLiteral("^panel$"));
        if (!tray.isEmpty()) {
            QSet<QByteArray> frames;
            for (int i = 0; i < 12 && frames.size() < 2; ++i) {
                frames.insert(Digest(KivScreen::Grab(tray)));
                QTest::qWait(110);
            }
            QCOMPARE(frames.size(), 2);
            // Resting the mouse on the tray icon shows the unread box.
            KivScreen::XDoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), tray,
                                QStringLiteral("12"), QStringLiteral("12")});
            QTest::qWait(900);
            QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("client-preview.png")));
        }

        // The global hot key opens the conversation that waited last, then the one before.
        KivScreen::XDoTool(
            {QStringLiteral("mousemove"), QStringLiteral("640"), QStringLiteral("700")});
        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("ctrl+alt+m")});
        QTRY_VERIFY_WITH_TIMEOUT(!KivScreen::FindWindow(QStringLiteral("^王五$")).isEmpty(), 10000);
        QTRY_COMPARE(UnreadFrom(tree.path(), 10003), 0);
        QVERIFY(UnreadFrom(tree.path(), 10002) >= 1);
        KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("ctrl+alt+m")});
        QTRY_VERIFY_WITH_TIMEOUT(!KivScreen::FindWindow(QStringLiteral("^李四$")).isEmpty(), 10000);
        QTRY_COMPARE(UnreadFrom(tree.path(), 10002), 0);
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("client-chat.png")));

        // The close button logs out and ends the program (close way 1).
        KivScreen::XDoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), main,
                            QStringLiteral("262"), QStringLiteral("12"), QStringLiteral("click"),
                            QStringLiteral("1")});
        QVERIFY(client.waitForFinished(10000));
        QCOMPARE(client.exitStatus(), QProcess::NormalExit);
        QCOMPARE(client.exitCode(), 0);
        QVERIFY(server.waitForLog(QStringLiteral("logged out")));
    }
};

KIV_TEST_CLASS(tst_KivClientEndToEnd)
#include "tst_KivClientEndToEnd.moc"
