#include "shell/KivIMLoginDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTextCodec>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivReconnectModel.h"
#include "CKivSession.h"
#include "KivLog.h"
#include "KivPrivateProfile.h"
#include "KivProtocol.h"
#include "KivTrayClicks.h"
#include "KivUserSettings.h"
#include "account/kivRecoverPassworddlg.h"
#include "account/kivRegisterDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"
#include "shell/KivIMMainDlg.h"
#include "shell/QCustomComboBox.h"
#include "shell/QCustomLineEdit.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivHeadDownload.h"
#include "support/KivHeadPath.h"
#include "support/KivPasswordKeyring.h"
#include "support/KivPicture.h"
#include "support/KivProxySettings.h"
#include "support/KivSafeImage.h"

namespace {

const char* const kLoginList = "Config/login.ini";
const char* const kConfig = "Config/config.ini";
const char* const kSkin = "Resources/skin/kivLoginDlg/";
const char* const kInstaller = "zodida_1.0.0.1.msi";
// How often a main window that waits to be torn down looks again.
const int kRetireRetryMs = 100;

QString SkinPath(const char* name) {
    return QString::fromLatin1(kSkin) + QLatin1String(name);
}

std::unique_ptr<QSettings> LoginList() {
    auto ini = std::make_unique<QSettings>(QString::fromLatin1(kLoginList), QSettings::IniFormat);
    ini->setIniCodec(QTextCodec::codecForName("GB2312"));
    return ini;
}

QString Tip() {
    return QCoreApplication::translate("KivIMLoginDlg", "提示");
}

}  // namespace

KivIMLoginDlg::KivIMLoginDlg(QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    m_pHeads = new KivHeadDownload(this);
    m_pCrypt = std::make_unique<SimpleCrypt>(KivDeploymentConfig().CryptKey());
    m_loginTimeout = m_session.Timers().Make(this, [this] { TimeoutEx(); });
    KivIMMainDlg::mainDlg = new KivIMMainDlg(nullptr, m_session);
    WireMainDlg(KivIMMainDlg::mainDlg);

    setObjectName(QStringLiteral("kivLoginDlg"));
    setWindowTitle(QStringLiteral("Lumo"));
    BuildForm();
    ConnectSignals();
    SetBtnNumber(false);
    connect(m_pClose, &QPushButton::clicked, this, &KivIMLoginDlg::bClose_Clicked);
    connect(m_pMinimize, &QPushButton::clicked, this, &KivIMLoginDlg::bMinimize_Clicked);
    EnableMove(true);
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool | Qt::WindowStaysOnTopHint);

    m_pPassword->SetIcon(KivPicture::Load(SkinPath("passWd.png")));
    m_pAccount->LineEdit()->SetIcon(KivPicture::Load(SkinPath("Account.png")));
    const QPixmap background = KivPicture::Load(SkinPath("backgroung_Image.png"));
    if (!background.isNull()) {
        QPalette pal = palette();
        pal.setBrush(QPalette::Window, QBrush(background));
        setPalette(pal);
        setAutoFillBackground(true);
    }
    SetSkin(SkinPath("kivLoginDlg.qss"));
    FitCheckBoxes();
    m_pEye->setStyleSheet(
        QStringLiteral("border-image:url(Resources/skin/kivLoginDlg/eye_on.png);"));

    m_pTray = std::make_unique<QSystemTrayIcon>();
    m_pTray->setIcon(QIcon(QStringLiteral("Resources/skin/SysIcon.png")));
    m_pTray->setToolTip(QStringLiteral("Lumo"));
    connect(m_pTray.get(), &QSystemTrayIcon::activated, this, &KivIMLoginDlg::trayiconActivated);
    m_pTray->show();

    FillAccountList();
    readConfigInit();

    m_pAccount->installEventFilter(this);
    m_pAccount->LineEdit()->installEventFilter(this);
    m_pPassword->installEventFilter(this);

    // Connect before the button is pressed; an automatic login has done it already.
    if (!IsLoginPending())
        ConnectServer();
}

KivIMLoginDlg::~KivIMLoginDlg() = default;

CKivReconnectModel* KivIMLoginDlg::Reconnect() const {
    return &m_session.Reconnect();
}

void KivIMLoginDlg::BuildForm() {
    const QPixmap background = KivPicture::Load(SkinPath("backgroung_Image.png"));
    resize(background.isNull() ? QSize(430, 330) : KivPicture::ShownSize(background));

    m_pHead = new QLabel(this);
    m_pHead->setObjectName(QStringLiteral("labelHead"));
    m_pHead->setGeometry(36, 146, 80, 80);
    m_pHead->setScaledContents(true);
    m_pHead->setPixmap(QPixmap(KivHeadPath::DefaultHead()));

    m_pAccount = new QCustomComboBox(this);
    m_pAccount->setGeometry(132, 146, 200, 30);
    m_pAccount->LineEdit()->setPlaceholderText(tr("账号"));
    m_pAccount->setAccessibleName(tr("账号"));
    m_pAccount->LineEdit()->setAccessibleName(tr("账号"));

    m_pPassword = new QCustomLineEdit(this);
    m_pPassword->setObjectName(QStringLiteral("lineEditPassWd"));
    m_pPassword->setGeometry(132, 182, 200, 30);
    m_pPassword->setEchoMode(QLineEdit::Password);
    m_pPassword->setPlaceholderText(tr("密码"));
    m_pPassword->setAccessibleName(tr("密码"));
    m_pPassword->setTextMargins(0, 0, 26, 0);

    m_pEye = new QPushButton(m_pPassword);
    m_pEye->setObjectName(QStringLiteral("eyeBtn"));
    m_pEye->setGeometry(176, 5, 20, 20);
    m_pEye->setCursor(Qt::PointingHandCursor);
    m_pEye->setFocusPolicy(Qt::NoFocus);

    m_pRemember = new QCheckBox(tr("记住密码"), this);
    m_pRemember->setObjectName(QStringLiteral("checkBoxRemember"));
    m_pRemember->setGeometry(132, 218, 96, 22);
    m_pAutoLogin = new QCheckBox(tr("自动登入"), this);
    m_pAutoLogin->setObjectName(QStringLiteral("checkBoxAutoLogin"));
    m_pAutoLogin->setGeometry(236, 218, 96, 22);

    m_pLogin = new QPushButton(tr("登  录"), this);
    m_pLogin->setObjectName(QStringLiteral("pushButtonLogin"));
    m_pLogin->setGeometry(132, 252, 200, 36);
    m_pLogin->setDefault(true);

    m_pRegister = new QPushButton(tr("注册账号"), this);
    m_pRegister->setObjectName(QStringLiteral("bRegAccount"));
    m_pRegister->setGeometry(340, 151, 72, 20);
    m_pForget = new QPushButton(tr("找回密码"), this);
    m_pForget->setObjectName(QStringLiteral("bForgetPwd"));
    m_pForget->setGeometry(340, 187, 72, 20);
    for (QPushButton* link : {m_pRegister, m_pForget}) {
        link->setCursor(Qt::PointingHandCursor);
        link->setFocusPolicy(Qt::NoFocus);
    }
    m_pEye->setAccessibleName(tr("显示密码"));
    // Tab goes between account and password only; the other controls have
    // keys of their own, which the screen reader names with them.
    const std::pair<QAbstractButton*, const char*> keys[] = {{m_pEye, "Alt+V"},
                                                             {m_pRemember, "Alt+M"},
                                                             {m_pAutoLogin, "Alt+A"},
                                                             {m_pRegister, "Alt+R"},
                                                             {m_pForget, "Alt+F"}};
    for (const auto& [button, key] : keys) {
        button->setShortcut(QKeySequence(QString::fromLatin1(key)));
        button->setAccessibleDescription(tr("快捷键 %1").arg(QLatin1String(key)));
    }
}

// The skin's places hold the short Chinese texts; a longer text (English)
// widens its box to the right, the second box moving along.
void KivIMLoginDlg::FitCheckBoxes() {
    const int gap = 8;
    int left = m_pRemember->x();
    for (QCheckBox* box : {m_pRemember, m_pAutoLogin}) {
        box->ensurePolished();
        const QRect skin = box->geometry();
        const int x = qMax(skin.x(), left);
        box->setGeometry(x, skin.y(), qMax(skin.width(), box->sizeHint().width()), skin.height());
        left = box->geometry().right() + 1 + gap;
    }
}

void KivIMLoginDlg::ConnectSignals() {
    connect(&m_session.Net(), &CKivFriendNetModel::LoginResult, this,
            &KivIMLoginDlg::NetLoginResult);
    connect(&m_session.Net(), &CKivFriendNetModel::AccountLoginResult, this,
            &KivIMLoginDlg::AccountLoginResultSlot);
    connect(&m_session.Net(), &CKivFriendNetModel::FaildConnect, this,
            &KivIMLoginDlg::FaildConnectSlot);
    connect(&m_session.Net(), &CKivFriendNetModel::CloseConnect, this,
            &KivIMLoginDlg::CloseConnectSlot);
    connect(&m_session.Net(), &CKivFriendNetModel::TlsRefused, this,
            &KivIMLoginDlg::TlsRefusedSlot);
    connect(m_pLogin, &QPushButton::clicked, this, &KivIMLoginDlg::onLoginButtonClicked);
    connect(m_pRegister, &QPushButton::clicked, this, &KivIMLoginDlg::bRegAccount_Clicked);
    connect(m_pForget, &QPushButton::clicked, this, &KivIMLoginDlg::bForgetPwd_Clicked);
    connect(m_pEye, &QPushButton::clicked, this, &KivIMLoginDlg::eyeBtnClicked);
    connect(m_pAccount, &QComboBox::currentTextChanged, this, &KivIMLoginDlg::ComboBoxChange);
    connect(m_pAccount, &QCustomComboBox::ItemDel, this, &KivIMLoginDlg::uesrListItemDel);
    connect(m_pAutoLogin, &QCheckBox::clicked, this, &KivIMLoginDlg::checkBoxClicked);
    connect(m_pHeads, &KivHeadDownload::Stored, this, &KivIMLoginDlg::HeadStored);
}

QString KivIMLoginDlg::Account() const {
    return m_pAccount->currentText().trimmed();
}

void KivIMLoginDlg::ShowHeadFor(const QString& account) {
    const QString own = KivHeadPath::Own(account);
    const bool hasFolder =
        !account.isEmpty() && QDir(KivHeadPath::AccountImageFolder(account)).exists();
    m_pHead->setPixmap(
        KivSafeImage::Pixmap(hasFolder ? KivHeadPath::OrDefault(own) : KivHeadPath::DefaultHead()));
}

void KivIMLoginDlg::FillAccountList() {
    const std::unique_ptr<QSettings> ini = LoginList();
    const QStringList groups = ini->childGroups();
    for (const QString& group : groups) {
        if (group == QLatin1String("CurrentAccount"))
            continue;
        const QString account = ini->value(group + QStringLiteral("/UserName")).toString();
        if (account.isEmpty())
            continue;
        m_pAccount->AddAccount(
            account, KivSafeImage::Pixmap(KivHeadPath::OrDefault(KivHeadPath::Own(account))));
    }
    const QString current = ini->value(QStringLiteral("CurrentAccount/UserName")).toString();
    const QSignalBlocker block(m_pAccount);
    const int index = m_pAccount->findText(current);
    if (index >= 0) {
        m_pAccount->setCurrentIndex(index);
    } else {
        m_pAccount->setEditText(current);
    }
    ShowHeadFor(current);
}

void KivIMLoginDlg::readConfigInit() {
    const QString account = Account();
    if (account.isEmpty())
        return;
    m_session.ReadLoginChoices(account);
    const QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    if (m_session.User().AutoLogin()) {
        m_pRemember->setChecked(true);
        m_pAutoLogin->setChecked(true);
        m_pPassword->setText(RememberedPassword(account, ini));
        // Without a keyring nothing was remembered: the user types it first.
        if (!m_pPassword->text().isEmpty())
            onLoginButtonClicked();
    } else if (m_session.User().RememberPassword()) {
        m_pRemember->setChecked(true);
        m_pPassword->setText(RememberedPassword(account, ini));
    }
}

// The keyring's item first; the scrambled form of the settings file is what
// an account has without a keyring, or from before it moved there.
QString KivIMLoginDlg::RememberedPassword(const QString& account, const QSettings& ini) const {
    const QString kept = KivPasswordKeyring::Lookup(account);
    if (!kept.isNull())
        return kept;
    return m_pCrypt->decryptToString(ini.value(QStringLiteral("/KivPwd/passWd")).toString());
}

void KivIMLoginDlg::ComboBoxChange(QString text) {
    m_pPassword->clear();
    ShowHeadFor(text.trimmed());
    readConfigInit();
}

void KivIMLoginDlg::SetAccount(QString account) {
    m_pAccount->setEditText(account);
}

void KivIMLoginDlg::ConnectServer() {
    // The proxy the shown account chose carries this connection too.
    const QString account = m_pAccount->currentText().trimmed();
    if (!account.isEmpty())
        KivProxySettings::Read(account).Apply();
    CKivFriendReadConfigModel* model = CKivFriendReadConfigModel::GetInstance();
    SStr_Config_File* config = model->GetConfigFile();
    m_session.Net().SetServerIP_And_Port(config->ipaddr, config->port);
    m_session.Net().SetTls(model->GetTlsSettings());
    m_session.Net().Connect_Svr();
}

bool KivIMLoginDlg::CheckUpdate() {
    const KivPrivateProfile ini(QString::fromLatin1(kConfig));
    if (ini.Read(QStringLiteral("base"), QStringLiteral("needUpdate")).toInt() != 1)
        return true;
    const int mode = ini.Read(QStringLiteral("base"), QStringLiteral("UpdateMode")).toInt();
    if (mode == 1) {
        if (QMessageBox::question(this, Tip(), tr("已有最新版本，是否进行安装？"),
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
            const QString folder =
                QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
            QProcess::startDetached(folder + QLatin1Char('/') + QLatin1String(kInstaller), {});
            m_bInstalling = true;
            close();
            // Queued: at start-up (automatic login) the event loop has not begun,
            // and an exit now would be forgotten by the time it does.
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
            return false;
        }
    } else if (mode == 2) {
        if (QMessageBox::question(this, Tip(), tr("软件有最新版本,请到下载最新版本"),
                                  QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
            QDesktopServices::openUrl(QUrl(KivDeploymentConfig().DownloadPage()));
            return false;
        }
    }
    return true;
}

void KivIMLoginDlg::onLoginButtonClicked() {
    // One login at a time: a second one would reconnect under the first. Once
    // the installer runs, the program only waits for its end.
    if (IsLoginPending() || m_bInstalling)
        return;
    if (!m_accountLock.Take(Account())) {
        KivFriendMyMessageBoxView::Tip(this, tr("该账号已在本机登录，请使用已打开的客户端"),
                                       tr("确定"));
        return;
    }
    ConnectServer();
    if (!CheckUpdate())
        return;
    const QByteArray request = CKivSession::LoginRequest(Account(), m_pPassword->text());
    m_sentRequest = request;
    m_loginPending = true;
    m_loginTimeout->Start(kLoginTimeoutMs);
    m_pLogin->setEnabled(false);
    QTimer::singleShot(m_loginDelayMs, this, [this, request] { SendLoginWhenConnected(request); });
}

// The connection opened just before may still be on its way; keep trying
// until it is up or the login times out.
void KivIMLoginDlg::SendLoginWhenConnected(const QByteArray& request) {
    if (!IsLoginPending())
        return;
    if (m_session.Net().IsConnected()) {
        m_session.SendLogin(request);
        return;
    }
    QTimer::singleShot(100, this, [this, request] { SendLoginWhenConnected(request); });
}

void KivIMLoginDlg::StopLoginTimer() {
    m_loginPending = false;
    m_loginTimeout->Stop();
}

void KivIMLoginDlg::TimeoutEx() {
    StopLoginTimer();
    m_pLogin->setEnabled(true);
    if (!m_session.Reconnect().IsArmed())
        m_accountLock.Release();
}

void KivIMLoginDlg::NetLoginResult(int) {}

void KivIMLoginDlg::AccountLoginResultSlot(int nSucss, int nErrm, int pHead, QString pAccount,
                                           QString pSign, QString pNikeName, QString pAppversion,
                                           bool bGUIDnew) {
    if (m_session.Reconnect().IsRelogging()) {
        ReloginResult(nSucss, nErrm);
        return;
    }
    // A success nobody waits for any more (the attempt was given up) would
    // open a session without a connection that never tries again.
    if (nSucss == 0 && !IsLoginPending()) {
        qCInfo(lcKivView) << "a login answer after its attempt was given up ignored";
        return;
    }
    StopLoginTimer();
    if (nSucss == 0) {
        LoginSucceeded(nErrm, pHead, pAccount, pSign, pNikeName, pAppversion, bGUIDnew);
        return;
    }
    if (nErrm == KivLoginElsewhere) {
        EndSessionElsewhere();
        return;
    }
    m_pLogin->setEnabled(true);
    if (!m_session.Reconnect().IsArmed())
        m_accountLock.Release();
    const QString refusal = RefusalText(nErrm);
    if (!refusal.isEmpty())
        KivFriendMyMessageBoxView::Tip(this, refusal, tr("确定"));
}

QString KivIMLoginDlg::RefusalText(int nErrm) {
    switch (nErrm) {
        case KivLoginBadPassword:
            return tr("账号或密码错误");
        case KivLoginNoUser:
            return tr("用户不存在");
        default:
            return QString();
    }
}

void KivIMLoginDlg::EndSessionElsewhere() {
    m_session.End();
    // The session is over: the closing connection must not bring the login back.
    m_session.Net().Stop_Thread_Work();
    m_pLogin->setEnabled(true);
    if (KivIMMainDlg::mainDlg)
        KivIMMainDlg::mainDlg->close();
    KivFriendMyMessageBoxView::Tip(this, tr("已经在其他地方登陆"), tr("确定"));
    close();
    QApplication::exit(0);
}

void KivIMLoginDlg::ReloginResult(int nSucss, int nErrm) {
    if (nSucss == 0) {
        // On success the error field carries the uid.
        m_session.Resumed(quint32(nErrm));
        return;
    }
    if (nErrm == KivLoginElsewhere) {
        EndSessionElsewhere();
        return;
    }
    const QString refusal = RefusalText(nErrm);
    if (refusal.isEmpty()) {
        m_session.Reconnect().LoginFailed();
        return;
    }
    // The password changed or the account is gone: only the user can mend that.
    m_session.Reconnect().Disarm();
    m_session.Net().Delete_Socket();
    KivFriendMyMessageBoxView::Tip(this, refusal, tr("确定"));
    ReturnToLogin();
}

void KivIMLoginDlg::LoginSucceeded(int uid, int head, const QString& account, const QString& sign,
                                   const QString& nickName, const QString& appVersion,
                                   bool newGuid) {
    // The deployment's file: one line changes, the rest stays as it was written.
    const KivPrivateProfile config(QString::fromLatin1(kConfig));
    if (config.Read(QStringLiteral("base"), QStringLiteral("version")) != appVersion) {
        config.Write(QStringLiteral("base"), QStringLiteral("needUpdate"), QStringLiteral("0"));
    }

    if (m_pTray) {
        m_pTray->hide();
        m_pTray.reset();
    }

    {
        const std::unique_ptr<QSettings> list = LoginList();
        if (!list->contains(account + QStringLiteral("/UserName"))) {
            list->setValue(account + QStringLiteral("/UserName"), account);
        }
        list->setValue(QStringLiteral("CurrentAccount/UserName"), account);
    }

    QDir().mkpath(KivHeadPath::AccountImageFolder(account));
    if (head < KivHeadPath::kFirstUploadedHead) {
        const QString own = KivHeadPath::Own(account);
        QFile::remove(own);
        QFile::copy(KivHeadPath::Stock(head), own);
    }

    KivUserSettings::EnsureDefaults(account);
    KivIMMainDlg* main = KivIMMainDlg::mainDlg;
    m_session.ReadAccountSettings(account);

    hide();
    m_loggedInAccount = account;
    main->m_uid = Uint32(uid);
    main->m_headIndex = head;
    main->m_account = account;
    main->m_sign = sign;
    main->m_nickName = nickName;
    main->InitMaindlg();

    if (newGuid && head >= KivHeadPath::kFirstUploadedHead) {
        m_pHeads->Fetch(quint32(uid), KivHeadPath::Own(account));
    }

    main->show();
    main->activateWindow();
    SaveCheckBoxes(account);
    m_session.Begin(quint32(uid), m_sentRequest);
    m_sentRequest.fill('\0');
    m_sentRequest.clear();
}

void KivIMLoginDlg::TellLater(const QString& text) {
    KivIMMainDlg* main = KivIMMainDlg::mainDlg;
    QTimer::singleShot(0, main,
                       [main, text] { KivFriendMyMessageBoxView::Tip(main, text, tr("确定")); });
}

void KivIMLoginDlg::SaveCheckBoxes(const QString& account) {
    QSettings ini(KivUserSettings::FileFor(account), QSettings::IniFormat);
    if (m_pAutoLogin->isChecked()) {
        m_pRemember->setChecked(true);
        ini.setValue(QStringLiteral("/BaseSetting/AutoLogin"), 1);
    } else {
        ini.setValue(QStringLiteral("/BaseSetting/AutoLogin"), 0);
    }
    if (m_pRemember->isChecked()) {
        ini.setValue(QStringLiteral("/BaseSetting/ForgetPwd"), 1);
        const QString typed = m_pPassword->text();
        const QString key = QStringLiteral("/KivPwd/passWd");
        // Only the keyring keeps a password. The scrambled form of older
        // versions leaves the file once it moved there; without a keyring it
        // stays while it is still the password, so that account logs in as
        // before, and nothing new is written.
        if (KivPasswordKeyring::Store(account, typed)) {
            ini.remove(key);
        } else {
            if (m_pCrypt->decryptToString(ini.value(key).toString()) != typed)
                ini.remove(key);
            if (KivPasswordKeyring::FirstMiss(account, KivPasswordKeyring::Item::Login))
                TellLater(KivPasswordKeyring::MissText(KivPasswordKeyring::Item::Login));
        }
    } else {
        ini.setValue(QStringLiteral("/BaseSetting/ForgetPwd"), 0);
        ini.remove(QStringLiteral("/KivPwd/passWd"));
        KivPasswordKeyring::Forget(account);
    }
}

void KivIMLoginDlg::HeadStored(quint32, const QString& path) {
    // A head that arrives after another login belongs to no window shown now.
    if (KivIMMainDlg::mainDlg && !m_loggedInAccount.isEmpty() &&
        path == KivHeadPath::Own(m_loggedInAccount))
        emit KivIMMainDlg::mainDlg->SndpathStr(path);
}

void KivIMLoginDlg::FaildConnectSlot() {
    if (HealInPlace())
        return;
    m_session.Net().Delete_Socket();
    if (IsLoginPending())
        TimeoutEx();
    QMessageBox::about(this, Tip(), tr("连接失败，请检查您的网络连接!"));
}

QString KivIMLoginDlg::TlsRefusalText(bool serverWantsTls) {
    return serverWantsTls ? tr("服务器只接受加密连接，已停止连接。")
                          : tr("无法验证服务器的身份，已停止连接。");
}

void KivIMLoginDlg::TlsRefusedSlot(bool serverWantsTls, QString) {
    // Not healed by trying again: the same server would be refused the same way.
    const bool hadSession = m_session.Reconnect().IsArmed();
    m_session.Reconnect().Disarm();
    m_session.Net().Delete_Socket();
    if (IsLoginPending())
        TimeoutEx();
    m_pLogin->setEnabled(true);
    QMessageBox::about(this, Tip(), TlsRefusalText(serverWantsTls));
    if (hadSession)
        ReturnToLogin();
}

void KivIMLoginDlg::CloseConnectSlot() {
    if (HealInPlace())
        return;
    QMessageBox::about(this, Tip(), tr("请检查您的网络连接!"));
    ReturnToLogin();
}

bool KivIMLoginDlg::HealInPlace() {
    if (!m_session.Reconnect().IsArmed())
        return false;
    if (m_session.Reconnect().CurrentState() == CKivReconnectModel::State::Online &&
        !KivUserSettings::AutoReconnect(m_loggedInAccount)) {
        m_session.Reconnect().Disarm();
        return false;
    }
    return m_session.Reconnect().ConnectionLost();
}

void KivIMLoginDlg::ReturnToLogin() {
    m_session.Reconnect().Disarm();
    m_accountLock.Release();
    if (KivIMMainDlg* old = KivIMMainDlg::mainDlg) {
        m_session.Net().Delete_Socket();
        old->SessionEnded();
        disconnect(&m_session.Reconnect(), nullptr, old, nullptr);
        disconnect(old, nullptr, &m_session.Reconnect(), nullptr);
        KivIMMainDlg::mainDlg = nullptr;
        RetireMainDlg(old);
    }
    // The fresh window starts with no user, as the login dialog does.
    m_session.ForgetUser();
    KivIMMainDlg::mainDlg = new KivIMMainDlg(nullptr, m_session);
    WireMainDlg(KivIMMainDlg::mainDlg);
    emit MainDlgReplaced(KivIMMainDlg::mainDlg);
    if (IsLoginPending())
        TimeoutEx();
    m_pLogin->setEnabled(true);
    show();
}

void KivIMLoginDlg::WireMainDlg(KivIMMainDlg* mainDlg) {
    connect(&m_session.Reconnect(), &CKivReconnectModel::WentOffline, mainDlg,
            &KivIMMainDlg::ConnectionLost);
    connect(&m_session.Reconnect(), &CKivReconnectModel::CameBack, mainDlg,
            &KivIMMainDlg::ConnectionBack);
    connect(mainDlg, &KivIMMainDlg::ReconnectRequested, &m_session.Reconnect(),
            &CKivReconnectModel::TryNow);
}

// The connection may drop while the old main window runs a loop of its own (a
// message box, its context menu) further down the stack: it is hidden at once
// and destroyed when no loop runs inside the application's own.
void KivIMLoginDlg::RetireMainDlg(KivIMMainDlg* old) {
    if (QThread::currentThread()->loopLevel() <= 1) {
        delete old;
        return;
    }
    old->hide();
    QTimer::singleShot(kRetireRetryMs, old, [old] { RetireMainDlg(old); });
}

void KivIMLoginDlg::eyeBtnClicked() {
    if (m_showPassword == 0) {
        m_pEye->setStyleSheet(
            QStringLiteral("border-image:url(Resources/skin/kivLoginDlg/eye_off.png)"));
        m_pPassword->setEchoMode(QLineEdit::Normal);
        m_showPassword = 1;
    } else {
        m_pEye->setStyleSheet(
            QStringLiteral("border-image:url(Resources/skin/kivLoginDlg/eye_on.png)"));
        m_pPassword->setEchoMode(QLineEdit::Password);
        m_showPassword = 0;
    }
}

void KivIMLoginDlg::checkBoxClicked() {
    if (m_pAutoLogin->isChecked())
        m_pRemember->setChecked(true);
}

void KivIMLoginDlg::uesrListItemDel(QString account) {
    const std::unique_ptr<QSettings> list = LoginList();
    list->remove(account);
}

// The service's web pages when the deployment has a web site; otherwise, or
// when no browser opens, the client's own dialogs through the messaging server.
void KivIMLoginDlg::bRegAccount_Clicked() {
    const QString site = KivDeploymentConfig().WebSite();
    if (!site.isEmpty() && QDesktopServices::openUrl(QUrl(site + QStringLiteral("/?/register"))))
        return;
    if (!m_pRegisterDlg) {
        m_pRegisterDlg = new kivRegisterDlg(this, m_session);
        connect(m_pRegisterDlg, &kivRegisterDlg::SetPhoneNumber, this, &KivIMLoginDlg::SetAccount);
        connect(m_pRegisterDlg, &kivRegisterDlg::CloseSignal, this, &KivIMLoginDlg::AcceptDelete);
    }
    ShowInsteadOfLogin(m_pRegisterDlg);
}

void KivIMLoginDlg::bForgetPwd_Clicked() {
    const QString site = KivDeploymentConfig().WebSite();
    if (!site.isEmpty() && QDesktopServices::openUrl(QUrl(site)))
        return;
    if (!m_pRecoverDlg) {
        m_pRecoverDlg = new kivRecoverPassworddlg(this, m_session);
        connect(m_pRecoverDlg, &kivRecoverPassworddlg::CloseSignal, this,
                &KivIMLoginDlg::RecoverAcceptDelete);
    }
    ShowInsteadOfLogin(m_pRecoverDlg);
}

void KivIMLoginDlg::ShowInsteadOfLogin(QWidget* dialog) {
    QRect place = dialog->rect();
    place.moveCenter(frameGeometry().center());
    dialog->move(place.topLeft());
    hide();
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void KivIMLoginDlg::AcceptDelete() {
    // Destroyed later: the call comes from the dialog's own signal.
    if (m_pRegisterDlg)
        m_pRegisterDlg->deleteLater();
    m_pRegisterDlg = nullptr;
    show();
    activateWindow();
    // The new account is in the box; its password comes next.
    m_pPassword->setFocus(Qt::OtherFocusReason);
}

void KivIMLoginDlg::RecoverAcceptDelete() {
    if (m_pRecoverDlg)
        m_pRecoverDlg->deleteLater();
    m_pRecoverDlg = nullptr;
    show();
    activateWindow();
}

void KivIMLoginDlg::trayiconActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick &&
        (reason != QSystemTrayIcon::Trigger || !KivTrayOpensOnSingleClick()))
        return;
    showNormal();
    raise();
    show();
}

void KivIMLoginDlg::bClose_Clicked() {
    if (m_pTray)
        m_pTray->hide();
    close();
    QApplication::exit(0);
}

void KivIMLoginDlg::bMinimize_Clicked() {
    showMinimized();
}

bool KivIMLoginDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QWindowBase::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Enter && (key->modifiers() & Qt::KeypadModifier)) {
        onLoginButtonClicked();
        return true;
    }
    if (key->key() == Qt::Key_Tab) {
        if (watched == m_pPassword) {
            m_pAccount->LineEdit()->setFocus(Qt::OtherFocusReason);
        } else {
            m_pPassword->setFocus(Qt::OtherFocusReason);
        }
        return true;
    }
    return QWindowBase::eventFilter(watched, event);
}
