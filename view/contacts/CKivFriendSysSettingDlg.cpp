#include "contacts/CKivFriendSysSettingDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStackedWidget>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivSession.h"
#include "KivAutoStart.h"
#include "KivContactQueries.h"
#include "KivHotKey.h"
#include "KivLanguage.h"
#include "KivUserSettings.h"
#include "contacts/KivSoundCheck.h"
#include "contacts/KivSoundDevices.h"
#include "shell/CKivFriendKeyPressLineEdit.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivPasswordKeyring.h"
#include "support/KivProxySettings.h"
#include "support/KivSkinBackground.h"

namespace {

const char* const kSkin = "Resources/skin/CKivFriendSysSettingDlg/";
constexpr int kNavWidth = 131;
constexpr int kNavTop = 44;
constexpr int kNavHeight = 36;
const QRect kPageRect(148, 44, 436, 340);

struct HotKeyKeys {
    const char* file;  // "/HostKey/<file>" and "/HostKeyName/<file>Name"
    const char* label;
};
const HotKeyKeys kHotKeys[] = {
    {"ShowmDlg", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "显示主窗口")},
    {"Getmsg", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "提取消息")},
    {"Sndpic", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "截取图片")},
    {"HideFriend", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "隐藏好友列表")},
};

struct VoiceKey {
    const char* key;
    const char* label;
};
// How long "测试" plays the microphone back.
constexpr int kSoundTestMs = 4000;
const char* const kEchoCancelKey = "/Voice/EchoCancel";
const char* const kEncryptedOnlyKey = "/Voice/EncryptedOnly";
const char* const kMicrophoneKey = "/Voice/Microphone";
const char* const kSpeakerKey = "/Voice/Speaker";

// The default device first, then what the system has; a chosen device that
// is not there now stays in the list, so the choice is not lost unseen.
void FillDevices(QComboBox* combo, const QList<KivSoundDevices::Device>& devices,
                 const QString& chosen) {
    combo->clear();
    combo->addItem(QCoreApplication::translate("CKivFriendSysSettingDlg", "默认设备"), QString());
    for (const KivSoundDevices::Device& device : devices) {
        combo->addItem(device.description, device.name);
    }
    if (!chosen.isEmpty() && combo->findData(chosen) < 0) {
        combo->addItem(
            QCoreApplication::translate("CKivFriendSysSettingDlg", "%1（未连接）").arg(chosen),
            chosen);
    }
    combo->setCurrentIndex(std::max(combo->findData(chosen), 0));
}

const VoiceKey kVoices[] = {
    {"/Voice/Friend", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "好友上线提示音")},
    {"/Voice/ChatMsg", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "聊天消息提示音")},
    {"/Voice/SysMsg", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "系统消息提示音")},
    {"/Voice/WndMsg", QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "窗口消息提示音")},
};

struct ProxyKind {
    const char* shown;
    const char* written;
};
const ProxyKind kProxyKinds[] = {
    {QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "不使用代理"), "NoUse"},
    {QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "HTTP代理"), "HTTPAgency"},
    {QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "SOCKS5代理"), "SOCKS5gency"},
    {QT_TRANSLATE_NOOP("CKivFriendSysSettingDlg", "使用浏览器设置"), "UseBrowser"},
};
const char* const kProxyKeys[] = {"/NetSet/Server", "/NetSet/Port", "/NetSet/UserName"};

QString Key(const char* text) {
    return QString::fromLatin1(text);
}

QString LanguageFile() {
    return QString::fromLatin1(KivLanguage::kConfigFile);
}

QString SkinFile(const char* name) {
    return QString::fromLatin1(kSkin) + QLatin1String(name);
}

void Warn(QWidget* parent, const QString& text) {
    KivFriendMyMessageBoxView::Show(
        parent, QCoreApplication::translate("CKivFriendSysSettingDlg", "警告"), text,
        QCoreApplication::translate("CKivFriendSysSettingDlg", "确定"));
}

void Tip(QWidget* parent, const QString& text) {
    KivFriendMyMessageBoxView::Tip(parent, text,
                                   QCoreApplication::translate("CKivFriendSysSettingDlg", "确定"));
}

QGroupBox* Group(const QString& title, QWidget* page, QVBoxLayout* pageLayout) {
    auto* group = new QGroupBox(title, page);
    pageLayout->addWidget(group);
    return group;
}

}  // namespace

CKivFriendSysSettingDlg::CKivFriendSysSettingDlg(QWidget* parent, CKivSession& session,
                                                 HotKeyApplier applyHotKeys)
    : QWindowBase(parent), m_session(session), m_applyHotKeys(std::move(applyHotKeys)) {
    setObjectName(QStringLiteral("CKivFriendSysSettingDlg"));
    KivSkinBackground::Apply(this, SkinFile("SysSettingDlgBackImage1.png"), QSize(600, 440));
    KivSkinBackground::AddTitle(this, tr("系统设置"));
    SetSkin(SkinFile("SysSettingDlg.qss"));
    m_account = m_session.User().account;

    const char* const names[] = {"bConvent",       "bHotkey",     "bVoice",
                                 "bHistoryrecord", "bNetconnect", "bSoftupdate"};
    const char* const captions[] = {QT_TR_NOOP("常规设置"), QT_TR_NOOP("热键设置"),
                                    QT_TR_NOOP("声音设置"), QT_TR_NOOP("历史记录"),
                                    QT_TR_NOOP("网络连接"), QT_TR_NOOP("软件更新")};
    using PageSlot = void (CKivFriendSysSettingDlg::*)();
    const PageSlot pageSlots[] = {&CKivFriendSysSettingDlg::bConvent_Clicked,
                                  &CKivFriendSysSettingDlg::bHotkey_Clicked,
                                  &CKivFriendSysSettingDlg::bVoice_Clicked,
                                  &CKivFriendSysSettingDlg::bHistoryrecord_Clicked,
                                  &CKivFriendSysSettingDlg::bNetconnect_Clicked,
                                  &CKivFriendSysSettingDlg::bSoftupdate_Clicked};
    for (size_t i = 0; i < m_pageButtons.size(); ++i) {
        auto* button = new QPushButton(tr(captions[i]), this);
        button->setObjectName(QString::fromLatin1(names[i]));
        button->setGeometry(1, kNavTop + int(i) * kNavHeight, kNavWidth, kNavHeight);
        button->setCursor(Qt::PointingHandCursor);
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this, pageSlots[i]);
        m_pageButtons[i] = button;
    }

    m_pPages = new QStackedWidget(this);
    m_pPages->setObjectName(QStringLiteral("stackedWidget"));
    m_pPages->setGeometry(kPageRect);
    m_pPages->addWidget(BuildGeneralPage());
    m_pPages->addWidget(BuildHotKeyPage());
    m_pPages->addWidget(BuildVoicePage());
    m_pPages->addWidget(BuildHistoryPage());
    m_pPages->addWidget(BuildNetPage());
    m_pPages->addWidget(BuildUpdatePage());

    auto* ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("pushButtonOk"));
    auto* apply = new QPushButton(tr("应用"), this);
    apply->setObjectName(QStringLiteral("pushButtonApp"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("pushButtonCancel"));
    int x = width() - 16 - 80;
    for (QPushButton* button : {cancel, apply, ok}) {
        button->setGeometry(x, height() - 40, 80, 30);
        x -= 90;
    }
    ok->setDefault(true);

    m_pProbeTimer = new QTimer(this);
    m_pProbeTimer->setSingleShot(true);

    SetBtnNumber(false);
    EnableMove(true);
    connect(ok, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::bpushButtonOk_Clicked);
    connect(apply, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::bpushButtonApp_Clicked);
    connect(cancel, &QPushButton::clicked, this,
            &CKivFriendSysSettingDlg::bpushButtonCancel_Clicked);
    connect(m_pClose, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::bMinimize_Clicked);
    connect(m_pProbeTimer, &QTimer::timeout, this, [this] { FinishNetCheck(false); });
    ShowPage(0);
}

CKivFriendSysSettingDlg::~CKivFriendSysSettingDlg() = default;

QWidget* CKivFriendSysSettingDlg::BuildGeneralPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* login = new QVBoxLayout(Group(tr("登录"), page, layout));
    m_pBootStart = new QCheckBox(tr("开机时自动启动"));
    m_pBootStart->setObjectName(QStringLiteral("checkBoxBootStart"));
    m_pAutoLogin = new QCheckBox(tr("启动后自动登录"));
    m_pAutoLogin->setObjectName(QStringLiteral("checkBoxAutoLogin"));
    login->addWidget(m_pBootStart);
    login->addWidget(m_pAutoLogin);

    auto* closing = new QVBoxLayout(Group(tr("关闭主面板时"), page, layout));
    m_pCloseHide = new QRadioButton(tr("隐藏到任务栏通知区域，不退出程序"));
    m_pCloseHide->setObjectName(QStringLiteral("radioButtonCloseHide"));
    m_pCloseQuit = new QRadioButton(tr("退出程序"));
    m_pCloseQuit->setObjectName(QStringLiteral("radioButtonCloseQuit"));
    closing->addWidget(m_pCloseHide);
    closing->addWidget(m_pCloseQuit);

    auto* window = new QVBoxLayout(Group(tr("主面板"), page, layout));
    m_pMarginHide = new QCheckBox(tr("停靠在桌面边缘时自动隐藏"));
    m_pMarginHide->setObjectName(QStringLiteral("checkBoxMarginHide"));
    m_pWindowFront = new QCheckBox(tr("始终保持在其他窗口前端"));
    m_pWindowFront->setObjectName(QStringLiteral("checkBoxWindowFront"));
    window->addWidget(m_pMarginHide);
    window->addWidget(m_pWindowFront);
    m_pDesktopNotify = new QCheckBox(tr("新消息桌面通知"));
    m_pDesktopNotify->setObjectName(QStringLiteral("checkBoxDesktopNotify"));
    window->addWidget(m_pDesktopNotify);

    // The client's language, not the account's: it goes to the client's
    // configuration. The languages are named in their own language.
    auto* language = new QHBoxLayout;
    auto* languageLabel = new QLabel(tr("界面语言"));
    m_pLanguage = new QComboBox;
    m_pLanguage->setObjectName(QStringLiteral("comboBoxLanguage"));
    m_pLanguage->addItem(tr("跟随系统"), int(KivLanguage::Choice::System));
    m_pLanguage->addItem(QStringLiteral("中文"), int(KivLanguage::Choice::Chinese));
    m_pLanguage->addItem(QStringLiteral("English"), int(KivLanguage::Choice::English));
    m_pLanguage->setAccessibleName(tr("界面语言"));
    languageLabel->setBuddy(m_pLanguage);
    m_pLanguageNote = new QLabel(tr("重启客户端后生效"));
    m_pLanguageNote->setObjectName(QStringLiteral("labelLanguageNote"));
    language->addWidget(languageLabel);
    language->addWidget(m_pLanguage);
    language->addWidget(m_pLanguageNote);
    language->addStretch();
    layout->addLayout(language);
    // Seven choices and the language share the page's height: rows a little closer.
    for (QVBoxLayout* group : {login, closing, window}) {
        group->setSpacing(2);
        group->setContentsMargins(9, 4, 9, 4);
    }
    connect(m_pLanguage, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &CKivFriendSysSettingDlg::UpdateLanguageNote);
    layout->addStretch();
    return page;
}

QWidget* CKivFriendSysSettingDlg::BuildHotKeyPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* keys = new QGridLayout(Group(tr("全局热键"), page, layout));
    keys->setColumnStretch(1, 1);
    for (int row = 0; row < HotKeyCount; ++row) {
        HotKeyControls& controls = m_hotKeys[size_t(row)];
        controls.check = new QCheckBox(tr(kHotKeys[row].label));
        controls.check->setObjectName(QStringLiteral("checkBox%1").arg(Key(kHotKeys[row].file)));
        controls.edit = new CKivFriendKeyPressLineEdit;
        controls.edit->setObjectName(QStringLiteral("lineEdit%1").arg(Key(kHotKeys[row].file)));
        keys->addWidget(controls.check, row, 0);
        keys->addWidget(controls.edit, row, 1);
        connect(controls.check, &QCheckBox::toggled, controls.edit, &QWidget::setEnabled);
    }
    auto* hint = new QLabel(tr("在输入框中按下组合键即可设置，按退格键清除。"));
    hint->setWordWrap(true);
    keys->addWidget(hint, HotKeyCount, 0, 1, 2);
    // A session that takes no global keys says so. The keys stay editable:
    // the settings serve the user's other sessions too.
    if (KivHotKey::Available() == KivHotKey::None) {
        auto* unavailable = new QLabel(tr("当前桌面会话不支持全局热键"));
        unavailable->setObjectName(QStringLiteral("labelHotKeyUnavailable"));
        unavailable->setWordWrap(true);
        keys->addWidget(unavailable, HotKeyCount + 1, 0, 1, 2);
    }

    auto* send = new QVBoxLayout(Group(tr("发送消息"), page, layout));
    m_pSendEnter = new QRadioButton(tr("按 Enter 键发送消息"));
    m_pSendEnter->setObjectName(QStringLiteral("radioButtonSendEnter"));
    m_pSendCtrlEnter = new QRadioButton(tr("按 Ctrl + Enter 键发送消息"));
    m_pSendCtrlEnter->setObjectName(QStringLiteral("radioButtonSendCtrlEnter"));
    send->addWidget(m_pSendEnter);
    send->addWidget(m_pSendCtrlEnter);
    layout->addStretch();
    return page;
}

QWidget* CKivFriendSysSettingDlg::BuildVoicePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* voices = new QVBoxLayout(Group(tr("声音提醒"), page, layout));
    for (size_t i = 0; i < m_voices.size(); ++i) {
        m_voices[i] = new QCheckBox(tr(kVoices[i].label));
        m_voices[i]->setObjectName(
            QStringLiteral("checkBoxVoice%1").arg(Key(kVoices[i].key).section('/', 2)));
        voices->addWidget(m_voices[i]);
    }
    auto* calls = new QGridLayout(Group(tr("语音通话"), page, layout));
    m_pEchoCancel = new QCheckBox(tr("回声消除"));
    m_pEchoCancel->setObjectName(QStringLiteral("checkBoxEchoCancel"));
    m_pEchoCancel->setToolTip(tr("不戴耳机通话时，消除对方从扬声器传回的自己的声音"));
    m_pMicrophone = new QComboBox;
    m_pMicrophone->setObjectName(QStringLiteral("comboBoxMicrophone"));
    m_pSpeaker = new QComboBox;
    m_pSpeaker->setObjectName(QStringLiteral("comboBoxSpeaker"));
    m_pSoundTest = new QPushButton(tr("测试"));
    m_pSoundTest->setObjectName(QStringLiteral("pushButtonSoundTest"));
    m_pEncryptedOnly = new QCheckBox(tr("仅允许加密通话"));
    m_pEncryptedOnly->setObjectName(QStringLiteral("checkBoxEncryptedOnly"));
    m_pEncryptedOnly->setToolTip(tr("对方的程序不能加密通话时，不接通并说明原因"));
    calls->addWidget(m_pEchoCancel, 0, 0, 1, 3);
    calls->addWidget(m_pEncryptedOnly, 3, 0, 1, 3);
    calls->addWidget(new QLabel(tr("麦克风")), 1, 0);
    calls->addWidget(m_pMicrophone, 1, 1);
    calls->addWidget(m_pSoundTest, 1, 2);
    calls->addWidget(new QLabel(tr("扬声器")), 2, 0);
    calls->addWidget(m_pSpeaker, 2, 1);
    calls->setColumnStretch(1, 1);
    m_pSoundCheck = new KivSoundCheck(this);
    connect(m_pSoundTest, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::SoundTestClicked);
    connect(m_pSoundCheck, &KivSoundCheck::Finished, this,
            [this] { m_pSoundTest->setText(tr("测试")); });
    layout->addStretch();
    return page;
}

void CKivFriendSysSettingDlg::SoundTestClicked() {
    if (m_pSoundCheck->IsRunning()) {
        m_pSoundCheck->Stop();
        return;
    }
    if (m_pSoundCheck->Start(m_pMicrophone->currentData().toString(),
                             m_pSpeaker->currentData().toString(), kSoundTestMs)) {
        m_pSoundTest->setText(tr("停止"));
    } else {
        Tip(this, tr("无法打开所选的声音设备"));
    }
}

void CKivFriendSysSettingDlg::FillSoundDevices(const QSettings& ini) {
    m_pEchoCancel->setChecked(ini.value(QString::fromLatin1(kEchoCancelKey), 1).toInt() != 0);
    m_pEncryptedOnly->setChecked(ini.value(QString::fromLatin1(kEncryptedOnlyKey), 0).toInt() != 0);
    FillDevices(m_pMicrophone, KivSoundDevices::Microphones(),
                ini.value(QString::fromLatin1(kMicrophoneKey)).toString());
    FillDevices(m_pSpeaker, KivSoundDevices::Speakers(),
                ini.value(QString::fromLatin1(kSpeakerKey)).toString());
}

QWidget* CKivFriendSysSettingDlg::BuildHistoryPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* where = new QGridLayout(Group(tr("聊天记录保存位置"), page, layout));
    m_pHistoryDefault = new QRadioButton(tr("默认路径"));
    m_pHistoryDefault->setObjectName(QStringLiteral("radioButtonHistoryDefault"));
    m_pHistoryCustom = new QRadioButton(tr("自定义路径"));
    m_pHistoryCustom->setObjectName(QStringLiteral("radioButtonHistoryCustom"));
    m_pHistoryPath = new QLineEdit;
    m_pHistoryPath->setObjectName(QStringLiteral("lineEditHistoryPath"));
    m_pHistoryBrowse = new QPushButton(tr("浏览"));
    m_pHistoryBrowse->setObjectName(QStringLiteral("pushButton_7"));
    where->addWidget(m_pHistoryDefault, 0, 0, 1, 2);
    where->addWidget(m_pHistoryCustom, 1, 0, 1, 2);
    where->addWidget(m_pHistoryPath, 2, 0);
    where->addWidget(m_pHistoryBrowse, 2, 1);
    where->setColumnStretch(0, 1);
    connect(m_pHistoryCustom, &QRadioButton::toggled, m_pHistoryPath, &QWidget::setEnabled);
    connect(m_pHistoryCustom, &QRadioButton::toggled, m_pHistoryBrowse, &QWidget::setEnabled);
    connect(m_pHistoryDefault, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            m_pHistoryPath->setText(DefaultHistoryPath());
    });
    connect(m_pHistoryBrowse, &QPushButton::clicked, this,
            &CKivFriendSysSettingDlg::HistoryBrowseClicked);

    auto* clean = new QVBoxLayout(Group(tr("清理"), page, layout));
    auto* text = new QLabel(tr("删除本账号保存在本机的全部聊天记录（好友请求保留）。"));
    text->setWordWrap(true);
    auto* button = new QPushButton(tr("清理历史记录"));
    button->setObjectName(QStringLiteral("pushButton_7"));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    clean->addWidget(text);
    clean->addWidget(button);
    connect(button, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::pushButton_7ClickedSlot);
    layout->addStretch();
    return page;
}

QWidget* CKivFriendSysSettingDlg::BuildNetPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* proxy = new QGridLayout(Group(tr("代理设置"), page, layout));
    m_pProxyType = new QComboBox;
    m_pProxyType->setObjectName(QStringLiteral("comboBoxProxy"));
    for (const ProxyKind& kind : kProxyKinds)
        m_pProxyType->addItem(tr(kind.shown), Key(kind.written));
    proxy->addWidget(new QLabel(tr("类型：")), 0, 0);
    proxy->addWidget(m_pProxyType, 0, 1, 1, 3);
    const char* const labels[] = {QT_TR_NOOP("地址："), QT_TR_NOOP("端口："),
                                  QT_TR_NOOP("用户名："), QT_TR_NOOP("密码：")};
    const char* const names[] = {"lineEditServer", "lineEditPort", "lineEditUserName",
                                 "lineEditPassWd"};
    for (size_t i = 0; i < m_proxyFields.size(); ++i) {
        m_proxyFields[i] = new QLineEdit;
        m_proxyFields[i]->setObjectName(QString::fromLatin1(names[i]));
        const int row = 1 + int(i) / 2;
        const int column = int(i) % 2 * 2;
        proxy->addWidget(new QLabel(tr(labels[i])), row, column);
        proxy->addWidget(m_proxyFields[i], row, column + 1);
    }
    m_proxyFields[1]->setValidator(new QIntValidator(1, 65535, m_proxyFields[1]));
    m_proxyFields[1]->setMaxLength(5);
    m_proxyFields[3]->setEchoMode(QLineEdit::Password);
    proxy->setColumnStretch(1, 2);
    proxy->setColumnStretch(3, 1);
    connect(m_pProxyType, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &CKivFriendSysSettingDlg::ProxyTypeChanged);

    auto* lost = new QVBoxLayout(Group(tr("断线"), page, layout));
    m_pAutoReconnect = new QCheckBox(tr("断线后自动重新连接"));
    m_pAutoReconnect->setObjectName(QStringLiteral("checkBoxAutoReconnect"));
    m_pAutoReconnect->setToolTip(
        tr("连接中断时保留主面板和聊天窗口，自动重新登录并发送未发出的消息"));
    lost->addWidget(m_pAutoReconnect);

    auto* check = new QHBoxLayout(Group(tr("网络检测"), page, layout));
    auto* text = new QLabel(tr("检测能否连接到消息服务器。"));
    text->setWordWrap(true);
    m_pNetCheck = new QPushButton(tr("测试"));
    m_pNetCheck->setObjectName(QStringLiteral("pushButton_7"));
    check->addWidget(text, 1);
    check->addWidget(m_pNetCheck);
    connect(m_pNetCheck, &QPushButton::clicked, this, &CKivFriendSysSettingDlg::NetCheck);
    layout->addStretch();
    return page;
}

QWidget* CKivFriendSysSettingDlg::BuildUpdatePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* update = new QVBoxLayout(Group(tr("软件更新"), page, layout));
    const int version = CKivFriendReadConfigModel::GetInstance()->GetConfigFile()->version;
    auto* current = new QLabel(tr("当前版本：%1").arg(version));
    current->setObjectName(QStringLiteral("labelVersion"));
    auto* text = new QLabel(tr("每次登录时自动检查新版本，需要更新时会提示您。"));
    text->setWordWrap(true);
    auto* download = new QPushButton(tr("打开下载页面"));
    download->setObjectName(QStringLiteral("pushButton_7"));
    download->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    update->addWidget(current);
    update->addWidget(text);
    update->addWidget(download);
    connect(download, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(KivDeploymentConfig().DownloadPage())); });
    layout->addStretch();
    return page;
}

void CKivFriendSysSettingDlg::SetAccount(const QString& account) {
    m_account = account;
    ReadSettings();
}

QString CKivFriendSysSettingDlg::SettingsFile() const {
    return KivUserSettings::FileFor(m_account);
}

QString CKivFriendSysSettingDlg::DefaultHistoryPath() const {
    return QStringLiteral("./User/%1/DB").arg(m_account);
}

int CKivFriendSysSettingDlg::CurrentPage() const {
    return m_pPages->currentIndex();
}

void CKivFriendSysSettingDlg::showEvent(QShowEvent* event) {
    ReadSettings();
    QWindowBase::showEvent(event);
}

void CKivFriendSysSettingDlg::ShowPage(int page) {
    for (size_t i = 0; i < m_pageButtons.size(); ++i) {
        m_pageButtons[i]->setStyleSheet(
            int(i) == page ? QStringLiteral("border-image:url(%1)").arg(SkinFile("Set.png"))
                           : QStringLiteral("background-color:transparent"));
    }
    m_pPages->setCurrentIndex(page);
}

void CKivFriendSysSettingDlg::bConvent_Clicked() {
    ShowPage(0);
}
void CKivFriendSysSettingDlg::bHotkey_Clicked() {
    ShowPage(1);
}
void CKivFriendSysSettingDlg::bVoice_Clicked() {
    ShowPage(2);
}
void CKivFriendSysSettingDlg::bHistoryrecord_Clicked() {
    ShowPage(3);
}
void CKivFriendSysSettingDlg::bNetconnect_Clicked() {
    ShowPage(4);
}
void CKivFriendSysSettingDlg::bSoftupdate_Clicked() {
    ShowPage(5);
}

void CKivFriendSysSettingDlg::ReadSettings() {
    m_pLanguage->setCurrentIndex(
        std::max(m_pLanguage->findData(int(KivLanguage::ReadChoice(LanguageFile()))), 0));
    UpdateLanguageNote();
    if (m_account.isEmpty())
        return;
    QSettings ini(SettingsFile(), QSettings::IniFormat);
    auto flag = [&ini](const char* key, int fallback) {
        return ini.value(Key(key), fallback).toInt() == 1;
    };
    m_pBootStart->setChecked(flag("/BaseSetting/BootStart", 0));
    m_pAutoLogin->setChecked(flag("/BaseSetting/AutoLogin", 0));
    const bool quit = flag("/BaseSetting/CloseMaindlg", 1);
    m_pCloseQuit->setChecked(quit);
    m_pCloseHide->setChecked(!quit);
    m_pMarginHide->setChecked(flag("/BaseSetting/MarginHide", 1));
    m_pWindowFront->setChecked(flag("/BaseSetting/WindowFront", 1));
    m_pDesktopNotify->setChecked(flag("/BaseSetting/DesktopNotify", 1));

    for (int row = 0; row < HotKeyCount; ++row) {
        const QString name =
            ini.value(QStringLiteral("/HostKeyName/%1Name").arg(Key(kHotKeys[row].file)))
                .toString();
        m_hotKeys[size_t(row)].edit->setText(name);
        m_hotKeys[size_t(row)].check->setChecked(!name.isEmpty());
        m_hotKeys[size_t(row)].edit->setEnabled(!name.isEmpty());
    }
    const bool enter =
        ini.value(QStringLiteral("/HostKey/Sndmsg"), QStringLiteral("C")).toString() ==
        QLatin1String("E");
    m_pSendEnter->setChecked(enter);
    m_pSendCtrlEnter->setChecked(!enter);

    for (size_t i = 0; i < m_voices.size(); ++i) {
        m_voices[i]->setChecked(ini.value(Key(kVoices[i].key), QStringLiteral("ture")).toString() !=
                                QLatin1String("false"));
    }
    FillSoundDevices(ini);

    const bool custom = ini.value(QStringLiteral("/History/SaveWay"), 0).toInt() == 1;
    m_pHistoryCustom->setChecked(custom);
    m_pHistoryDefault->setChecked(!custom);
    m_pHistoryPath->setText(
        ini.value(QStringLiteral("/History/SavePath"), DefaultHistoryPath()).toString());
    m_pHistoryPath->setEnabled(custom);
    m_pHistoryBrowse->setEnabled(custom);

    const KivProxySettings proxy = KivProxySettings::Read(m_account);
    const int index = m_pProxyType->findData(proxy.type);
    m_pProxyType->setCurrentIndex(index < 0 ? 0 : index);
    m_proxyFields[0]->setText(proxy.server);
    m_proxyFields[1]->setText(proxy.port);
    m_proxyFields[2]->setText(proxy.userName);
    m_proxyFields[3]->setText(proxy.password);
    ProxyTypeChanged(m_pProxyType->currentIndex());
    m_pAutoReconnect->setChecked(
        ini.value(QLatin1String(KivUserSettings::kAutoReconnectKey), 1).toInt() != 0);
}

bool CKivFriendSysSettingDlg::SaveSettings() {
    if (m_account.isEmpty())
        return false;
    QDir().mkpath(KivUserSettings::FolderFor(m_account));
    QSettings ini(SettingsFile(), QSettings::IniFormat);
    CKivSession::Own& own = m_session.User();

    const int bootStart = m_pBootStart->isChecked() ? 1 : 0;
    ini.setValue(QStringLiteral("/BaseSetting/BootStart"), bootStart);
    const bool entryOk = bootStart == 1
                             ? KivAutoStart::Enable(Key(kAppName), KivAutoStart::LauncherCommand(),
                                                    QDir::currentPath())
                             : KivAutoStart::Disable(Key(kAppName));
    const std::pair<const char*, int> flags[] = {
        {"AutoLogin", m_pAutoLogin->isChecked() ? 1 : 0},
        {"CloseMaindlg", m_pCloseQuit->isChecked() ? 1 : 0},
        {"MarginHide", m_pMarginHide->isChecked() ? 1 : 0},
        {"WindowFront", m_pWindowFront->isChecked() ? 1 : 0},
        {"DesktopNotify", m_pDesktopNotify->isChecked() ? 1 : 0},
    };
    for (const auto& [name, value] : flags)
        ini.setValue(QStringLiteral("/BaseSetting/") + Key(name), value);
    own.settings.insert(QStringLiteral("BootStart"), bootStart);
    for (const auto& [name, value] : flags)
        own.settings.insert(Key(name), value);

    bool hotKeysChanged = false;
    for (int row = 0; row < HotKeyCount; ++row) {
        const HotKeyControls& controls = m_hotKeys[size_t(row)];
        const QString file = Key(kHotKeys[row].file);
        const QString text = controls.check->isChecked() ? controls.edit->text() : QString();
        const QString code = text.isEmpty()
                                 ? QStringLiteral("0")
                                 : QString::number(CKivFriendKeyPressLineEdit::VirtualKeyOf(text));
        ini.setValue(QStringLiteral("/HostKey/") + file, code);
        ini.setValue(QStringLiteral("/HostKeyName/%1Name").arg(file), text);
        hotKeysChanged =
            hotKeysChanged || own.hotKeyText.value(file + QStringLiteral("Name")) != text;
        own.hotKeyText.insert(file + QStringLiteral("Name"), text);
        own.hotKeyText.insert(file + QStringLiteral("Key"), code);
    }
    const QString sendKey = m_pSendEnter->isChecked() ? QStringLiteral("E") : QStringLiteral("C");
    ini.setValue(QStringLiteral("/HostKey/Sndmsg"), sendKey);
    own.hotKeyText.insert(QStringLiteral("SndmsgKey"), sendKey);

    for (size_t i = 0; i < m_voices.size(); ++i) {
        // "ture" is the text every reader of this file expects.
        ini.setValue(Key(kVoices[i].key),
                     m_voices[i]->isChecked() ? QStringLiteral("ture") : QStringLiteral("false"));
    }
    ini.setValue(QString::fromLatin1(kEchoCancelKey), m_pEchoCancel->isChecked() ? 1 : 0);
    ini.setValue(QString::fromLatin1(kEncryptedOnlyKey), m_pEncryptedOnly->isChecked() ? 1 : 0);
    ini.setValue(QString::fromLatin1(kMicrophoneKey), m_pMicrophone->currentData().toString());
    ini.setValue(QString::fromLatin1(kSpeakerKey), m_pSpeaker->currentData().toString());

    const bool custom = m_pHistoryCustom->isChecked();
    ini.setValue(QStringLiteral("/History/SaveWay"), custom ? 1 : 0);
    ini.setValue(QStringLiteral("/History/SavePath"),
                 custom ? m_pHistoryPath->text() : DefaultHistoryPath());

    KivProxySettings proxy;
    proxy.type = m_pProxyType->currentData().toString();
    ini.setValue(QStringLiteral("/NetSet/Type"), proxy.type);
    for (size_t i = 0; i < std::size(kProxyKeys); ++i)
        ini.setValue(Key(kProxyKeys[i]), m_proxyFields[i]->text());
    ini.setValue(QLatin1String(KivUserSettings::kAutoReconnectKey),
                 m_pAutoReconnect->isChecked() ? 1 : 0);
    proxy.server = m_proxyFields[0]->text();
    proxy.port = m_proxyFields[1]->text();
    proxy.userName = m_proxyFields[2]->text();
    proxy.password = m_proxyFields[3]->text();
    ini.sync();
    if (ini.status() != QSettings::NoError) {
        Tip(this, tr("设置保存失败"));
        return false;
    }
    // Written only when changed, so a deployment's file is not rewritten for nothing.
    const auto language = KivLanguage::Choice(m_pLanguage->currentData().toInt());
    if (language != KivLanguage::ReadChoice(LanguageFile()) &&
        !KivLanguage::WriteChoice(LanguageFile(), language))
        Tip(this, tr("界面语言设置保存失败"));
    if (!proxy.StorePassword(m_account) &&
        KivPasswordKeyring::FirstMiss(m_account, KivPasswordKeyring::Item::Proxy))
        Tip(this, KivPasswordKeyring::MissText(KivPasswordKeyring::Item::Proxy));
    if (!entryOk)
        Tip(this, tr("开机自动启动设置失败"));
    if (!proxy.Apply())
        Tip(this, tr("代理地址或端口无效，未使用代理"));
    ApplyHotKeys(ini, hotKeysChanged);
    return true;
}

void CKivFriendSysSettingDlg::ApplyHotKeys(QSettings& ini, bool changed) {
    if (!m_applyHotKeys)
        return;
    const QStringList failed = m_applyHotKeys();
    if (failed.isEmpty()) {
        if (changed)
            Tip(this, tr("修改成功"));
        return;
    }
    const bool show = failed.contains(QStringLiteral("ShowmDlgName"));
    const bool get = failed.contains(QStringLiteral("GetmsgName"));
    QString text;
    if (show && get)
        text = tr("\"显示主窗口\"、\"提取消息\"快捷键与系统快捷键冲突");
    else if (show)
        text = tr("\"显示主窗口\"快捷键与系统快捷键冲突");
    else
        text = tr("\"提取消息\"快捷键与系统快捷键冲突");
    for (int row : {ShowmDlg, Getmsg}) {
        const QString file = Key(kHotKeys[row].file);
        if (!failed.contains(file + QStringLiteral("Name")))
            continue;
        m_hotKeys[size_t(row)].edit->clear();
        m_hotKeys[size_t(row)].check->setChecked(false);
        m_hotKeys[size_t(row)].edit->setEnabled(false);
        ini.setValue(QStringLiteral("/HostKey/") + file, QStringLiteral("0"));
        ini.setValue(QStringLiteral("/HostKeyName/%1Name").arg(file), QString());
        m_session.User().hotKeyText.insert(file + QStringLiteral("Name"), QString());
        m_session.User().hotKeyText.insert(file + QStringLiteral("Key"), QStringLiteral("0"));
    }
    ini.sync();
    // The keys that were taken are given up, the others stay registered.
    m_applyHotKeys();
    Warn(this, text);
}

void CKivFriendSysSettingDlg::bpushButtonOk_Clicked() {
    if (SaveSettings())
        close();
}

void CKivFriendSysSettingDlg::bpushButtonApp_Clicked() {
    SaveSettings();
}

void CKivFriendSysSettingDlg::bpushButtonCancel_Clicked() {
    close();
}

void CKivFriendSysSettingDlg::bClose_Clicked() {
    close();
}

void CKivFriendSysSettingDlg::bMinimize_Clicked() {
    showMinimized();
}

// Decided by the kind written to the file, never by the shown name.
void CKivFriendSysSettingDlg::ProxyTypeChanged(int index) {
    const bool none = m_pProxyType->itemData(index).toString() == Key(kProxyKinds[0].written);
    for (QLineEdit* field : m_proxyFields) {
        if (none)
            field->clear();
        field->setEnabled(!none);
    }
}

void CKivFriendSysSettingDlg::ComboboxChangedText(const QString& shown) {
    const int index = m_pProxyType->findText(shown);
    if (index >= 0)
        ProxyTypeChanged(index);
}

void CKivFriendSysSettingDlg::NetCheck() {
    if (m_pProbe)
        return;
    const SStr_Config_File* config = CKivFriendReadConfigModel::GetInstance()->GetConfigFile();
    m_pProbe = new QTcpSocket(this);
    // The check asks whether the messaging server answers, directly.
    m_pProbe->setProxy(QNetworkProxy::NoProxy);
    connect(m_pProbe, &QTcpSocket::connected, this, [this] { FinishNetCheck(true); });
    connect(m_pProbe, &QTcpSocket::errorOccurred, this, [this] { FinishNetCheck(false); });
    m_pNetCheck->setEnabled(false);
    m_pProbeTimer->start(m_netCheckTimeoutMs);
    m_pProbe->connectToHost(QString::fromLatin1(config->ipaddr), quint16(config->port));
}

void CKivFriendSysSettingDlg::FinishNetCheck(bool reachable) {
    if (!m_pProbe)
        return;
    m_pProbeTimer->stop();
    m_pProbe->disconnect(this);
    m_pProbe->abort();
    m_pProbe->deleteLater();
    m_pProbe = nullptr;
    m_pNetCheck->setEnabled(true);
    Tip(this, reachable ? tr("网络正常") : tr("网络不可用"));
}

void CKivFriendSysSettingDlg::pushButton_7ClickedSlot() {
    if (KivFriendMyMessageBoxView::Ask(this, tr("确定要删除本机保存的全部聊天记录吗？"), tr("确定"),
                                       tr("取消")) != 1) {
        return;
    }
    const int removed = KivContactQueries::ClearHistory();
    if (removed < 0) {
        Tip(this, tr("清理历史记录失败"));
        return;
    }
    emit HistoryCleared();
    Tip(this, tr("清理历史记录完成！共删除 %1 条消息。").arg(removed));
}

void CKivFriendSysSettingDlg::UpdateLanguageNote() {
    const auto choice = KivLanguage::Choice(m_pLanguage->currentData().toInt());
    const bool later =
        KivLanguage::Resolve(choice, &KivLanguage::ProcessEnvironment) != KivLanguage::Current();
    m_pLanguageNote->setVisible(later);
    m_pLanguage->setAccessibleDescription(later ? m_pLanguageNote->text() : QString());
}

void CKivFriendSysSettingDlg::HistoryBrowseClicked() {
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("选择文件夹"), m_pHistoryPath->text());
    if (!folder.isEmpty())
        m_pHistoryPath->setText(folder);
}
