#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "CKivFriendNetModel.h"
#include "KivAreaList.h"
#include "KivContactQueries.h"
#include "KivLoggedInSession.h"
#include "KivModalCloser.h"
#include "KivProfileUpdate.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivThreadSpy.h"
#include "contacts/KivBirthday.h"
#include "contacts/kivPersonalInfoDlg.h"

// Own and friend profiles, read from the local database and the development server.
class tst_kivPersonalInfoDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivLoggedInSession> m_session;
    std::unique_ptr<KivModalCloser> m_closer;
    std::unique_ptr<kivPersonalInfoDlg> m_owned;
    kivPersonalInfoDlg* m_dialog = nullptr;

    template <class W>
    W* child(const char* name) const {
        return m_dialog->findChild<W*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const {
        if (auto* edit = child<QLineEdit>(name))
            return edit->text();
        if (auto* label = child<QLabel>(name))
            return label->text();
        return child<QComboBox>(name)->currentText();
    }
    // Opens a profile and waits for the server's fresh copy to be shown.
    void open(quint32 uid, int mode, const QString& account) {
        KivThreadSpy answered(CKivFriendNetModel::GetInstance(),
                              &CKivFriendNetModel::AccountSearchResult);
        m_dialog->InitInfo(uid, mode, account);
        m_dialog->show();
        QTRY_VERIFY_WITH_TIMEOUT(answered.count() > 0, 10000);
        QTRY_COMPARE(text("lineEditNickName").isEmpty(), false);
    }

private slots:
    void init() {
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start());
        m_closer = std::make_unique<KivModalCloser>();
        m_owned = std::make_unique<kivPersonalInfoDlg>(nullptr, m_session->session());
        m_dialog = m_owned.get();
    }
    void cleanup() {
        m_owned.reset();
        m_closer.reset();
        m_session.reset();
    }

    void ownProfileWithDerivedFields() {
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("我的资料"));
        QCOMPARE(text("lineEditNickName"), QStringLiteral("张三"));
        QCOMPARE(text("lineEditSign"), QStringLiteral("今天天气不错"));
        QCOMPARE(text("lineEditYear"), QStringLiteral("1990"));
        QCOMPARE(text("labelStar"), QStringLiteral("魔羯座"));
        QCOMPARE(text("labelZodiac"), QStringLiteral("马"));
        QCOMPARE(text("labelAge"),
                 QString::number(KivBirthday::Age(QDate(1990, 1, 1), QDate::currentDate())));
        // "北京" is a province; its districts come from the area database.
        QCOMPARE(text("comboBoxProvince"), QStringLiteral("北京"));
        QVERIFY(child<QComboBox>("comboBoxProvince")->count() > 30);
        QVERIFY(child<QComboBox>("comboBoxCity")->findText(QStringLiteral("海淀区")) > 0);
        QVERIFY(child<QPushButton>("pushButtonSave")->isVisible());
        // Typing a new month changes the sign at once.
        child<QLineEdit>("lineEditMonth")->setText(QStringLiteral("03"));
        child<QLineEdit>("lineEditDay")->setText(QStringLiteral("21"));
        QCOMPARE(text("labelStar"), QStringLiteral("白羊座"));
    }

    void areaListsFollowTheProvince() {
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        auto* province = child<QComboBox>("comboBoxProvince");
        province->setCurrentIndex(province->findText(QStringLiteral("广东")));
        auto* city = child<QComboBox>("comboBoxCity");
        QVERIFY(city->findText(QStringLiteral("深圳")) > 0);
        QVERIFY(city->findText(QStringLiteral("海淀区")) < 0);
        QCOMPARE(
            KivAreaList::Split(QStringLiteral("广州")),
            (QStringList{QStringLiteral("中国"), QStringLiteral("广东"), QStringLiteral("广州")}));
    }

    void savedProfileReachesServerAndDatabase() {
        // The main window's own dialog, so the window follows the change.
        m_dialog = m_session->mainWindow()->PersonalInfo(10001);
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        QSignalSpy altered(m_dialog, &kivPersonalInfoDlg::SndAlter);
        QSignalSpy signChanged(m_dialog, &kivPersonalInfoDlg::SndChangeSign);
        child<QLineEdit>("lineEditNickName")->setText(QStringLiteral("张三丰"));
        child<QLineEdit>("lineEditSign")->setText(QStringLiteral("太极"));
        child<QComboBox>("comboBoxSex")->setCurrentIndex(1);
        child<QLineEdit>("lineEditYear")->setText(QStringLiteral("2000"));
        child<QLineEdit>("lineEditMonth")->setText(QStringLiteral("02"));
        child<QLineEdit>("lineEditDay")->setText(QStringLiteral("29"));
        auto* province = child<QComboBox>("comboBoxProvince");
        province->setCurrentIndex(province->findText(QStringLiteral("广东")));
        auto* city = child<QComboBox>("comboBoxCity");
        city->setCurrentIndex(city->findText(QStringLiteral("深圳")));
        child<QPushButton>("pushButtonSave")->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_closer->texts().contains(QStringLiteral("修改成功")), 10000);
        QCOMPARE(altered.count(), 1);
        QCOMPARE(altered.first().first().toStringList().value(0), QStringLiteral("张三丰"));
        QCOMPARE(signChanged.count(), 1);
        const KivContactProfile stored = KivContactQueries::ByUid(10001);
        QCOMPARE(stored.nickName, QStringLiteral("张三丰"));
        QCOMPARE(stored.sex, 0);
        QCOMPARE(stored.birthday, QStringLiteral("2000-02-29"));
        QCOMPARE(stored.area, QStringLiteral("中国 广东 深圳"));
        // The main window shows the new nick name and signature.
        QCOMPARE(m_session->mainWindow()->m_sign, QStringLiteral("太极"));

        // The server keeps it: a fresh dialog reads the server's copy.
        m_dialog = m_owned.get();
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        QCOMPARE(text("lineEditNickName"), QStringLiteral("张三丰"));
        QCOMPARE(text("comboBoxCity"), QStringLiteral("深圳"));
        QCOMPARE(text("comboBoxSex"), QStringLiteral("女"));
    }

    // A save that changes the phone alone keeps every other text as stored,
    // longer than the boxes once allowed or not in the area lists; a text
    // the record cannot carry is refused, not cut.
    void untouchedFieldsKeepTheirBytes_data() {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("sign");
        QTest::addColumn<QString>("message");
        QTest::newRow("long texts that fit")
            << QString(45, QLatin1Char('n')) << QString(120, QLatin1Char('s')) << "修改成功";
        QTest::newRow("signature beyond the field")
            << QStringLiteral("张三") << QString(50, QChar(0x4E2D))
            << "个性签名过长，无法保存，请删减后再试";
    }
    void untouchedFieldsKeepTheirBytes() {
        QFETCH(QString, nick);
        QFETCH(QString, sign);
        QFETCH(QString, message);
        KivContactProfile own = KivContactQueries::ByUid(10001);
        QVERIFY(own.found);
        own.nickName = nick;
        own.sign = sign;
        own.area = QStringLiteral("Beijing Chaoyang District");
        QVERIFY(KivContactQueries::StoreProfile(own));
        // The stored row alone, without the server's fresh copy.
        m_dialog->InitInfo(10001, kivPersonalInfoDlg::OwnMode, QString());
        QCOMPARE(text("lineEditSign"), sign);
        QCOMPARE(text("lineEditNickName"), nick);
        const int sent = m_session->session().RecordsSent();
        child<QLineEdit>("lineEditPhone")->setText(QStringLiteral("13912345678"));
        child<QPushButton>("pushButtonSave")->click();
        if (message != QStringLiteral("修改成功")) {
            QVERIFY(m_closer->texts().contains(message));
            QCOMPARE(m_session->session().RecordsSent(), sent);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_closer->texts().contains(message), 10000);
        // The dialog stores the profile it sent once the server took it.
        const KivContactProfile back = KivContactQueries::ByUid(10001);
        QCOMPARE(back.phone, QStringLiteral("13912345678"));
        QCOMPARE(back.nickName, nick);
        QCOMPARE(back.sign, sign);
        QCOMPARE(back.area, own.area);
        QCOMPARE(back.birthday, own.birthday);
    }

    void clearedSignatureReachesTheMainWindow() {
        m_dialog = m_session->mainWindow()->PersonalInfo(10001);
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        m_session->mainWindow()->AcceptAlter(
            {QStringLiteral("张三"), QStringLiteral("旧签名"), {}});
        child<QLineEdit>("lineEditSign")->clear();
        child<QPushButton>("pushButtonSave")->click();
        QTRY_VERIFY_WITH_TIMEOUT(m_closer->texts().contains(QStringLiteral("修改成功")), 10000);
        QCOMPARE(m_session->mainWindow()->m_sign, QString());
        QCOMPARE(
            m_session->mainWindow()->findChild<QLineEdit*>(QStringLiteral("lineEditSign"))->text(),
            QString());
    }

    // The record's second name field stays empty, as the Part leaves it.
    void theProfileRecordLeavesNameEmpty() {
        KivContactProfile profile = KivContactQueries::ByUid(10001);
        QVERIFY(profile.found);
        const UpdateUserInfoRequest request = KivProfileUpdate::Build(profile);
        QCOMPARE(QByteArray(request.profile.name, sizeof(request.profile.name)),
                 QByteArray(sizeof(request.profile.name), '\0'));
        QCOMPARE(KivReadText(request.profile.nickName), profile.nickName.toUtf8());
    }

    // An own field being edited turns white, as the edit style says, and the
    // style is one Qt reads without complaint (rgba with three values is not).
    void theFieldBeingEditedTurnsWhite() {
        static QStringList complaints;
        complaints.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& text) {
                if (text.contains(QLatin1String("QCssParser")))
                    complaints << text;
            });
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        auto* sign = child<QLineEdit>("lineEditSign");
        auto* nick = child<QLineEdit>("lineEditNickName");
        QApplication::setActiveWindow(m_dialog);
        sign->setFocus();
        QTRY_VERIFY(sign->hasFocus());
        const QPoint inside(sign->width() - 4, sign->height() / 2);
        const QColor focused = sign->grab().toImage().pixelColor(inside);
        nick->setFocus();
        QTRY_VERIFY(!sign->hasFocus());
        const QColor unfocused = sign->grab().toImage().pixelColor(inside);
        qInstallMessageHandler(previous);
        QCOMPARE(focused, QColor(Qt::white));
        QVERIFY(unfocused != QColor(Qt::white));
        QCOMPARE(complaints, QStringList());
    }

    void badInputIsRefusedAndNothingSent_data() {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("month");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("phone");
        QTest::addColumn<QString>("message");
        QTest::newRow("blank nick") << "   "
                                    << "1990"
                                    << "01"
                                    << "01"
                                    << ""
                                    << "昵称不能为空！";
        QTest::newRow("29 Feb 2015") << "张三"
                                     << "2015"
                                     << "02"
                                     << "29"
                                     << ""
                                     << "生日格式不正确";
        QTest::newRow("month only") << "张三"
                                    << ""
                                    << "05"
                                    << ""
                                    << ""
                                    << "生日格式不正确";
        QTest::newRow("short phone") << "张三"
                                     << "1990"
                                     << "01"
                                     << "01"
                                     << "1380000"
                                     << "手机号码格式不正确";
    }
    void badInputIsRefusedAndNothingSent() {
        QFETCH(QString, nick);
        QFETCH(QString, year);
        QFETCH(QString, month);
        QFETCH(QString, day);
        QFETCH(QString, phone);
        QFETCH(QString, message);
        open(10001, kivPersonalInfoDlg::OwnMode, QStringLiteral("10001"));
        const int sent = m_session->session().RecordsSent();
        child<QLineEdit>("lineEditNickName")->setText(nick);
        // Set directly: the fields' validators would not even let these in by typing.
        child<QLineEdit>("lineEditYear")->setText(year);
        child<QLineEdit>("lineEditMonth")->setText(month);
        child<QLineEdit>("lineEditDay")->setText(day);
        child<QLineEdit>("lineEditPhone")->setText(phone);
        child<QPushButton>("pushButtonSave")->click();
        QVERIFY(m_closer->texts().contains(message));
        QCOMPARE(m_session->session().RecordsSent(), sent);
    }

    void friendProfileIsReadOnly() {
        open(10002, kivPersonalInfoDlg::FriendMode, QStringLiteral("10002"));
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("好友资料"));
        QCOMPARE(text("lineEditNickName"), QStringLiteral("李四"));
        QCOMPARE(text("comboBoxSex"), QStringLiteral("女"));
        QCOMPARE(text("labelStar"), QStringLiteral("金牛座"));
        QVERIFY(child<QLineEdit>("lineEditNickName")->isReadOnly());
        QVERIFY(!child<QComboBox>("comboBoxProvince")->isEnabled());
        QVERIFY(!child<QPushButton>("pushButtonSave")->isVisible());
        m_dialog->HeadClicked();
        QVERIFY(!m_dialog->HeadDialog());
    }

    void mainWindowOpensOneDialogPerUser() {
        KivIMMainDlg* main = m_session->mainWindow();
        main->BHead_Clicked();
        kivPersonalInfoDlg* own = main->PersonalInfo(10001);
        QVERIFY(own->isVisible());
        QCOMPARE(own->Mode(), int(kivPersonalInfoDlg::OwnMode));
        QCOMPARE(main->PersonalInfo(10001), own);
        QVERIFY(main->PersonalInfo(10002) != own);
    }
};

KIV_TEST_CLASS(tst_kivPersonalInfoDlg)
#include "tst_kivPersonalInfoDlg.moc"
