#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTcpServer>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivRawClient.h"
#include "CKivReconnectModel.h"
#include "KivModalCloser.h"
#include "KivTestClock.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivViewTestTree.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/QCustomComboBox.h"
#include "shell/QCustomLineEdit.h"
#include "support/KivAccountLock.h"
#include "support/KivPasswordKeyring.h"
#include "support/SimpleCrypt.h"

class tst_KivIMLoginDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CKivDevServerProcess> m_server;
    KivTestClock m_clock;
    std::unique_ptr<CKivSession> m_session;
    std::unique_ptr<KivIMLoginDlg> m_login;
    std::unique_ptr<KivModalCloser> m_closer;

    void pointConfigAt(quint16 port) {
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n"
                                         "fileHostaddr=127.0.0.1\nfilehostport=%2\n"
                                         "[web]\ncryptKey=1234567890123\n")
                              .arg(port)
                              .arg(m_server ? m_server->httpPort() : 1)
                              .toLatin1());
        CKivFriendReadConfigModel::ReleaseInstance();
    }
    void openDialog(KivTimerSource& timers = KivTimerSource::EventLoop()) {
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session = KivNewTestSession(timers);
        m_login = std::make_unique<KivIMLoginDlg>(nullptr, *m_session);
        m_login->SetLoginDelayMs(0);
        m_login->show();
        QTRY_VERIFY(CKivFriendNetModel::GetInstance()->IsConnected());
    }
    QCustomComboBox* account() const { return m_login->findChild<QCustomComboBox*>(); }
    QLineEdit* password() const {
        return m_login->findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"));
    }
    QCheckBox* box(const char* name) const {
        return m_login->findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    QPushButton* loginButton() const {
        return m_login->findChild<QPushButton*>(QStringLiteral("pushButtonLogin"));
    }
    void logIn(const QString& who, const QString& secret) {
        account()->setEditText(who);
        password()->setText(secret);
        loginButton()->click();
    }
    QSettings userSettings(const QString& who) const {
        return QSettings(QStringLiteral("User/%1/Settingconfig/setconfig.ini").arg(who),
                         QSettings::IniFormat);
    }

    // Accounts that logged in before, the last one current, and one account's
    // remembered password with the setting that decides what happens to it.
    void rememberAccounts(const QStringList& accounts, const QString& who, const char* setting,
                          const QString& secret) {
        {
            QSettings list(QStringLiteral("Config/login.ini"), QSettings::IniFormat);
            for (const QString& one : accounts)
                list.setValue(one + QStringLiteral("/UserName"), one);
            list.setValue(QStringLiteral("CurrentAccount/UserName"), accounts.first());
        }
        QDir().mkpath(QStringLiteral("User/%1/Settingconfig").arg(who));
        QSettings settings = userSettings(who);
        settings.setValue(QString::fromLatin1(setting), 1);
        settings.setValue(QStringLiteral("/KivPwd/passWd"),
                          SimpleCrypt(1234567890123ULL).encryptToString(secret));
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        for (int head = 0; head < 6; ++head)
            m_tree->addPicture(QStringLiteral("image/head/head_%1.png").arg(head));
        m_server = std::make_unique<CKivDevServerProcess>();
        QVERIFY(m_server->start());
        pointConfigAt(m_server->tcpPort());
        m_closer = std::make_unique<KivModalCloser>();
        CKivFriendHearbeatModel::GetInstance()->SetInterval(60000);
    }
    void cleanup() {
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session.reset();
        CKivFriendNetModel::GetInstance()->Delete_Socket();
        CKivFriendHearbeatModel::ReleaseInstance();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        m_closer.reset();
        m_server.reset();
        CKivFriendReadConfigModel::ReleaseInstance();
        m_tree.reset();
        KivViewTestTree::ForgetQuit();
    }

    // A success that comes after its attempt was given up opens no session.
    void lateLoginAnswerIsIgnored() {
        openDialog();
        m_login->AccountLoginResultSlot(0, 10001, 0, QStringLiteral("10001"), QString(), QString(),
                                        QString(), false);
        QTest::qWait(50);
        QVERIFY(!KivIMMainDlg::mainDlg->isVisible());
        QVERIFY(!m_login->Reconnect()->IsArmed());
        QVERIFY(m_login->isVisible());
    }

    // One client per account: a second one is told so and sends no login.
    void secondClientOfAnAccountIsRefused() {
        KivAccountLock running;
        QVERIFY(running.Take(QStringLiteral("10001")));
        openDialog();
        logIn(QStringLiteral("10001"), QStringLiteral("123456"));
        QTRY_COMPARE(m_closer->texts().size(), 1);
        QVERIFY(m_closer->texts().first().contains(QStringLiteral("已在本机登录")));
        QVERIFY(!m_login->IsLoginPending());
        running.Release();
        logIn(QStringLiteral("10001"), QStringLiteral("123456"));
        QTRY_VERIFY(KivIMMainDlg::mainDlg && KivIMMainDlg::mainDlg->isVisible());
        // Now this client holds it.
        KivAccountLock second;
        QVERIFY(!second.Take(QStringLiteral("10001")));
    }

    void loginRequestRecord() {
        const QByteArray bytes =
            CKivSession::LoginRequest(QStringLiteral("10001"), QStringLiteral("123456"));
        QCOMPARE(bytes.size(), 352);
        LoginRequest request;
        memcpy(&request, bytes.constData(), sizeof(request));
        QCOMPARE(request.head.command, Uint32(Login));
        QCOMPARE(request.head.length2, Uint32(352));
        QCOMPARE(QByteArray(request.account), QByteArray("10001"));
        QCOMPARE(QByteArray(request.password), QByteArray("e10adc3949ba59abbe56e057f20f883e"));
        QVERIFY(QByteArray(request.localIp).count('.') == 3);
        QCOMPARE(request.param1, Uint32(23));
        QCOMPARE(request.param3, Uint32(1));
    }

    void successWritesTheAccountFiles() {
        openDialog();
        box("checkBoxAutoLogin")->click();
        QVERIFY(box("checkBoxRemember")->isChecked());
        logIn(QStringLiteral("10001"), QStringLiteral("123456"));
        QVERIFY(!loginButton()->isEnabled());
        QTRY_VERIFY(KivIMMainDlg::mainDlg->isVisible());
        QVERIFY(!m_login->isVisible());
        QCOMPARE(KivIMMainDlg::mainDlg->m_uid, Uint32(10001));
        QCOMPARE(KivIMMainDlg::mainDlg->m_nickName, QStringLiteral("张三"));
        QCOMPARE(KivIMMainDlg::mainDlg->m_settings.value(QStringLiteral("CloseMaindlg")), 1);
        QCOMPARE(KivIMMainDlg::mainDlg->m_hotKeyText.value(QStringLiteral("SndmsgKey")),
                 QStringLiteral("C"));

        QSettings list(QStringLiteral("Config/login.ini"), QSettings::IniFormat);
        QCOMPARE(list.value(QStringLiteral("10001/UserName")).toString(), QStringLiteral("10001"));
        QCOMPARE(list.value(QStringLiteral("CurrentAccount/UserName")).toString(),
                 QStringLiteral("10001"));
        QVERIFY(QFileInfo::exists(QStringLiteral("User/10001/image/head.png")));
        QSettings settings = userSettings(QStringLiteral("10001"));
        QCOMPARE(settings.value(QStringLiteral("/BaseSetting/MarginHide")).toInt(), 1);
        QCOMPARE(settings.value(QStringLiteral("/NetSet/Type")).toString(),
                 QStringLiteral("NoUse"));
        QCOMPARE(settings.value(QStringLiteral("/History/SavePath")).toString(),
                 QStringLiteral("./User/10001/DB"));
        QCOMPARE(settings.value(QStringLiteral("/BaseSetting/AutoLogin")).toInt(), 1);
        QCOMPARE(settings.value(QStringLiteral("/BaseSetting/ForgetPwd")).toInt(), 1);

        // The file keeps no password, not even scrambled; without a keyring
        // the user is told that none is remembered.
        QVERIFY(!settings.contains(QStringLiteral("/KivPwd/passWd")));
        QFile raw(QStringLiteral("User/10001/Settingconfig/setconfig.ini"));
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QVERIFY(!raw.readAll().contains("123456"));
        if (!KivPasswordKeyring::Available()) {
            QTRY_VERIFY(m_closer->texts().contains(
                KivPasswordKeyring::MissText(KivPasswordKeyring::Item::Login)));
        }
    }

    void rememberedAccountsFillTheList() {
        rememberAccounts({"10002", "老王"}, QStringLiteral("10002"), "/BaseSetting/ForgetPwd",
                         QStringLiteral("秘密"));
        openDialog();
        QStringList accounts;
        for (int i = 0; i < account()->count(); ++i)
            accounts << account()->itemText(i);
        accounts.sort();
        QCOMPARE(accounts, (QStringList{"10002", "老王"}));
        QCOMPARE(account()->currentText(), QStringLiteral("10002"));
        QCOMPARE(password()->text(), QStringLiteral("秘密"));
        QVERIFY(box("checkBoxRemember")->isChecked());
        QVERIFY(!m_login->IsLoginPending());

        emit account()->ItemDel(QStringLiteral("老王"));
        QSettings list(QStringLiteral("Config/login.ini"), QSettings::IniFormat);
        QVERIFY(!list.childGroups().contains(QStringLiteral("老王")));
    }

    void pickingAnAutoLoginAccountLogsIn() {
        rememberAccounts({"10001", "10002"}, QStringLiteral("10002"), "/BaseSetting/AutoLogin",
                         QStringLiteral("123456"));
        openDialog();
        QVERIFY(!m_login->IsLoginPending());
        account()->setCurrentIndex(account()->findText(QStringLiteral("10002")));
        QVERIFY(m_login->IsLoginPending());
        QTRY_VERIFY(KivIMMainDlg::mainDlg->isVisible());
        QCOMPARE(KivIMMainDlg::mainDlg->m_uid, Uint32(10002));
    }

    void failures_data() {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("secret");
        QTest::addColumn<QString>("text");
        QTest::newRow("wrong password") << "10001"
                                        << "654321"
                                        << "账号或密码错误";
        QTest::newRow("no such user") << "99999"
                                      << "123456"
                                      << "用户不存在";
    }
    void failures() {
        QFETCH(QString, who);
        QFETCH(QString, secret);
        QFETCH(QString, text);
        openDialog();
        logIn(who, secret);
        QTRY_COMPARE(m_closer->texts(), QStringList{text});
        QVERIFY(loginButton()->isEnabled());
        QVERIFY(!KivIMMainDlg::mainDlg->isVisible());
        QVERIFY(m_login->isVisible());
    }

    void loggedInElsewhereEndsTheSession() {
        openDialog();
        logIn(QStringLiteral("10003"), QStringLiteral("123456"));
        QTRY_VERIFY(KivIMMainDlg::mainDlg->isVisible());
        CKivRawClient other;
        QVERIFY(other.connectTo(m_server->tcpPort()));
        QVERIFY(other.login(QStringLiteral("10003"), QStringLiteral("123456")));
        QTRY_VERIFY(m_closer->texts().contains(QStringLiteral("已经在其他地方登陆")));
        QTRY_VERIFY(!m_login->isVisible());
        QVERIFY(!KivIMMainDlg::mainDlg->isVisible());
    }

    void silentServerTimesOut() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        m_server.reset();
        pointConfigAt(silent.serverPort());
        openDialog(m_clock);
        logIn(QStringLiteral("10001"), QStringLiteral("123456"));
        QVERIFY(!loginButton()->isEnabled());
        QVERIFY(m_login->IsLoginPending());
        m_clock.Advance(KivIMLoginDlg::kLoginTimeoutMs - 1);
        QVERIFY(m_login->IsLoginPending());
        m_clock.Advance(1);
        QVERIFY(loginButton()->isEnabled());
        QVERIFY(!m_login->IsLoginPending());
        QVERIFY(m_closer->texts().isEmpty());
    }

    void keypadEnterLogsIn() {
        openDialog();
        account()->setEditText(QStringLiteral("10004"));
        password()->setText(QStringLiteral("123456"));
        QTest::keyClick(password(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(m_login->IsLoginPending());
        QTRY_VERIFY(KivIMMainDlg::mainDlg->isVisible());
    }

    // A second keypad Enter while the first login waits would connect again
    // and send the login twice.
    void keypadEnterWhilePendingIsIgnored() {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        int connections = 0;
        connect(&silent, &QTcpServer::newConnection, this, [&] {
            while (silent.hasPendingConnections()) {
                silent.nextPendingConnection();
                ++connections;
            }
        });
        m_server.reset();
        pointConfigAt(silent.serverPort());
        openDialog();
        QTRY_COMPARE(connections, 1);
        logIn(QStringLiteral("10001"), QStringLiteral("123456"));
        QTRY_COMPARE(connections, 2);
        QTest::keyClick(password(), Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(m_login->IsLoginPending());
        QTest::qWait(300);
        QCOMPARE(connections, 2);
    }

    // Answering "Yes" to the installer question of an automatic login at
    // start-up ends the program once its event loop runs.
    void updateAtStartUpQuits() {
        m_closer.reset();
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nneedUpdate=1\n"
                                         "UpdateMode=1\n[web]\ncryptKey=1234567890123\n")
                              .arg(m_server->tcpPort())
                              .toLatin1());
        CKivFriendReadConfigModel::ReleaseInstance();
        rememberAccounts({"10001"}, QStringLiteral("10001"), "/BaseSetting/AutoLogin",
                         QStringLiteral("123456"));
        QTimer answer;
        QStringList asked;
        QList<QPointer<QMessageBox>> seen;
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible() && !seen.contains(box)) {
                seen << box;
                asked << box->text();
                box->button(QMessageBox::Yes)->click();
            }
        });
        answer.start(20);
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session = KivNewTestSession();
        m_login = std::make_unique<KivIMLoginDlg>(nullptr, *m_session);
        m_login->SetLoginDelayMs(0);
        QCOMPARE(asked, QStringList{QStringLiteral("已有最新版本，是否进行安装？")});
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
        giveUp.start(20000);
        QCOMPARE(QCoreApplication::exec(), 0);
        giveUp.stop();
        QVERIFY(!KivIMMainDlg::mainDlg->isVisible());
    }

    // The connection drops while the main window waits in a message box of its
    // own: the window must outlive that box and go when the box is answered.
    void lostConnectionWaitsForTheMainWindowsLoop() {
        openDialog();
        QPointer<KivIMMainDlg> old = KivIMMainDlg::mainDlg;
        bool aliveAfterItsBox = false;
        QEventLoop application;
        QTimer::singleShot(0, &application, [&] {
            QTimer::singleShot(0, [] { emit CKivFriendNetModel::GetInstance()->CloseConnect(); });
            old->UserAddResultSlots(10002, KivIMMainDlg::kAddExists);
            aliveAfterItsBox = !old.isNull() && old->isHidden();
            application.quit();
        });
        application.exec();
        QVERIFY(aliveAfterItsBox);
        QTRY_VERIFY(old.isNull());
        QVERIFY(KivIMMainDlg::mainDlg != nullptr);
        QVERIFY(m_login->isVisible());
        QCOMPARE(m_closer->texts(), (QStringList{QStringLiteral("请检查您的网络连接!"),
                                                 QStringLiteral("已经存在该好友")}));
    }

    // The login's update bookkeeping changes one line of the deployment's file.
    void loginKeepsTheDeploymentFile() {
        const QByteArray deployed = QStringLiteral(
                                        "; written by hand\n[base]\nipaddr=127.0.0.1\n"
                                        "port=%1\nversion=9\n\n[web]\n"
                                        "site=http://kiv.example/?a=1,2;3\n")
                                        .arg(m_server->tcpPort())
                                        .toLatin1();
        m_tree->writeFile(QStringLiteral("Config/config.ini"), deployed);
        CKivFriendReadConfigModel::ReleaseInstance();
        openDialog();
        logIn(QStringLiteral("10001"), QStringLiteral("123456"));
        QTRY_VERIFY(KivIMMainDlg::mainDlg->isVisible());
        QFile file(QStringLiteral("Config/config.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QByteArray expected = deployed;
        expected.replace("version=9\n", "version=9\nneedUpdate=0\n");
        QCOMPARE(file.readAll(), expected);
    }

    void eyeButtonShowsThePassword() {
        openDialog();
        auto* eye = m_login->findChild<QPushButton*>(QStringLiteral("eyeBtn"));
        QCOMPARE(password()->echoMode(), QLineEdit::Password);
        eye->click();
        QCOMPARE(password()->echoMode(), QLineEdit::Normal);
        QVERIFY(eye->styleSheet().contains(QStringLiteral("eye_off.png")));
        eye->click();
        QCOMPARE(password()->echoMode(), QLineEdit::Password);
    }
};

KIV_TEST_CLASS(tst_KivIMLoginDlg)
#include "tst_KivIMLoginDlg.moc"
