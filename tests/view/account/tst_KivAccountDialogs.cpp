#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivRawClient.h"
#include "KivModalCloser.h"
#include "KivTestMainWindow.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivThreadSpy.h"
#include "KivViewTestTree.h"
#include "account/KivPhoneNumber.h"
#include "account/kivRecoverPassworddlg.h"
#include "account/kivRegisterDlg.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/QCustomComboBox.h"

namespace {

// The check numbers the server delivers, as the dialogs receive them.
class CheckNumberTap : public QObject {
public:
    explicit CheckNumberTap(CKivFriendNetModel* net) {
        connect(net, &CKivFriendNetModel::MsgRegistRet, this,
                [this](int, QString code, int) { m_codes.append(code); });
        connect(net, &CKivFriendNetModel::MsgNewPwd, this,
                [this](QString code, int) { m_codes.append(code); });
    }
    int count() const { return m_codes.size(); }
    QString last() const { return m_codes.value(m_codes.size() - 1); }

private:
    QStringList m_codes;
};

QLineEdit* Edit(QWidget* dialog, const char* name) {
    return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
}

QPushButton* Button(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

void Fill(QWidget* dialog, const QString& phone, const QString& password, const QString& again,
          const QString& code) {
    Edit(dialog, "EditPhoneNumber")->setText(phone);
    Edit(dialog, "EditPasswd")->setText(password);
    Edit(dialog, "EditPasswd_2")->setText(again);
    Edit(dialog, "EditPhoneCode")->setText(code);
}

int ActiveTimers(QObject* dialog) {
    int active = 0;
    for (QTimer* timer : dialog->findChildren<QTimer*>())
        active += timer->isActive() ? 1 : 0;
    return active;
}

}  // namespace

// Registration and password recovery against the real development server,
// through the login dialog's links as a user of the development tree meets them.
class tst_KivAccountDialogs : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CKivDevServerProcess> m_server;
    std::unique_ptr<KivModalCloser> m_closer;
    std::unique_ptr<CheckNumberTap> m_tap;

    CKivFriendNetModel* net() const { return CKivFriendNetModel::GetInstance(); }
    void connectNet() {
        net()->SetServerIP_And_Port("127.0.0.1", m_server->tcpPort());
        net()->Connect_Svr();
        QTRY_VERIFY(net()->IsConnected());
    }
    // Asks for a check number and waits until it has arrived.
    QString requestCode(KivCheckCodeDlg& dialog, const QString& phone) {
        // Connected after the dialog: once a spy has the answer, the dialog has it too.
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        KivThreadSpy registering(net, &CKivFriendNetModel::MsgRegistRet);
        KivThreadSpy recovering(net, &CKivFriendNetModel::MsgNewPwd);
        const int before = m_tap->count();
        Edit(&dialog, "EditPhoneNumber")->setText(phone);
        Button(&dialog, "b_GetCode")->click();
        [&] { QTRY_COMPARE(m_tap->count(), before + 1); }();
        [&] { QTRY_COMPARE(registering.count() + recovering.count(), 1); }();
        return m_tap->last();
    }
    bool logsIn(const QString& account, const QString& password) {
        CKivRawClient client;
        return client.connectTo(m_server->tcpPort()) && client.login(account, password);
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->addPicture(QStringLiteral("image/head/head_0.png"));
        m_server = std::make_unique<CKivDevServerProcess>();
        QVERIFY(m_server->start());
        // No web site: the login dialog's links open the client's own dialogs.
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n"
                                         "[web]\nsite=\n")
                              .arg(m_server->tcpPort())
                              .toLatin1());
        CKivFriendReadConfigModel::ReleaseInstance();
        m_closer = std::make_unique<KivModalCloser>();
        m_tap = std::make_unique<CheckNumberTap>(net());
        CKivFriendHearbeatModel::GetInstance()->SetInterval(60000);
    }
    void cleanup() {
        delete KivIMMainDlg::mainDlg;
        net()->Delete_Socket();
        CKivFriendHearbeatModel::ReleaseInstance();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        m_tap.reset();
        m_closer.reset();
        m_server.reset();
        CKivFriendReadConfigModel::ReleaseInstance();
        m_tree.reset();
        KivViewTestTree::ForgetQuit();
    }

    void phoneRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::newRow("13 and nine digits") << "13012345678" << true;
        QTest::newRow("second digit 8") << "18999999999" << true;
        QTest::newRow("second digit 2") << "12012345678" << false;
        QTest::newRow("second digit 9") << "19012345678" << false;
        QTest::newRow("first digit 2") << "23012345678" << false;
        QTest::newRow("twelve digits") << "130123456789" << false;
        QTest::newRow("ten digits") << "1301234567" << false;
        QTest::newRow("a letter") << "1301234567a" << false;
        QTest::newRow("full-width digits") << "１３０１２３４５６７８" << false;
        QTest::newRow("a line feed after") << "13012345678\n" << false;
        QTest::newRow("empty") << "" << false;
    }
    void phoneRule() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QCOMPARE(KivPhoneNumber::IsValid(text), valid);
    }

    // A user of the development tree registers from the login dialog, finds the
    // new account in the account box and logs in with it.
    void registerFromTheLoginDialogAndLogIn() {
        const std::unique_ptr<CKivSession> loginSession = KivNewTestSession();
        KivIMLoginDlg login(nullptr, *loginSession);
        login.SetLoginDelayMs(0);
        const KivMainWindowGone mainWindowGone;
        login.show();
        QTRY_VERIFY(net()->IsConnected());
        Button(&login, "bRegAccount")->click();
        auto* dialog = login.findChild<kivRegisterDlg*>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!login.isVisible());
        QVERIFY(!Edit(dialog, "EditAccount")->isVisible());
        QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("labelCountdown"))->isVisible());

        const QString code = requestCode(*dialog, QStringLiteral("13912345678"));
        QCOMPARE(code.size(), 6);
        QTRY_VERIFY(dialog->IsCountdownRunning());
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("labelCountdown"))->text(),
                 QStringLiteral("120秒后重新发送"));
        QVERIFY(!Button(dialog, "b_GetCode")->isEnabled());

        // Blanks around the typed code do not matter.
        Fill(dialog, QStringLiteral("13912345678"), QStringLiteral("s3cret!"),
             QStringLiteral("s3cret!"), QStringLiteral(" %1 ").arg(code));
        Button(dialog, "b_Submit")->click();
        QTRY_VERIFY(m_closer->texts().contains(QStringLiteral("注册成功")));
        QVERIFY(m_server->waitForLog(QStringLiteral("kivDevServer: register 13912345678")));
        QTRY_VERIFY(login.isVisible());
        QTRY_VERIFY(!login.findChild<kivRegisterDlg*>());
        QCOMPARE(login.findChild<QCustomComboBox*>()->currentText(), QStringLiteral("13912345678"));

        login.findChild<QLineEdit*>(QStringLiteral("lineEditPassWd"))
            ->setText(QStringLiteral("s3cret!"));
        Button(&login, "pushButtonLogin")->click();
        QTRY_VERIFY(KivIMMainDlg::mainDlg->isVisible());
        QCOMPARE(KivIMMainDlg::mainDlg->m_account, QStringLiteral("13912345678"));
    }

    void closingBringsTheLoginBack() {
        const std::unique_ptr<CKivSession> loginSession = KivNewTestSession();
        KivIMLoginDlg login(nullptr, *loginSession);
        login.SetLoginDelayMs(0);
        const KivMainWindowGone mainWindowGone;
        login.show();
        for (const char* link : {"bRegAccount", "bForgetPwd"}) {
            Button(&login, link)->click();
            QVERIFY(!login.isVisible());
            auto* dialog = login.findChild<KivCheckCodeDlg*>();
            QVERIFY(dialog);
            QTest::keyClick(dialog, Qt::Key_Escape);
            QVERIFY(login.isVisible());
            QTRY_VERIFY(!login.findChild<KivCheckCodeDlg*>());
        }
    }

    void takenNumbers() {
        connectNet();
        const std::unique_ptr<CKivSession> firstSession = KivNewTestSession();
        kivRegisterDlg first(nullptr, *firstSession);
        // A demo account's phone cannot get a registration code.
        requestCode(first, QStringLiteral("13800000001"));
        QTRY_COMPARE(m_closer->texts(), QStringList{"该手机号码已注册或不存在！"});
        QVERIFY(!first.IsCountdownRunning());

        // Someone else registers the number between the code and the submit.
        const QString code = requestCode(first, QStringLiteral("15012345678"));
        CKivRawClient other;
        QVERIFY(other.connectTo(m_server->tcpPort()));
        CheckNumberRequest ask;
        KivInitRecord(ask, CheckNumber);
        ask.purpose = 1;
        KivWriteText(ask.phone, "15012345678");
        other.send(ask);
        CheckNumberResult issued;
        QVERIFY(other.waitFor(CheckNumber, issued));
        RegisterRequest taken;
        KivInitRecord(taken, Register);
        taken.uid = issued.uid;
        KivWriteText(taken.account, "15012345678");
        KivWriteText(taken.password, "other");
        KivWriteText(taken.phone, "15012345678");
        KivWriteText(taken.checkNumber, issued.checkNumber);
        other.send(taken);
        QVERIFY(other.waitFor(Register).size() > 0);

        Fill(&first, QStringLiteral("15012345678"), QStringLiteral("pw"), QStringLiteral("pw"),
             code);
        Button(&first, "b_Submit")->click();
        QTRY_COMPARE(m_closer->texts().value(1), QStringLiteral("此账号已注册"));
    }

    // The checks before a registration goes out, in their order; none of
    // them lets a record reach the server.
    void registrationChecks_data() {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("again");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("second digit 2") << "12012345678"
                                        << ""
                                        << ""
                                        << ""
                                        << "手机号码格式输入不正确！";
        QTest::newRow("twelve digits") << "139123456789"
                                       << "pw"
                                       << "pw"
                                       << "1"
                                       << "手机号码格式输入不正确！";
        QTest::newRow("no password") << "13912345678"
                                     << ""
                                     << ""
                                     << "1"
                                     << "请输入密码！";
        QTest::newRow("password longer than the record holds")
            << "13912345678" << QString(32, 'x') << QString(32, 'x') << "1"
            << "密码不能超过31个字符！";
        QTest::newRow("password the record would change") << "13912345678"
                                                          << "密码"
                                                          << "密码"
                                                          << "1"
                                                          << "密码只能由字母、数字和符号组成！";
        QTest::newRow("passwords differ") << "13912345678"
                                          << "pw"
                                          << "pW"
                                          << "1"
                                          << "两次输入密码不匹配！";
        QTest::newRow("no code") << "13912345678"
                                 << "pw"
                                 << "pw"
                                 << "  "
                                 << "请输入验证码！";
        QTest::newRow("no code delivered") << "13912345678"
                                           << "pw"
                                           << "pw"
                                           << "123456"
                                           << "验证码输入不正确！";
    }
    void registrationChecks() {
        QFETCH(QString, phone);
        QFETCH(QString, password);
        QFETCH(QString, again);
        QFETCH(QString, code);
        QFETCH(QString, text);
        connectNet();
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        kivRegisterDlg dialog(nullptr, *dialogSession);
        dialog.show();
        Fill(&dialog, phone, password, again, code);
        const int sent = dialogSession->RecordsSent();
        Button(&dialog, "b_Submit")->click();
        QCOMPARE(m_closer->texts(), QStringList{text});
        QVERIFY(dialog.isVisible());
        QCOMPARE(Edit(&dialog, "EditPhoneNumber")->text(), phone);
        QCOMPARE(dialogSession->RecordsSent(), sent);
    }

    void codeForAnotherPhoneIsRefused() {
        connectNet();
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        kivRegisterDlg dialog(nullptr, *dialogSession);
        const QString code = requestCode(dialog, QStringLiteral("13712345678"));
        Fill(&dialog, QStringLiteral("13712345679"), QStringLiteral("pw"), QStringLiteral("pw"),
             code);
        const int sent = dialogSession->RecordsSent();
        Button(&dialog, "b_Submit")->click();
        QCOMPARE(m_closer->texts(), QStringList{"验证码输入不正确！"});
        QCOMPARE(dialogSession->RecordsSent(), sent);
    }

    // A second answer while the wait runs changes nothing; the wait ends with
    // the button usable, and every later wait is the short one.
    void registrationCountdown() {
        connectNet();
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        kivRegisterDlg dialog(nullptr, *dialogSession);
        requestCode(dialog, QStringLiteral("13612345678"));
        QVERIFY(dialog.IsCountdownRunning());
        auto* label = dialog.findChild<QLabel*>(QStringLiteral("labelCountdown"));
        for (int i = 0; i < 3; ++i)
            dialog.TimerEnd();
        QCOMPARE(dialog.CountdownSeconds(), 117);
        dialog.AcceptMsgRegistRetSlot(2, QStringLiteral("654321"), 4242);
        QCOMPARE(dialog.CountdownSeconds(), 117);
        QCOMPARE(label->text(), QStringLiteral("117秒后重新发送"));
        QCOMPARE(ActiveTimers(&dialog), 1);
        QVERIFY(!Button(&dialog, "b_GetCode")->isEnabled());

        for (int i = 0; i < 117; ++i)
            dialog.TimerEnd();
        QVERIFY(!dialog.IsCountdownRunning());
        QVERIFY(label->isHidden());
        QVERIFY(Button(&dialog, "b_GetCode")->isEnabled());
        QCOMPARE(ActiveTimers(&dialog), 0);
        dialog.TimerEnd();
        QCOMPARE(dialog.CountdownSeconds(), 10);

        requestCode(dialog, QStringLiteral("13612345678"));
        QCOMPARE(label->text(), QStringLiteral("10秒后重新发送"));
        QCOMPARE(ActiveTimers(&dialog), 1);
    }

    void recoverAndLogInWithTheNewPassword() {
        connectNet();
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        kivRecoverPassworddlg dialog(nullptr, *dialogSession);
        dialog.show();
        const QString code = requestCode(dialog, QStringLiteral("13800000002"));
        QVERIFY(dialog.IsCountdownRunning());
        QCOMPARE(dialog.CountdownSeconds(), 60);
        Fill(&dialog, QStringLiteral("13800000002"), QStringLiteral("fresh-pw"),
             QStringLiteral("fresh-pw"), code + QStringLiteral("\t"));
        Button(&dialog, "bSubmit")->click();
        QTRY_COMPARE(m_closer->texts(), QStringList{"密码修改成功！"});
        QVERIFY(m_server->waitForLog(QStringLiteral("kivDevServer: new password for uid 10002")));
        QVERIFY(dialog.isVisible());
        QVERIFY(logsIn(QStringLiteral("10002"), QStringLiteral("fresh-pw")));
        QVERIFY(!logsIn(QStringLiteral("10002"), QStringLiteral("123456")));

        // The number is used up: a second submit asks for a new one.
        Button(&dialog, "bSubmit")->click();
        QCOMPARE(m_closer->texts().value(1), QStringLiteral("请先获取验证码！"));
    }

    // No NewPassword without a delivered number, an account or a password.
    void recoveryChecks_data() {
        QTest::addColumn<QString>("phone");
        QTest::addColumn<bool>("askFirst");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("second digit 2") << "12800000002" << false << "pw"
                                        << "1" << QStringList{"手机号码格式输入不正确！"};
        QTest::newRow("nothing asked, nothing typed") << "13800000002" << false << "pw"
                                                      << "" << QStringList{"请先获取验证码！"};
        QTest::newRow("both passwords empty") << "13800000002" << true << ""
                                              << "*" << QStringList{"请输入密码！"};
        QTest::newRow("wrong code") << "13800000002" << true << "pw"
                                    << "000000x" << QStringList{"验证码错误！"};
        QTest::newRow("unregistered phone")
            << "13999999999" << true << "pw"
            << "" << QStringList{"该手机没有注册！", "请先获取验证码！"};
    }
    void recoveryChecks() {
        QFETCH(QString, phone);
        QFETCH(bool, askFirst);
        QFETCH(QString, password);
        QFETCH(QString, code);
        QFETCH(QStringList, texts);
        connectNet();
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        kivRecoverPassworddlg dialog(nullptr, *dialogSession);
        QString delivered;
        if (askFirst) {
            delivered = requestCode(dialog, phone);
            QTRY_VERIFY(!delivered.isEmpty() || !m_closer->texts().isEmpty());
        }
        Fill(&dialog, phone, password, password, code == "*" ? delivered : code);
        const int sent = dialogSession->RecordsSent();
        Button(&dialog, "bSubmit")->click();
        QCOMPARE(m_closer->texts(), texts);
        QCOMPARE(dialogSession->RecordsSent(), sent);
    }

    void recoveryCountdownStartsWithTheRequest() {
        connectNet();
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        kivRecoverPassworddlg dialog(nullptr, *dialogSession);
        Edit(&dialog, "EditPhoneNumber")->setText(QStringLiteral("13800000003"));
        Button(&dialog, "b_GetCode")->click();
        QVERIFY(dialog.IsCountdownRunning());
        QVERIFY(!Button(&dialog, "b_GetCode")->isEnabled());
        dialog.getCodeClicked();
        QCOMPARE(ActiveTimers(&dialog), 1);
        QCOMPARE(dialog.CountdownSeconds(), 60);
        for (int i = 0; i < 60; ++i)
            dialog.TimerEnd();
        QVERIFY(Button(&dialog, "b_GetCode")->isEnabled());
        QCOMPARE(dialog.CountdownSeconds(), 5);
    }
};

KIV_TEST_CLASS(tst_KivAccountDialogs)
#include "tst_KivAccountDialogs.moc"
