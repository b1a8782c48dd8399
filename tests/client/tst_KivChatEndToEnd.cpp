#include <QClipboard>
#include <QCryptographicHash>
#include <QDir>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QX11Info>
#include <QtTest>
#include <memory>

#include "CKivDevServerProcess.h"
#include "KivChatRows.h"
#include "KivDataTree.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"

namespace {

// The texts of a client's chat rows that match, oldest first.
QStringList Messages(const QString& tree, const QString& account, const QString& where) {
    const QString name = QStringLiteral("e2e-texts-%1").arg(account);
    QStringList texts;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(tree + QStringLiteral("/User/%1/DB/CHAT_MESSAGE.db").arg(account));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("select message from chat_message_table where ") + where +
                           QStringLiteral(" order by id"))) {
                while (query.next())
                    texts << query.value(0).toString();
            }
        }
    }
    QSqlDatabase::removeDatabase(name);
    return texts;
}

QByteArray FileHash(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex()
                                                                 : QByteArray();
}

// A running kivClient in its own data tree.
struct Client {
    std::unique_ptr<KivDataTree> tree;
    QProcess process;
    QString account;

    ~Client() {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished(5000);
    }
    QString pid() const { return QString::number(process.processId()); }
    // A visible window of this client whose name matches.
    QString window(const QString& pattern) const {
        return KivScreen::XDoTool({QStringLiteral("search"), QStringLiteral("--all"),
                                   QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid(),
                                   QStringLiteral("--name"), pattern})
            .split(QLatin1Char('\n'))
            .value(0);
    }
    int rows(const QString& where, const QVariantList& values = {}) const {
        return KivChatRows::Count(tree->path(), account, where, values);
    }
};

void Click(const QString& window, int x, int y, int repeat = 1) {
    KivScreen::XDoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), window,
                        QString::number(x), QString::number(y), QStringLiteral("click"),
                        QStringLiteral("--repeat"), QString::number(repeat),
                        QStringLiteral("--delay"), QStringLiteral("80"), QStringLiteral("1")});
}

// Clicks into a field and waits until its window holds the keyboard focus:
// keys sent before a slow client has taken the focus land in another window.
bool ClickToType(const QString& window, int x, int y) {
    Click(window, x, y);
    return QTest::qWaitFor(
        [&window] { return KivScreen::XDoTool({QStringLiteral("getwindowfocus")}) == window; },
        10000);
}

void Key(const QString& key) {
    KivScreen::XDoTool({QStringLiteral("key"), key});
}

void Move(const QString& window, int x, int y) {
    KivScreen::XDoTool(
        {QStringLiteral("windowmove"), window, QString::number(x), QString::number(y)});
}

// Long Chinese text goes in through the clipboard: synthetic typing drops characters.
void Paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    QTest::qWait(100);
    Key(QStringLiteral("ctrl+v"));
    QTest::qWait(200);
}

QRect Geometry(const QString& window) {
    const QString shell = KivScreen::XDoTool(
        {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    QRect rect;
    for (const QString& line : shell.split(QLatin1Char('\n'))) {
        const QString value = line.section(QLatin1Char('='), 1);
        if (line.startsWith(QLatin1String("X=")))
            rect.moveLeft(value.toInt());
        if (line.startsWith(QLatin1String("Y=")))
            rect.moveTop(value.toInt());
        if (line.startsWith(QLatin1String("WIDTH=")))
            rect.setWidth(value.toInt());
        if (line.startsWith(QLatin1String("HEIGHT=")))
            rect.setHeight(value.toInt());
    }
    return rect;
}

}  // namespace

// Two real clients on the development server hold a conversation the way two
// people would: with the mouse, the keyboard and the clipboard.
class tst_KivChatEndToEnd : public QObject {
    Q_OBJECT

    void start(Client& client, const QString& account, const QByteArray& sendKey, quint16 port,
               quint16 http) {
        client.account = account;
        client.tree = std::make_unique<KivDataTree>(port, http);
        client.tree->writeFile(
            QStringLiteral("User/%1/Settingconfig/setconfig.ini").arg(account),
            "[BaseSetting]\nCloseMaindlg=1\nMarginHide=0\nWindowFront=0\n[HostKey]\nSndmsg=" +
                sendKey + "\n");
        client.process.setWorkingDirectory(client.tree->path());
        client.process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.process.start(QStringLiteral(KIV_CLIENT_BINARY), QStringList());
        QVERIFY(client.process.waitForStarted());
    }
    void login(Client& client, const QString& mainTitle, int x) {
        QString login;
        QTRY_VERIFY_WITH_TIMEOUT(!(login = client.window(QStringLiteral("^Lumo$"))).isEmpty(),
                                 15000);
        QTest::qWait(400);
        QVERIFY(ClickToType(login, 200, 161));
        KivScreen::XDoTool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                            client.account});
        Key(QStringLiteral("Tab"));
        KivScreen::XDoTool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"),
                            QStringLiteral("123456")});
        Key(QStringLiteral("KP_Enter"));
        QString main;
        QTRY_VERIFY_WITH_TIMEOUT(!(main = client.window(mainTitle)).isEmpty(), 15000);
        Move(main, x, 120);
        QTest::qWait(300);
    }

    // Both demo users logged in, A left of B; A's waiting friend request
    // (the demo account has one) is dismissed, as its window comes first.
    void logInBoth(const CKivDevServerProcess& server, Client& a, Client& b) {
        start(a, QStringLiteral("10001"), "E", server.tcpPort(), server.httpPort());
        login(a, QStringLiteral("^Lumo - 张三$"), 10);
        start(b, QStringLiteral("10002"), "C", server.tcpPort(), server.httpPort());
        login(b, QStringLiteral("^Lumo - 李四$"), 990);
        QString requests;
        QTRY_VERIFY_WITH_TIMEOUT(!(requests = a.window(QStringLiteral("好友"))).isEmpty(), 5000);
        Click(requests, Geometry(requests).width() - 18, 13);
        QTRY_VERIFY_WITH_TIMEOUT(a.window(QStringLiteral("好友")).isEmpty(), 5000);
    }
    // Opens the chat with the first row of the friend page and places it;
    // the chat window, or empty when it did not come.
    static QString openChat(const Client& client, const QString& main, const QString& title, int x,
                            int y) {
        Click(main, 140, 178, 2);
        QString chat;
        if (!QTest::qWaitFor([&] { return !(chat = client.window(title)).isEmpty(); }, 10000))
            return QString();
        Move(chat, x, y);
        return chat;
    }

private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available())
            QSKIP("needs an X display with xdotool and ImageMagick");
    }

    // A pastes a screenshot and a 50 MB file into the chat and presses the
    // send key: B's open window shows the picture by itself, and the file
    // reaches the file server byte for byte, announced once.
    void picturesAndFilesTravel() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        Client a;
        Client b;
        logInBoth(server, a, b);
        QVERIFY(!QTest::currentTestFailed());
        const QString chatB = openChat(b, b.window(QStringLiteral("^Lumo - 李四$")),
                                       QStringLiteral("^张三$"), 640, 300);
        const QString chatA = openChat(a, a.window(QStringLiteral("^Lumo - 张三$")),
                                       QStringLiteral("^李四$"), 40, 40);
        QVERIFY(!chatA.isEmpty() && !chatB.isEmpty());
        QTest::qWait(400);

        QImage screenshot(640, 400, QImage::Format_RGB32);
        screenshot.fill(QColor(30, 110, 200));
        QTemporaryDir files;
        const QString big = files.filePath(QStringLiteral("视频 [50MB].bin"));
        {
            QFile file(big);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray block(1 << 20, '\0');
            for (int i = 0; i < 50; ++i) {
                for (int j = 0; j < block.size(); j += 4096)
                    block[j] = char(i * 7 + j / 4096);
                QCOMPARE(file.write(block), qint64(block.size()));
            }
        }
        QVERIFY(ClickToType(chatA, 280, 440));
        QGuiApplication::clipboard()->setImage(screenshot);
        QTest::qWait(100);
        Key(QStringLiteral("ctrl+v"));
        QTest::qWait(200);
        auto* uris = new QMimeData;
        uris->setUrls({QUrl::fromLocalFile(big)});
        QGuiApplication::clipboard()->setMimeData(uris);
        QTest::qWait(100);
        Key(QStringLiteral("ctrl+v"));
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatA), QStringLiteral("e2e-a-attached.png")));
        Key(QStringLiteral("Return"));
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatA), QStringLiteral("e2e-a-sending.png")));

        // Announced once each, in the order they stood.
        const QString announced = QStringLiteral("senderuid=10001 and message like '【附件】%'");
        QTRY_COMPARE_WITH_TIMEOUT(Messages(b.tree->path(), b.account, announced).size(), 2, 60000);
        const QStringList texts = Messages(b.tree->path(), b.account, announced);
        QVERIFY(texts.at(0).contains(QStringLiteral(".png")));
        QVERIFY(texts.at(1).contains(QStringLiteral("视频 %5B50MB%5D.bin")));
        // The picture came to B by itself, whole.
        const QString received = b.tree->path() + QStringLiteral("/User/10002/Received");
        QTRY_COMPARE_WITH_TIMEOUT(
            QDir(received).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 1, 20000);
        // The file is on the file server byte for byte.
        const QByteArray hash = FileHash(big);
        QVERIFY(texts.at(1).endsWith(QString::fromLatin1(hash)));
        const QString id =
            texts.at(1).section(QStringLiteral("编号 "), 1).section(QChar(0xFF5C), 0, 0);
        const QString fetched = files.filePath(QStringLiteral("fetched.bin"));
        QCOMPARE(QProcess::execute(
                     QStringLiteral("curl"),
                     {QStringLiteral("-sf"), QStringLiteral("-o"), fetched,
                      QStringLiteral("http://127.0.0.1:%1/f/%2").arg(server.httpPort()).arg(id)}),
                 0);
        QCOMPARE(FileHash(fetched), hash);
        QTest::qWait(400);
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatA), QStringLiteral("e2e-a-sent.png")));
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatB), QStringLiteral("e2e-b-files.png")));
    }

    void twoPeopleTalk() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        Client a;
        Client b;
        logInBoth(server, a, b);
        QVERIFY(!QTest::currentTestFailed());
        const QString mainA = a.window(QStringLiteral("^Lumo - 张三$"));
        const QString mainB = b.window(QStringLiteral("^Lumo - 李四$"));
        // A opens the chat with B from the friend page (李四 is the first row).
        const QString chatA = openChat(a, mainA, QStringLiteral("^李四$"), 300, 40);
        QVERIFY(!chatA.isEmpty());
        QTest::qWait(400);
        const QRect chatAt = Geometry(chatA);

        // Chinese text, then a face from the picker, then Enter.
        const QString hello = QStringLiteral("你好，李四！周末一起去爬山吗？");
        QVERIFY(ClickToType(chatA, 280, 440));
        Paste(hello);
        Click(chatA, 25, 357);
        QTest::qWait(500);
        // The first face of the grid: the picker opens 20 px left of the
        // dialog, its bottom at the bottom of the conversation list.
        KivScreen::XDoTool({QStringLiteral("mousemove"), QString::number(chatAt.x() - 20 + 37),
                            QString::number(chatAt.y() + 338 - 300 + 57), QStringLiteral("click"),
                            QStringLiteral("1")});
        QTest::qWait(300);
        QVERIFY(KivScreen::Save(KivScreen::Grab(), QStringLiteral("e2e-a-typed.png")));
        Key(QStringLiteral("Return"));

        // A keeps it once as sent and read; B stores it unread and flashes.
        QTRY_COMPARE_WITH_TIMEOUT(a.rows("senderuid=10001 and recveruid=10002"), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(b.rows("senderuid=10001 and recveruid=10002 and isgot=0"), 1,
                                  10000);
        QCOMPARE(a.rows("message like ?", {hello + QStringLiteral("[%]")}), 1);
        QCOMPARE(b.rows("message like ?", {hello + QStringLiteral("[%]")}), 1);
        const QString tray = KivScreen::FindWindow(QStringLiteral("^panel$"));
        if (!tray.isEmpty()) {
            QSet<QByteArray> frames;
            for (int i = 0; i < 12 && frames.size() < 2; ++i) {
                const QImage shot = KivScreen::Grab(tray);
                frames.insert(QByteArray(reinterpret_cast<const char*>(shot.constBits()),
                                         int(shot.sizeInBytes())));
                QTest::qWait(110);
            }
            QCOMPARE(frames.size(), 2);
        }

        // B opens the conversation (张三 is B's first friend) and reads it.
        const QString chatB = openChat(b, mainB, QStringLiteral("^张三$"), 420, 250);
        QVERIFY(!chatB.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(b.rows("senderuid=10001 and isgot=0"), 0, 10000);
        QTest::qWait(400);
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatB), QStringLiteral("e2e-b-received.png")));

        // B answers with Ctrl+Return, its chosen send key.
        const QString answer = QStringLiteral("好呀！我带上相机，早上七点见。");
        QVERIFY(ClickToType(chatB, 280, 440));
        Paste(answer);
        Key(QStringLiteral("ctrl+Return"));
        QTRY_COMPARE_WITH_TIMEOUT(a.rows("senderuid=10002 and message=?", {answer}), 1, 10000);
        // The sender's row is written once the server has acknowledged the message.
        QTRY_COMPARE_WITH_TIMEOUT(b.rows("senderuid=10002 and message=?", {answer}), 1, 5000);
        // Each database holds the conversation exactly once.
        QCOMPARE(a.rows("(senderuid=10001 and recveruid=10002) or (senderuid=10002 and "
                        "recveruid=10001 and message=?)",
                        {answer}),
                 2);
        QCOMPARE(b.rows("(senderuid=10001 and recveruid=10002) or (senderuid=10002 and "
                        "recveruid=10001)"),
                 2);
        QTest::qWait(400);
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatA), QStringLiteral("e2e-a-answered.png")));

        // A pages the chat record: the panel opens at the right of the dialog.
        KivScreen::XDoTool({QStringLiteral("windowraise"), chatA});
        QTest::qWait(200);
        Click(chatA, 545, 357);
        QTRY_COMPARE_WITH_TIMEOUT(Geometry(chatA).width(), chatAt.width() + 366, 5000);
        QTest::qWait(400);
        QVERIFY(KivScreen::Save(KivScreen::Grab(chatA), QStringLiteral("e2e-a-record.png")));
    }
};

KIV_TEST_CLASS(tst_KivChatEndToEnd)
#include "tst_KivChatEndToEnd.moc"
