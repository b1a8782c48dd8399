#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QX11Info>
#include <QtTest>
#include <memory>

#include "CKivDevServerProcess.h"
#include "KivInstalledTree.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Messages stored in an account's chat database.
int StoredMessages(const QString& database) {
    const QString name = QStringLiteral("installed-reader");
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery query(QStringLiteral("select count(*) from chat_message_table"), db);
            if (query.next())
                count = query.value(0).toInt();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return count;
}

// The user points the client at a server by editing the configuration.
bool PointAtServer(const QString& config, quint16 port, quint16 httpPort) {
    QFile file(config);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    const auto set = [&text](const QString& key, const QString& value) {
        text.replace(QRegularExpression(QStringLiteral("(?m)^%1=.*$").arg(key)), key + '=' + value);
    };
    set(QStringLiteral("ipaddr"), QStringLiteral("127.0.0.1"));
    set(QStringLiteral("port"), QString::number(port));
    set(QStringLiteral("fileHostaddr"), QStringLiteral("127.0.0.1"));
    set(QStringLiteral("filehostport"), QString::number(httpPort));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text.toUtf8()) > 0;
}

// A started client, ended when the test is done with it, also when a check failed.
class ClientProcess : public QProcess {
public:
    ~ClientProcess() override { stop(); }
    void stop() {
        if (state() == QProcess::NotRunning)
            return;
        terminate();
        if (!waitForFinished(10000)) {
            kill();
            waitForFinished();
        }
    }
};

}  // namespace

// The installed client started the way the desktop menu starts it, on the
// virtual display, against the development server.
class tst_KivInstalledClient : public QObject {
    Q_OBJECT
    std::unique_ptr<KivInstalledTree> m_tree;

    // What the menu runs: the entry's Exec command, found on PATH.
    QString menuCommand() const {
        QSettings entry(m_tree->path(QStringLiteral("share/applications/kivim.desktop")),
                        QSettings::IniFormat);
        const QString exec = entry.value(QStringLiteral("Desktop Entry/Exec")).toString();
        return QStandardPaths::findExecutable(exec, {m_tree->path(QStringLiteral("bin"))});
    }

    // Starts the client from the menu as the user with that home; the id of
    // its window with the given title, or empty.
    QString start(QProcess& client, const QString& home, const QString& title) {
        QProcessEnvironment environment =
            KivInstalledTree::userEnvironment(home, QStringLiteral("xcb"));
        environment.insert(QStringLiteral("PATH"), m_tree->path(QStringLiteral("bin:")) +
                                                       environment.value(QStringLiteral("PATH")));
        client.setProcessEnvironment(environment);
        client.setWorkingDirectory(home);
        client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        client.start(menuCommand(), QStringList());
        if (!client.waitForStarted())
            return QString();
        return waitForWindow(client, title);
    }

    // The launcher replaces itself by the client: the window belongs to its process.
    static QString waitForWindow(const QProcess& client, const QString& title) {
        QString window;
        QElapsedTimer timer;
        timer.start();
        while (window.isEmpty() && timer.elapsed() < 20000 && client.state() == QProcess::Running) {
            window = KivScreen::XDoTool({QStringLiteral("search"), QStringLiteral("--all"),
                                         QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                                         QString::number(client.processId()),
                                         QStringLiteral("--name"), title})
                         .split(QLatin1Char('\n'))
                         .value(0);
            if (window.isEmpty())
                QTest::qWait(200);
        }
        return window;
    }

private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available())
            QSKIP("needs an X display with xdotool and ImageMagick");
        m_tree = std::make_unique<KivInstalledTree>();
        QString error;
        QVERIFY2(m_tree->install(&error), qPrintable(error));
        QVERIFY(!menuCommand().isEmpty());
    }

    void startsFromTheMenuLogsInAndKeepsTheUsersFiles() {
        CKivDevServerProcess server;
        QVERIFY(server.start());
        const QString home = m_tree->newHome();
        const QDir root(home + QStringLiteral("/.local/share/kivim"));

        // First start: the data root appears and the login window shows.
        {
            ClientProcess client;
            const QString login = start(client, home, QStringLiteral("^Lumo$"));
            QVERIFY2(!login.isEmpty(), "no login window on the first start");
            QVERIFY(QFileInfo(root.filePath(QStringLiteral("Config/config.ini"))).isFile());
            QVERIFY(QFileInfo(root.filePath(QStringLiteral("User"))).isDir());
            // A window just listed may not be viewable yet while both cores are busy.
            QImage shot;
            QTRY_VERIFY_WITH_TIMEOUT(!(shot = KivScreen::Grab(login)).isNull(), 10000);
            QVERIFY(KivScreen::Save(shot, QStringLiteral("installed-first-start.png")));
            client.stop();
        }
        QVERIFY(PointAtServer(root.filePath(QStringLiteral("Config/config.ini")), server.tcpPort(),
                              server.httpPort()));

        // Second start: log in as a demo user and see the main window.
        const QString database = root.filePath(QStringLiteral("User/10001/DB/CHAT_MESSAGE.db"));
        {
            ClientProcess client;
            const QString login = start(client, home, QStringLiteral("^Lumo$"));
            QVERIFY(!login.isEmpty());
            QTest::qWait(500);
            KivScreen::XDoTool({QStringLiteral("mousemove"), QStringLiteral("--window"), login,
                                QStringLiteral("200"), QStringLiteral("161"),
                                QStringLiteral("click"), QStringLiteral("1")});
            KivScreen::XDoTool({QStringLiteral("type"), QStringLiteral("--delay"),
                                QStringLiteral("20"), QStringLiteral("10001")});
            KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("Tab")});
            KivScreen::XDoTool({QStringLiteral("type"), QStringLiteral("--delay"),
                                QStringLiteral("20"), QStringLiteral("123456")});
            KivScreen::XDoTool({QStringLiteral("key"), QStringLiteral("KP_Enter")});
            const QString main = waitForWindow(client, QStringLiteral("^Lumo - 张三$"));
            QVERIFY2(!main.isEmpty(), "no main window after the login");
            QVERIFY(server.waitForLog(QStringLiteral("logged in as 10001")));
            // The offline messages of the demo account land in the user's own database.
            QTRY_VERIFY_WITH_TIMEOUT(StoredMessages(database) >= 2, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(
                ReadAll(root.filePath(QStringLiteral("Config/login.ini"))).contains("10001"),
                10000);
            QImage shot;
            QTRY_VERIFY_WITH_TIMEOUT(!(shot = KivScreen::Grab(main)).isNull(), 10000);
            QVERIFY(KivScreen::Save(shot, QStringLiteral("installed-main.png")));
            client.stop();
        }
        const QByteArray config = ReadAll(root.filePath(QStringLiteral("Config/config.ini")));
        const QByteArray settings =
            ReadAll(root.filePath(QStringLiteral("User/10001/Settingconfig/setconfig.ini")));
        QVERIFY(!settings.isEmpty());
        const int messages = StoredMessages(database);

        // Third start: everything the user has is still there.
        {
            ClientProcess client;
            QVERIFY(!start(client, home, QStringLiteral("^Lumo$")).isEmpty());
            client.stop();
        }
        QCOMPARE(ReadAll(root.filePath(QStringLiteral("Config/config.ini"))), config);
        QVERIFY(ReadAll(root.filePath(QStringLiteral("Config/login.ini"))).contains("10001"));
        QCOMPARE(ReadAll(root.filePath(QStringLiteral("User/10001/Settingconfig/setconfig.ini"))),
                 settings);
        QCOMPARE(StoredMessages(database), messages);
    }
};

KIV_TEST_CLASS(tst_KivInstalledClient)
#include "tst_KivInstalledClient.moc"
