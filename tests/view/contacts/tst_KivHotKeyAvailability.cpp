#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "KivDisplay.h"
#include "KivHotKey.h"
#include "KivModalCloser.h"
#include "KivSettingsPageRig.h"
#include "KivTestRegistry.h"
#include "KivUserSettings.h"
#include "KivViewTestTree.h"
#include "contacts/CKivFriendSysSettingDlg.h"
#include "shell/CKivFriendKeyPressLineEdit.h"
#include "shell/KivIMMainDlg.h"

// How the session takes global hot keys, and what the settings page says
// about it. Runs offscreen (no global keys) and in a Wayland desktop whose
// portal has none (KIV_EXPECT_HOTKEYS=none).
class tst_KivHotKeyAvailability : public QObject {
    Q_OBJECT
    std::unique_ptr<KivSettingsPageRig> m_rig;

private slots:
    void init() { m_rig = std::make_unique<KivSettingsPageRig>(); }
    void cleanup() { m_rig.reset(); }

    void theSessionDecidesHowKeysAreTaken() {
        const KivHotKey::Availability available = KivHotKey::Available();
        switch (KivCurrentDisplay()) {
            case KivDisplayKind::Other:
                QCOMPARE(available, KivHotKey::None);
                break;
            case KivDisplayKind::X11:
                QCOMPARE(available, KivHotKey::Grabs);
                break;
            case KivDisplayKind::Wayland:
                if (!qEnvironmentVariableIsSet("KIV_EXPECT_HOTKEYS"))
                    QSKIP("a Wayland desktop whose portal is not known to the test");
                QCOMPARE(QByteArray(available == KivHotKey::Portal ? "portal" : "none"),
                         qgetenv("KIV_EXPECT_HOTKEYS"));
                break;
        }
        // Asking again gives the same answer without asking the desktop again.
        QCOMPARE(KivHotKey::Available(), available);
    }

    void thePageSaysWhenThereAreNoGlobalKeys() {
        // Shown as a user sees it: showing also lists the sound devices, which
        // on a PipeWire desktop once crashed in PipeWire's device provider.
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* note = dialog.findChild<QLabel*>(QStringLiteral("labelHotKeyUnavailable"));
        if (KivHotKey::Available() != KivHotKey::None) {
            QVERIFY(!note);
            return;
        }
        QVERIFY(note);
        QCOMPARE(note->text(), QStringLiteral("当前桌面会话不支持全局热键"));
        QVERIFY(!note->isHidden());
    }

    void keysAreKeptAndNothingFailsWithoutGlobalKeys() {
        if (KivHotKey::Available() != KivHotKey::None)
            QSKIP("this session takes global keys");
        CKivFriendSysSettingDlg dialog(nullptr, *m_rig->session, m_rig->HotKeys());
        dialog.bHotkey_Clicked();
        dialog.HotKeyCheck(CKivFriendSysSettingDlg::ShowmDlg)->setChecked(true);
        QTest::keyClick(dialog.HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg), Qt::Key_Z,
                        Qt::ControlModifier | Qt::AltModifier);
        dialog.findChild<QPushButton*>(QStringLiteral("pushButtonApp"))->click();

        // Kept for the sessions that have global keys, and not reported as taken
        // by another program.
        QCOMPARE(QSettings(KivUserSettings::FileFor(QStringLiteral("tester")), QSettings::IniFormat)
                     .value(QStringLiteral("/HostKeyName/ShowmDlgName"))
                     .toString(),
                 QStringLiteral("Ctrl + Alt + Z"));
        QVERIFY(m_rig->window->FailedHotKeys().isEmpty());
        QVERIFY(m_rig->window->ShowHotKeyId() != 0);
        for (const QString& text : m_rig->closer->texts())
            QVERIFY2(!text.contains(QStringLiteral("冲突")), qPrintable(text));
        QVERIFY(dialog.HotKeyEdit(CKivFriendSysSettingDlg::ShowmDlg)->isEnabled());
    }
};

KIV_TEST_CLASS(tst_KivHotKeyAvailability)
#include "tst_KivHotKeyAvailability.moc"
