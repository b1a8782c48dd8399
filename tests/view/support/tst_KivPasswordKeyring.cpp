#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivModalCloser.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivViewTestTree.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/QCustomComboBox.h"
#include "support/KivPasswordKeyring.h"
#include "support/KivProxySettings.h"
#include "support/SimpleCrypt.h"

// Remembered passwords: in the desktop keyring when one runs or the session
// bus can start one (the CTest entries tst_kivView_keyring and
// tst_kivView_keyring_started give this class one of its own); without one
// nothing new is kept.
class tst_KivPasswordKeyring : public QObject {
    Q_OBJECT
    static constexpr quint64 kKey = 1234567890123ULL;
    bool m_keyring = false;
    std::unique_ptr<CKivDevServerProcess> m_server;
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CKivSession> m_session;
    std::unique_ptr<KivIMLoginDlg> m_login;
    std::unique_ptr<KivModalCloser> m_closer;

    QSettings settings() const {
        return QSettings(QStringLiteral("User/10001/Settingconfig/setconfig.ini"),
                         QSettings::IniFormat);
    }
    // A dialog as the next start of the program opens it.
    void openDialog() {
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session = KivNewTestSession();
        m_login = std::make_unique<KivIMLoginDlg>(nullptr, *m_session);
        m_login->SetLoginDelayMs(0);
        m_login->show();
    }
    QLineEdit* password() const {
        return m_login->findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"));
    }
    QCheckBox* remember() const {
        return m_login->findChild<QCheckBox*>(QStringLiteral("checkBoxRemember"));
    }
    bool logIn() {
        m_login->findChild<QPushButton*>(QStringLiteral("pushButtonLogin"))->click();
        return QTest::qWaitFor([] { return KivIMMainDlg::mainDlg->isVisible(); }, 10000);
    }

private slots:
    void initTestCase() {
        // The bus starts the keyring only when it is asked for one.
        if (qEnvironmentVariable("KIV_IN_KEYRING") == QLatin1String("activate")) {
            QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
                QStringLiteral("org.freedesktop.secrets")));
        }
        m_keyring = KivPasswordKeyring::Available();
        // Under its own keyring a missing one is a fault, not the fallback.
        if (qEnvironmentVariableIsSet("KIV_IN_KEYRING"))
            QVERIFY(m_keyring);
        m_server = std::make_unique<CKivDevServerProcess>();
        QVERIFY(m_server->start());
    }
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->addPicture(QStringLiteral("image/head/head_1.png"));
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\n[web]\ncryptKey=%2\n")
                              .arg(m_server->tcpPort())
                              .arg(kKey)
                              .toLatin1());
        m_tree->writeFile(QStringLiteral("Config/login.ini"),
                          "[10001]\nUserName=10001\n[CurrentAccount]\nUserName=10001\n");
        CKivFriendReadConfigModel::ReleaseInstance();
        m_closer = std::make_unique<KivModalCloser>();
        CKivFriendHearbeatModel::GetInstance()->SetInterval(60000);
        KivPasswordKeyring::Forget(QStringLiteral("10001"));
    }
    void cleanup() {
        m_login.reset();
        delete KivIMMainDlg::mainDlg;
        m_session.reset();
        CKivFriendNetModel::GetInstance()->Delete_Socket();
        CKivFriendHearbeatModel::ReleaseInstance();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        CKivFriendReadConfigModel::ReleaseInstance();
        KivPasswordKeyring::Forget(QStringLiteral("10001"));
        KivPasswordKeyring::Forget(QStringLiteral("10001"), KivPasswordKeyring::Item::Proxy);
        m_closer.reset();
        m_tree.reset();
        KivViewTestTree::ForgetQuit();
    }

    // A password remembered in the old form fills the dialog, moves into the
    // keyring at the next login (leaving the file), and is read back from
    // there at the start after; unchecking the box forgets it everywhere.
    void remembersMovesAndForgets() {
        QDir().mkpath(QStringLiteral("User/10001/Settingconfig"));
        settings().setValue(QStringLiteral("/BaseSetting/ForgetPwd"), 1);
        settings().setValue(QStringLiteral("/KivPwd/passWd"),
                            SimpleCrypt(kKey).encryptToString(QStringLiteral("123456")));
        openDialog();
        QCOMPARE(password()->text(), QStringLiteral("123456"));
        QVERIFY(remember()->isChecked());
        QVERIFY(logIn());
        const QString scrambled = settings().value(QStringLiteral("/KivPwd/passWd")).toString();
        if (m_keyring) {
            QCOMPARE(KivPasswordKeyring::Lookup(QStringLiteral("10001")), QStringLiteral("123456"));
            QVERIFY(scrambled.isEmpty());
        } else {
            QVERIFY(KivPasswordKeyring::Lookup(QStringLiteral("10001")).isNull());
            QCOMPARE(SimpleCrypt(kKey).decryptToString(scrambled), QStringLiteral("123456"));
        }

        openDialog();
        QCOMPARE(password()->text(), QStringLiteral("123456"));
        remember()->setChecked(false);
        QVERIFY(logIn());
        QVERIFY(KivPasswordKeyring::Lookup(QStringLiteral("10001")).isNull());
        QVERIFY(!settings().contains(QStringLiteral("/KivPwd/passWd")));
        QCOMPARE(settings().value(QStringLiteral("/BaseSetting/ForgetPwd")).toInt(), 0);
        openDialog();
        QVERIFY(password()->text().isEmpty());
    }

    // Without a keyring a password typed at login is written nowhere, one
    // scrambled by an older version stays only while it is still the
    // password, and the user hears it once.
    void withoutKeyringNothingNewIsKept_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("kept");
        QTest::newRow("nothing before") << QString() << false;
        QTest::newRow("the password before") << QStringLiteral("123456") << true;
        QTest::newRow("a stale one before") << QStringLiteral("old") << false;
    }
    void withoutKeyringNothingNewIsKept() {
        if (m_keyring)
            QSKIP("a keyring runs on the session bus");
        QFETCH(QString, before);
        QFETCH(bool, kept);
        const QString tip = KivPasswordKeyring::MissText(KivPasswordKeyring::Item::Login);
        QDir().mkpath(QStringLiteral("User/10001/Settingconfig"));
        if (!before.isEmpty()) {
            settings().setValue(QStringLiteral("/KivPwd/passWd"),
                                SimpleCrypt(kKey).encryptToString(before));
        }
        for (int login = 0; login < 2; ++login) {
            openDialog();
            password()->setText(QStringLiteral("123456"));
            remember()->setChecked(true);
            QVERIFY(logIn());
            QTRY_COMPARE(m_closer->texts().count(tip), 1);
            // A second tip would follow at once.
            QTest::qWait(100);
            QCOMPARE(m_closer->texts().count(tip), 1);
            const QString scrambled = settings().value(QStringLiteral("/KivPwd/passWd")).toString();
            QCOMPARE(!scrambled.isEmpty(), kept);
            if (kept)
                QCOMPARE(SimpleCrypt(kKey).decryptToString(scrambled), QStringLiteral("123456"));
        }
        // The box stays checked for when a keyring comes.
        openDialog();
        QVERIFY(remember()->isChecked());
        QCOMPARE(password()->text(), kept ? QStringLiteral("123456") : QString());
    }

    // A proxy password an older version kept in plain text moves into the
    // keyring when the proxy is read, apart from the login password; without
    // a keyring it goes on working from the file, and a new one is not written.
    void proxyPasswordMovesIntoTheKeyring() {
        const QString account = QStringLiteral("10001");
        const auto item = KivPasswordKeyring::Item::Proxy;
        const QString key = QStringLiteral("/NetSet/passWd");
        QDir().mkpath(QStringLiteral("User/10001/Settingconfig"));
        settings().setValue(QStringLiteral("/NetSet/Type"), QStringLiteral("SOCKS5gency"));
        settings().setValue(key, QStringLiteral("代理 pw"));
        KivProxySettings proxy = KivProxySettings::Read(account);
        QCOMPARE(proxy.password, QStringLiteral("代理 pw"));
        QCOMPARE(settings().contains(key), !m_keyring);
        QCOMPARE(KivProxySettings::Read(account).password, QStringLiteral("代理 pw"));
        proxy.password = QStringLiteral("new");
        QCOMPARE(proxy.StorePassword(account), m_keyring);
        QVERIFY(!settings().contains(key));
        if (!m_keyring)
            return;
        QCOMPARE(KivPasswordKeyring::Lookup(account, item), QStringLiteral("new"));
        QVERIFY(KivPasswordKeyring::Lookup(account).isNull());
        proxy.password.clear();
        QVERIFY(proxy.StorePassword(account));
        QVERIFY(KivPasswordKeyring::Lookup(account, item).isNull());
    }

    // The keyring's item wins over a stale scrambled one, and a password
    // stored there is another account's only under its own name.
    void keyringItemIsTheAccountsOwn() {
        if (!m_keyring)
            QSKIP("no keyring runs on the session bus");
        QVERIFY(KivPasswordKeyring::Store(QStringLiteral("10001"), QStringLiteral("123456")));
        QVERIFY(KivPasswordKeyring::Store(QStringLiteral("10002"), QStringLiteral("other 密码")));
        QCOMPARE(KivPasswordKeyring::Lookup(QStringLiteral("10002")), QStringLiteral("other 密码"));
        QDir().mkpath(QStringLiteral("User/10001/Settingconfig"));
        settings().setValue(QStringLiteral("/BaseSetting/ForgetPwd"), 1);
        settings().setValue(QStringLiteral("/KivPwd/passWd"),
                            SimpleCrypt(kKey).encryptToString(QStringLiteral("stale")));
        openDialog();
        QCOMPARE(password()->text(), QStringLiteral("123456"));
        QVERIFY(KivPasswordKeyring::Forget(QStringLiteral("10002")));
        QVERIFY(KivPasswordKeyring::Lookup(QStringLiteral("10002")).isNull());
        QCOMPARE(KivPasswordKeyring::Lookup(QStringLiteral("10001")), QStringLiteral("123456"));
    }
};

KIV_TEST_CLASS(tst_KivPasswordKeyring)
#include "tst_KivPasswordKeyring.moc"
