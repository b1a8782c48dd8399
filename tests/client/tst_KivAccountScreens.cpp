#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QX11Info>
#include <QtTest>

#include "CKivDevServerProcess.h"
#include "CKivFriendNetModel.h"
#include "KivDataTree.h"
#include "KivScreen.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "account/kivRecoverPassworddlg.h"
#include "account/kivRegisterDlg.h"
#include "shell/KivIMPlayDlg.h"
#include "support/KivFonts.h"

namespace {

QLineEdit* Edit(QWidget* dialog, const char* name) {
    return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
}

QPushButton* Button(QWidget* dialog, const char* name) {
    return dialog->findChild<QPushButton*>(QString::fromLatin1(name));
}

// Presses `trigger` and, while the message box it opens waits, saves the
// screen around the dialog and the box; then confirms the box.
bool SaveWithBox(QWidget* dialog, QPushButton* trigger, const QString& name) {
    bool saved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, dialog, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible() || box == dialog)
            return;
        poll.stop();
        QTest::qWait(300);
        const QRect area =
            dialog->frameGeometry().united(box->frameGeometry()).adjusted(-8, -8, 8, 8);
        saved = KivScreen::Save(KivScreen::Grab().copy(area), name);
        Button(box, "bBtn1Name")->click();
    });
    poll.start(50);
    trigger->click();
    return saved;
}

}  // namespace

// The account dialogs and the game hall as a user sees them, saved as
// pictures to look at: empty, with a resend wait running, with an error box.
class tst_KivAccountScreens : public QObject {
    Q_OBJECT
    std::unique_ptr<CKivDevServerProcess> m_server;
    std::unique_ptr<KivDataTree> m_tree;

    template <class Dialog>
    void shoot(const QString& stem, const char* submit, const QString& phone) {
        const std::unique_ptr<CKivSession> session = KivNewTestSession();
        Dialog dialog(nullptr, *session);
        dialog.move(160, 120);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(200);
        QVERIFY(KivScreen::Save(dialog.grab().toImage(), stem + QStringLiteral("-empty.png")));

        Edit(&dialog, "EditPhoneNumber")->setText(phone);
        Button(&dialog, "b_GetCode")->click();
        QTRY_VERIFY(dialog.IsCountdownRunning());
        for (int i = 0; i < 7; ++i)
            dialog.TimerEnd();
        Edit(&dialog, "EditPhoneCode")->setText(QStringLiteral("123456"));
        Edit(&dialog, "EditPasswd")->setText(QStringLiteral("secret"));
        QTest::qWait(200);
        QVERIFY(KivScreen::Save(dialog.grab().toImage(), stem + QStringLiteral("-countdown.png")));

        Edit(&dialog, "EditPasswd_2")->setText(QStringLiteral("other"));
        QVERIFY(SaveWithBox(&dialog, Button(&dialog, submit), stem + QStringLiteral("-error.png")));
    }

private slots:
    void initTestCase() {
        if (!QX11Info::isPlatformX11() || !KivScreen::Available())
            QSKIP("needs an X display with xdotool and import");
        KivFonts::Install();
        m_server = std::make_unique<CKivDevServerProcess>();
        QVERIFY(m_server->start());
        m_tree = std::make_unique<KivDataTree>(m_server->tcpPort(), m_server->httpPort());
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        net->SetServerIP_And_Port("127.0.0.1", m_server->tcpPort());
        net->Connect_Svr();
        QTRY_VERIFY(net->IsConnected());
    }
    void cleanupTestCase() {
        CKivFriendNetModel::GetInstance()->Delete_Socket();
        m_tree.reset();
        m_server.reset();
    }

    void registration() { shoot<kivRegisterDlg>("register", "b_Submit", "13912345678"); }
    void recovery() { shoot<kivRecoverPassworddlg>("recover", "bSubmit", "13800000001"); }

    void gameHall_data() {
        QTest::addColumn<bool>("installed");
        QTest::newRow("play.png") << false;
        QTest::newRow("play-installed.png") << true;
    }
    void gameHall() {
        QFETCH(bool, installed);
        QTemporaryDir bin;
        if (installed) {
            QFile program(bin.filePath(QStringLiteral("PlayHost")));
            QVERIFY(program.open(QIODevice::WriteOnly));
            program.write("#!/bin/sh\n");
            program.setPermissions(program.permissions() | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        KivIMPlayDlg hall(nullptr);
        qputenv("PATH", path);
        hall.resize(300, 420);
        hall.move(160, 120);
        hall.show();
        QVERIFY(QTest::qWaitForWindowExposed(&hall));
        QTest::qWait(200);
        QVERIFY(
            KivScreen::Save(hall.grab().toImage(), QString::fromLatin1(QTest::currentDataTag())));
    }
};

KIV_TEST_CLASS(tst_KivAccountScreens)
#include "tst_KivAccountScreens.moc"
