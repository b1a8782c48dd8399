#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTcpServer>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivAccessibleAudit.h"
#include "KivAutoStart.h"
#include "KivLanguage.h"
#include "KivModalCloser.h"
#include "KivSettingsPageRig.h"
#include "KivTestRegistry.h"
#include "KivUserSettings.h"
#include "KivViewTestTree.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "shell/CKivFriendKeyPressLineEdit.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivPasswordKeyring.h"
#include "support/KivProxySettings.h"

class tst_CKivFriendSysSettingDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivSettingsPageRig> m_rig;

    template <class W>
    W* child(CKivFriendSysSettingDlg& dialog, const char* name) {
        W* widget = dialog.findChild<W*>(QString::fromLatin1(name));
        if (!widget)
            qWarning() << "no control" << name;
        return widget;
    }
    QString value(const char* key) const {
        return QSettings(KivUserSettings::FileFor(QStringLiteral("tester")), QSettings::IniFormat)
            .value(QString::fromLatin1(key))
            .toString();
    }

private slots:
    void init() { m_rig = std::make_unique<KivSettingsPageRig>(); }
    void cleanup() {
        m_rig.reset();
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    }

    void everyKeyIsWrittenAsTheTableSays() {
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        child<QCheckBox>(dialog, "checkBoxAutoLogin")->setChecked(true);
        child<QRadioButton>(dialog, "radioButtonCloseHide")->setChecked(true);
        child<QCheckBox>(dialog, "checkBoxMarginHide")->setChecked(false);
        child<QCheckBox>(dialog, "checkBoxVoiceFriend")->setChecked(false);
        child<QCheckBox>(dialog, "checkBoxVoiceChatMsg")->setChecked(true);
        dialog.HotKeyCheck(CKivFriendSysSettingDlg::ShowmDlg)->setChecked(true);
        QTest::keyClick(dialog.HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg), Qt::Key_M,
                        Qt::ControlModifier | Qt::AltModifier);
        dialog.HotKeyCheck(CKivFriendSysSettingDlg::Getmsg)->setChecked(false);
        child<QRadioButton>(dialog, "radioButtonSendEnter")->setChecked(true);
        child<QComboBox>(dialog, "comboBoxProxy")->setCurrentIndex(1);
        child<QLineEdit>(dialog, "lineEditServer")->setText(QStringLiteral(" 127.0.0.1 "));
        child<QLineEdit>(dialog, "lineEditPort")->setText(QStringLiteral("3128"));
        child<QLineEdit>(dialog, "lineEditUserName")->setText(QStringLiteral("用户"));
        child<QLineEdit>(dialog, "lineEditPassWd")->setText(QStringLiteral("p w"));
        child<QPushButton>(dialog, "pushButtonApp")->click();

        QCOMPARE(value("/BaseSetting/AutoLogin"), QStringLiteral("1"));
        QCOMPARE(value("/BaseSetting/CloseMaindlg"), QStringLiteral("0"));
        QCOMPARE(value("/BaseSetting/MarginHide"), QStringLiteral("0"));
        QCOMPARE(value("/BaseSetting/WindowFront"), QStringLiteral("1"));
        QCOMPARE(value("/Voice/Friend"), QStringLiteral("false"));
        QCOMPARE(value("/Voice/ChatMsg"), QStringLiteral("ture"));
        QCOMPARE(value("/HostKeyName/ShowmDlgName"), QStringLiteral("Ctrl + Alt + M"));
        QCOMPARE(value("/HostKey/ShowmDlg"), QStringLiteral("77"));
        QCOMPARE(value("/HostKeyName/GetmsgName"), QString());
        QCOMPARE(value("/HostKey/Getmsg"), QStringLiteral("0"));
        QCOMPARE(value("/HostKey/Sndmsg"), QStringLiteral("E"));
        QCOMPARE(value("/NetSet/Type"), QStringLiteral("HTTPAgency"));
        QCOMPARE(value("/NetSet/Server"), QStringLiteral(" 127.0.0.1 "));
        QCOMPARE(value("/NetSet/Port"), QStringLiteral("3128"));
        QCOMPARE(value("/NetSet/UserName"), QStringLiteral("用户"));
        // The proxy's password never goes into the file; without a keyring
        // it serves this run only, and the user is told so.
        QCOMPARE(value("/NetSet/passWd"), QString());
        const bool keyring = KivPasswordKeyring::Available();
        QCOMPARE(m_rig->closer->texts().count(
                     KivPasswordKeyring::MissText(KivPasswordKeyring::Item::Proxy)),
                 keyring ? 0 : 1);
        QCOMPARE(value("/History/SaveWay"), QStringLiteral("0"));
        QCOMPARE(value("/History/SavePath"), QStringLiteral("./User/tester/DB"));

        // The main window follows at once.
        QCOMPARE(m_rig->window->m_settings.value(QStringLiteral("CloseMaindlg")), 0);
        QCOMPARE(m_rig->window->m_hotKeyText.value(QStringLiteral("ShowmDlgName")),
                 QStringLiteral("Ctrl + Alt + M"));
        QCOMPARE(m_rig->window->m_hotKeyText.value(QStringLiteral("SndmsgKey")),
                 QStringLiteral("E"));
        QVERIFY(m_rig->window->ShowHotKeyId() != 0);
        QVERIFY(m_rig->closer->texts().contains(QStringLiteral("修改成功")));
        // Qt's HTTP traffic now goes through the proxy.
        const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
        QCOMPARE(proxy.type(), QNetworkProxy::HttpProxy);
        QCOMPARE(proxy.hostName(), QStringLiteral("127.0.0.1"));
        QCOMPARE(proxy.port(), quint16(3128));
        QCOMPARE(proxy.password(), QStringLiteral("p w"));

        // A fresh dialog shows what was written.
        CKivFriendSysSettingDlg again(nullptr, *m_rig->session, m_rig->HotKeys());
        again.show();
        QVERIFY(child<QCheckBox>(again, "checkBoxAutoLogin")->isChecked());
        QVERIFY(child<QRadioButton>(again, "radioButtonCloseHide")->isChecked());
        QVERIFY(!child<QCheckBox>(again, "checkBoxMarginHide")->isChecked());
        QVERIFY(!child<QCheckBox>(again, "checkBoxVoiceFriend")->isChecked());
        QVERIFY(child<QCheckBox>(again, "checkBoxVoiceChatMsg")->isChecked());
        QVERIFY(again.HotKeyCheck(CKivFriendSysSettingDlg::ShowmDlg)->isChecked());
        QCOMPARE(again.HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg)->text(),
                 QStringLiteral("Ctrl + Alt + M"));
        QVERIFY(!again.HotKeyEdit(CKivFriendSysSettingDlg::Getmsg)->isEnabled());
        QVERIFY(child<QRadioButton>(again, "radioButtonSendEnter")->isChecked());
        QCOMPARE(child<QComboBox>(again, "comboBoxProxy")->currentText(),
                 QStringLiteral("HTTP代理"));
        QCOMPARE(child<QLineEdit>(again, "lineEditPassWd")->text(),
                 keyring ? QStringLiteral("p w") : QString());
        // Typed and saved again, it is not told twice.
        child<QLineEdit>(again, "lineEditPassWd")->setText(QStringLiteral("p w"));
        child<QPushButton>(again, "pushButtonApp")->click();
        QCOMPARE(m_rig->closer->texts().count(
                     KivPasswordKeyring::MissText(KivPasswordKeyring::Item::Proxy)),
                 keyring ? 0 : 1);
        QCOMPARE(value("/NetSet/passWd"), QString());
    }

    // The sound page: echo cancellation on until turned off; the devices the
    // sound server has, the choice kept for the next call, and a chosen device
    // that is gone kept visibly rather than swapped for another unseen.
    void soundChoicesAreKept() {
        QString sink;
        QString module;
        if (!qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
            sink = QStringLiteral("kiv_settings_spk_%1").arg(QCoreApplication::applicationPid());
            QProcess pactl;
            pactl.start(QStringLiteral("pactl"),
                        {QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                         QStringLiteral("sink_name=") + sink});
            QVERIFY(pactl.waitForFinished(15000) && pactl.exitCode() == 0);
            module = QString::fromLatin1(pactl.readAllStandardOutput()).trimmed();
        }
        const auto unload = qScopeGuard([&module] {
            if (!module.isEmpty()) {
                QProcess::execute(QStringLiteral("pactl"),
                                  {QStringLiteral("unload-module"), module});
            }
        });
        {
            CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
            dialog.show();
            QVERIFY(child<QCheckBox>(dialog, "checkBoxEchoCancel")->isChecked());
            QVERIFY(!child<QCheckBox>(dialog, "checkBoxEncryptedOnly")->isChecked());
            child<QCheckBox>(dialog, "checkBoxEncryptedOnly")->setChecked(true);
            auto* microphone = child<QComboBox>(dialog, "comboBoxMicrophone");
            auto* speaker = child<QComboBox>(dialog, "comboBoxSpeaker");
            QCOMPARE(microphone->currentData().toString(), QString());
            QCOMPARE(speaker->currentText(), QStringLiteral("默认设备"));
            child<QCheckBox>(dialog, "checkBoxEchoCancel")->setChecked(false);
            if (!sink.isEmpty()) {
                QVERIFY(speaker->findData(sink) > 0);
                QVERIFY(microphone->findData(sink + QStringLiteral(".monitor")) > 0);
                speaker->setCurrentIndex(speaker->findData(sink));
                microphone->setCurrentIndex(
                    microphone->findData(sink + QStringLiteral(".monitor")));
            }
            child<QPushButton>(dialog, "pushButtonApp")->click();
        }
        QCOMPARE(value("/Voice/EchoCancel"), QStringLiteral("0"));
        QCOMPARE(value("/Voice/EncryptedOnly"), QStringLiteral("1"));
        QCOMPARE(value("/Voice/Speaker"), sink);
        QCOMPARE(value("/Voice/Microphone"),
                 sink.isEmpty() ? QString() : sink + QStringLiteral(".monitor"));

        QSettings(KivUserSettings::FileFor(QStringLiteral("tester")), QSettings::IniFormat)
            .setValue(QStringLiteral("/Voice/Speaker"), QStringLiteral("kiv_unplugged"));
        CKivFriendSysSettingDlg again(nullptr, *m_rig->session, m_rig->HotKeys());
        again.show();
        QVERIFY(!child<QCheckBox>(again, "checkBoxEchoCancel")->isChecked());
        QVERIFY(child<QCheckBox>(again, "checkBoxEncryptedOnly")->isChecked());
        QCOMPARE(child<QComboBox>(again, "comboBoxSpeaker")->currentText(),
                 QStringLiteral("kiv_unplugged（未连接）"));
        child<QPushButton>(again, "pushButtonApp")->click();
        QCOMPARE(value("/Voice/Speaker"), QStringLiteral("kiv_unplugged"));
    }

    void noProxyClearsAndDisablesTheFields() {
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        auto* kind = child<QComboBox>(dialog, "comboBoxProxy");
        kind->setCurrentIndex(2);
        auto* server = child<QLineEdit>(dialog, "lineEditServer");
        QVERIFY(server->isEnabled());
        server->setText(QStringLiteral("10.0.0.1"));
        kind->setCurrentIndex(0);
        QVERIFY(!server->isEnabled());
        QVERIFY(server->text().isEmpty());
        // The port takes digits only.
        kind->setCurrentIndex(2);
        auto* port = child<QLineEdit>(dialog, "lineEditPort");
        QTest::keyClicks(port, QStringLiteral("1a08x0"));
        QCOMPARE(port->text(), QStringLiteral("1080"));
        // Decided by the kind, whatever name the interface's language shows.
        kind->setItemText(0, QStringLiteral("No proxy"));
        kind->setCurrentIndex(0);
        QVERIFY(!server->isEnabled());
    }

    // The interface language belongs to the client's configuration: Apply
    // changes its one line there, Cancel nothing, and a reopened dialog shows
    // the choice. The note tells a choice that waits for the next start.
    void languageChoiceIsKeptInTheClientConfiguration() {
        const QByteArray config =
            "; Deployment notes.\n[base]\nipaddr=127.0.0.1\n\n[ui]\n; How the client "
            "speaks.\nlanguage=system\n\n[media]\nport=6800\n";
        m_rig->tree->writeFile(QStringLiteral("Config/config.ini"), config);
        const auto written = [this] {
            QFile file(m_rig->tree->path() + QStringLiteral("/Config/config.ini"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        struct LocaleBack {
            QLocale saved;
            ~LocaleBack() { QLocale::setDefault(saved); }
        } back;
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
        const auto choose = [](QComboBox* combo, KivLanguage::Choice choice) {
            combo->setCurrentIndex(combo->findData(int(choice)));
        };

        CKivFriendSysSettingDlg cancelled(nullptr, *m_rig->session, m_rig->HotKeys());
        cancelled.show();
        auto* language = child<QComboBox>(cancelled, "comboBoxLanguage");
        QCOMPARE(language->currentData().toInt(), int(KivLanguage::Choice::System));
        QCOMPARE(language->itemText(2), QStringLiteral("English"));
        choose(language, KivLanguage::Choice::English);
        QVERIFY(child<QLabel>(cancelled, "labelLanguageNote")->isVisible());
        child<QPushButton>(cancelled, "pushButtonCancel")->click();
        QCOMPARE(written(), config);

        CKivFriendSysSettingDlg applied(nullptr, *m_rig->session, m_rig->HotKeys());
        applied.show();
        choose(child<QComboBox>(applied, "comboBoxLanguage"), KivLanguage::Choice::English);
        child<QPushButton>(applied, "pushButtonApp")->click();
        QCOMPARE(written(), QByteArray(config).replace("language=system", "language=en"));

        CKivFriendSysSettingDlg again(nullptr, *m_rig->session, m_rig->HotKeys());
        again.show();
        language = child<QComboBox>(again, "comboBoxLanguage");
        QCOMPARE(language->currentData().toInt(), int(KivLanguage::Choice::English));
        QVERIFY(child<QLabel>(again, "labelLanguageNote")->isVisible());
        QVERIFY(!KivAccessibleAudit::Description(language).isEmpty());
        choose(language, KivLanguage::Choice::Chinese);
        QVERIFY(!child<QLabel>(again, "labelLanguageNote")->isVisible());
        child<QPushButton>(again, "pushButtonOk")->click();
        QCOMPARE(written(), QByteArray(config).replace("language=system", "language=zh"));
    }

    void proxyKinds_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("expected");
        QTest::newRow("none") << "NoUse"
                              << "3128" << int(QNetworkProxy::NoProxy);
        QTest::newRow("http") << "HTTPAgency"
                              << "3128" << int(QNetworkProxy::HttpProxy);
        QTest::newRow("socks5") << "SOCKS5gency"
                                << "1080" << int(QNetworkProxy::Socks5Proxy);
        QTest::newRow("browser") << "UseBrowser"
                                 << "" << int(QNetworkProxy::DefaultProxy);
        QTest::newRow("bad port") << "HTTPAgency"
                                  << "70000" << int(QNetworkProxy::NoProxy);
        QTest::newRow("unknown") << "Carrier pigeon"
                                 << "1" << int(QNetworkProxy::NoProxy);
    }
    void proxyKinds() {
        QFETCH(QString, type);
        QFETCH(QString, port);
        QFETCH(int, expected);
        KivProxySettings settings;
        settings.type = type;
        settings.server = QStringLiteral("proxy.local");
        settings.port = port;
        QCOMPARE(int(settings.Proxy().type()), expected);
    }

    void autostartEntryFollowsTheBox() {
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        const QString entry = m_rig->tree->path() + QStringLiteral("/xdg/autostart/kivim.desktop");
        QCOMPARE(KivAutoStart::EntryPath(QStringLiteral("kivim")), entry);
        child<QCheckBox>(dialog, "checkBoxBootStart")->setChecked(true);
        child<QPushButton>(dialog, "pushButtonApp")->click();
        QCOMPARE(value("/BaseSetting/BootStart"), QStringLiteral("1"));
        QCOMPARE(m_rig->window->m_settings.value(QStringLiteral("BootStart")), 1);
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
        QVERIFY(text.contains(QStringLiteral("\nType=Application\n")));
        QVERIFY(text.contains(QStringLiteral("\nExec=") + KivAutoStart::LauncherCommand()));
        QVERIFY(text.contains(QStringLiteral("\nPath=") + QDir::currentPath() + '\n'));
        file.close();

        child<QCheckBox>(dialog, "checkBoxBootStart")->setChecked(false);
        child<QPushButton>(dialog, "pushButtonOk")->click();
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(value("/BaseSetting/BootStart"), QStringLiteral("0"));
        QVERIFY(!dialog.isVisible());
    }

    void cancelWritesNothing() {
        const QString before = value("/BaseSetting/AutoLogin");
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        child<QCheckBox>(dialog, "checkBoxAutoLogin")->setChecked(before != QLatin1String("1"));
        child<QPushButton>(dialog, "pushButtonCancel")->click();
        QCOMPARE(value("/BaseSetting/AutoLogin"), before);
    }

    void pagesSwitchWithTheirButtons() {
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        const char* buttons[] = {"bConvent",       "bHotkey",     "bVoice",
                                 "bHistoryrecord", "bNetconnect", "bSoftupdate"};
        for (int page = 5; page >= 0; --page) {
            child<QPushButton>(dialog, buttons[page])->click();
            QCOMPARE(dialog.CurrentPage(), page);
            QVERIFY(child<QPushButton>(dialog, buttons[page])->styleSheet().contains("Set.png"));
        }
    }

    void keyFieldRecordsCombinations_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("shown");
        const int ctrl = int(Qt::ControlModifier);
        const int alt = int(Qt::AltModifier);
        const int shift = int(Qt::ShiftModifier);
        QTest::newRow("shift") << int(Qt::Key_A) << shift << "Shift + A";
        QTest::newRow("ctrl") << int(Qt::Key_B) << ctrl << "Ctrl + B";
        QTest::newRow("alt") << int(Qt::Key_C) << alt << "Alt + C";
        QTest::newRow("ctrl shift") << int(Qt::Key_D) << (ctrl | shift) << "Ctrl + Shift + D";
        QTest::newRow("ctrl alt") << int(Qt::Key_E) << (ctrl | alt) << "Ctrl + Alt + E";
        QTest::newRow("shift alt") << int(Qt::Key_F) << (shift | alt) << "Shift + Alt + F";
        QTest::newRow("all three")
            << int(Qt::Key_G) << (ctrl | alt | shift) << "Ctrl + Alt + Shift + G";
        QTest::newRow("bare letter") << int(Qt::Key_H) << 0 << "Ctrl + Alt + H";
        QTest::newRow("F12 with ctrl") << int(Qt::Key_F12) << ctrl << "F12";
        QTest::newRow("digit ignored") << int(Qt::Key_5) << ctrl << "";
    }
    void keyFieldRecordsCombinations() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, shown);
        CKivFriendKeyPressLineEdit field;
        QTest::keyClick(&field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(field.text(), shown);
        if (!shown.isEmpty()) {
            // What is shown is what the main window registers.
            QVERIFY(CKivFriendKeyPressLineEdit::VirtualKeyOf(shown) != 0);
            QTest::keyClick(&field, Qt::Key_Backspace);
            QVERIFY(field.text().isEmpty());
        }
    }

    void historyCleanRemovesMessagesAfterConfirming() {
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        QVERIFY(db->CreateDB(QStringLiteral("tester")));
        QVERIFY(db->ConnectDB());
        for (int i = 0; i < 3; ++i) {
            ChatMessageRecord record;
            KivInitRecord(record, ChatMessage);
            record.senderUid = 10002;
            record.receiverUid = 10001;
            KivWriteText(record.text, QByteArray("消息"));
            QVERIFY(db->InsertMsg(reinterpret_cast<const char*>(&record)));
        }
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        QPushButton* clean = nullptr;
        for (QPushButton* button : dialog.findChildren<QPushButton*>())
            clean = button->text() == QStringLiteral("清理历史记录") ? button : clean;
        QVERIFY(clean);
        clean->click();
        QCOMPARE(m_rig->closer->texts().value(1),
                 QStringLiteral("清理历史记录完成！共删除 3 条消息。"));
        QSqlQuery count(CKivFriendSqlUtilCommon::CreateSqlUtil(db->GetDatabaseFile())->database());
        QVERIFY(count.exec(QStringLiteral("select count(*) from chat_message_table")));
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), 0);
    }

    void netCheckAsksTheMessagingServer() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        m_rig->tree->writeFile(QStringLiteral("Config/config.ini"),
                               QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\n")
                                   .arg(server.serverPort())
                                   .toLatin1());
        CKivFriendReadConfigModel::ReleaseInstance();
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        dialog.NetCheck();
        QTRY_VERIFY_WITH_TIMEOUT(m_rig->closer->texts().contains(QStringLiteral("网络正常")),
                                 10000);
        server.close();
        dialog.SetNetCheckTimeout(3000);
        dialog.NetCheck();
        QTRY_VERIFY_WITH_TIMEOUT(m_rig->closer->texts().contains(QStringLiteral("网络不可用")),
                                 10000);
    }
};

KIV_TEST_CLASS(tst_CKivFriendSysSettingDlg)
#include "tst_CKivFriendSysSettingDlg.moc"
