#include "account/KivCheckCodeDlg.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivProtocol.h"
#include "account/KivPhoneNumber.h"
#include "account/KivResendCountdown.h"
#include "shell/KivFriendMyMessageBoxView.h"

namespace {

const QSize kFallbackSize(430, 400);
const int kBandHeight = 96;
const int kFormMargin = 48;
const int kButtonWidth = 150;
const int kButtonHeight = 34;

QLabel* FieldLabel(const char* objectName, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setFont(QFont(QStringLiteral("微软雅黑")));
    return label;
}

QLineEdit* Field(const char* objectName, const QString& placeholder, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setPlaceholderText(placeholder);
    edit->setFixedHeight(30);
    return edit;
}

}  // namespace

KivCheckCodeDlg::KivCheckCodeDlg(const Form& form, QWidget* parent, CKivSession& session)
    : QWindowBase(parent), m_session(session) {
    setObjectName(QString::fromLatin1(form.objectName));
    setWindowTitle(tr(form.title));

    const QPixmap background(QString::fromLatin1(form.background));
    setFixedSize(background.isNull() ? kFallbackSize : background.size());
    if (!background.isNull()) {
        QPalette pal = palette();
        pal.setBrush(QPalette::Window, QBrush(background));
        setPalette(pal);
        setAutoFillBackground(true);
    }
    SetSkin(QString::fromLatin1(form.sheet));
    SetBtnNumber(false);
    EnableMove(true);
    m_pMinimize->setFlat(true);
    m_pClose->setFlat(true);
    connect(m_pMinimize, &QPushButton::clicked, this, &KivCheckCodeDlg::bMinimize_Clicked);
    connect(m_pClose, &QPushButton::clicked, this, &KivCheckCodeDlg::bClose_Clicked);

    BuildForm(form);
    m_pCountdown =
        new KivResendCountdown(form.firstWait, form.laterWait, m_pCountdownLabel, m_pGetCode, this);
    connect(m_pCountdown->Timer(), &QTimer::timeout, this, &KivCheckCodeDlg::TimerEnd);
    connect(m_pCloseButton, &QPushButton::clicked, this, &KivCheckCodeDlg::bClose_Clicked);
}

void KivCheckCodeDlg::BuildForm(const Form& form) {
    auto* title = new QLabel(tr(form.title), this);
    title->setObjectName(QStringLiteral("labelTitle"));
    title->setGeometry(16, 4, 200, 26);

    auto* area = new QWidget(this);
    area->setObjectName(QStringLiteral("layoutWidget"));
    area->setGeometry(kFormMargin, kBandHeight + 20, width() - 2 * kFormMargin, 190);
    m_pGrid = new QGridLayout(area);
    m_pGrid->setObjectName(QStringLiteral("gridLayout"));
    m_pGrid->setContentsMargins(0, 0, 0, 0);
    m_pGrid->setHorizontalSpacing(10);
    m_pGrid->setVerticalSpacing(12);

    // No length limits on the fields: a pasted text cut short would be sent as
    // something the user never typed. The checks refuse what does not fit.
    m_pPhone = Field("EditPhoneNumber", tr("请输入手机号码"), area);
    m_pPhone->setInputMethodHints(Qt::ImhDigitsOnly);
    m_pCode = Field("EditPhoneCode", tr("请输入手机验证码"), area);
    m_pPasswd = Field("EditPasswd", tr("请输入密码"), area);
    m_pPasswd2 = Field("EditPasswd_2", tr("请再次输入密码"), area);
    for (QLineEdit* secret : {m_pPasswd, m_pPasswd2})
        secret->setEchoMode(QLineEdit::Password);
    m_passwordBytes = form.passwordBytes;
    m_pGetCode = new QPushButton(tr("获取验证码"), area);
    m_pGetCode->setObjectName(QStringLiteral("b_GetCode"));
    m_pGetCode->setFixedSize(104, 30);
    m_pGetCode->setCursor(Qt::PointingHandCursor);
    m_pCountdownLabel = new QLabel(area);
    m_pCountdownLabel->setObjectName(QStringLiteral("labelCountdown"));
    m_pCountdownLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QSizePolicy keepRoom = m_pCountdownLabel->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    m_pCountdownLabel->setSizePolicy(keepRoom);

    // Row 0 is left to the dialog's own fields.
    // Each field is named as the label beside it.
    const std::pair<QLineEdit*, QString> named[] = {{m_pPhone, tr("手机号码")},
                                                    {m_pCode, tr("验证码")},
                                                    {m_pPasswd, tr("密码")},
                                                    {m_pPasswd2, tr("确认密码")}};
    for (const auto& [field, name] : named)
        field->setAccessibleName(name);
    m_pGrid->addWidget(FieldLabel("label_2", named[0].second, area), 1, 0);
    m_pGrid->addWidget(m_pPhone, 1, 1, 1, 2);
    m_pGrid->addWidget(FieldLabel("label_7", named[1].second, area), 2, 0);
    m_pGrid->addWidget(m_pCode, 2, 1);
    m_pGrid->addWidget(m_pGetCode, 2, 2);
    m_pGrid->addWidget(m_pCountdownLabel, 3, 1, 1, 2);
    m_pGrid->addWidget(FieldLabel("label_3", named[2].second, area), 4, 0);
    m_pGrid->addWidget(m_pPasswd, 4, 1, 1, 2);
    m_pGrid->addWidget(FieldLabel("label_4", named[3].second, area), 5, 0);
    m_pGrid->addWidget(m_pPasswd2, 5, 1, 1, 2);
    m_pGrid->setRowStretch(6, 1);

    m_pCloseButton = new QPushButton(tr("取消"), this);
    m_pCloseButton->setObjectName(QStringLiteral("bClose"));
    m_pSubmit = new QPushButton(tr(form.submitText), this);
    m_pSubmit->setObjectName(QString::fromLatin1(form.submitName));
    m_pSubmit->setDefault(true);
    const int left = (width() - 2 * kButtonWidth - 16) / 2;
    const int top = height() - kButtonHeight - 24;
    m_pCloseButton->setGeometry(left, top, kButtonWidth, kButtonHeight);
    m_pSubmit->setGeometry(left + kButtonWidth + 16, top, kButtonWidth, kButtonHeight);
    for (QPushButton* button : {m_pCloseButton, m_pSubmit})
        button->setCursor(Qt::PointingHandCursor);

    setTabOrder(m_pPhone, m_pCode);
    setTabOrder(m_pCode, m_pGetCode);
    setTabOrder(m_pGetCode, m_pPasswd);
    setTabOrder(m_pPasswd, m_pPasswd2);
    setTabOrder(m_pPasswd2, m_pSubmit);
    setTabOrder(m_pSubmit, m_pCloseButton);
    // The title bar's buttons come last, after the form.
    setTabOrder(m_pCloseButton, m_pMinimize);
    setTabOrder(m_pMinimize, m_pClose);
    m_pPhone->setFocus();
}

bool KivCheckCodeDlg::IsCountdownRunning() const {
    return m_pCountdown->IsRunning();
}

int KivCheckCodeDlg::CountdownSeconds() const {
    return m_pCountdown->Seconds();
}

void KivCheckCodeDlg::StartCountdown() {
    m_pCountdown->Start();
}

void KivCheckCodeDlg::TimerEnd() {
    m_pCountdown->Tick();
}

// The record carries the password as Latin-1 text of limited length, and the
// login digests it the same way; anything else would be changed on the way.
bool KivCheckCodeDlg::CheckPasswords() {
    const QString password = m_pPasswd->text();
    if (password.isEmpty()) {
        ShowMessage(tr("请输入密码！"), m_pPasswd);
        return false;
    }
    if (password.size() > m_passwordBytes) {
        ShowMessage(tr("密码不能超过%n个字符！", nullptr, m_passwordBytes), m_pPasswd);
        return false;
    }
    for (const QChar c : password) {
        if (c.unicode() > 0xFF || !c.isPrint()) {
            ShowMessage(tr("密码只能由字母、数字和符号组成！"), m_pPasswd);
            return false;
        }
    }
    if (password != m_pPasswd2->text()) {
        ShowMessage(tr("两次输入密码不匹配！"), m_pPasswd2);
        return false;
    }
    return true;
}

QString KivCheckCodeDlg::Phone() const {
    return m_pPhone->text().trimmed();
}

QString KivCheckCodeDlg::TypedCode() const {
    return m_pCode->text().trimmed();
}

bool KivCheckCodeDlg::ShowMessage(const QString& text, QLineEdit* field) {
    const QPointer<KivCheckCodeDlg> self(this);
    m_pFocusAfterBox = field;
    // On the heap: the box must not outlive a dialog destroyed while it waits.
    QPointer<KivFriendMyMessageBoxView> box = new KivFriendMyMessageBoxView(this);
    box->SetOneButton(tr("提示"), text, tr("确定"));
    connect(box.data(), &KivFriendMyMessageBoxView::bBtn1NameClickedSignal, this,
            &KivCheckCodeDlg::BoxMessageSlot);
    box->exec();
    delete box.data();
    return !self.isNull();
}

void KivCheckCodeDlg::BoxMessageSlot() {
    if (!m_pFocusAfterBox)
        return;
    m_pFocusAfterBox->setFocus(Qt::OtherFocusReason);
    m_pFocusAfterBox->selectAll();
}

bool KivCheckCodeDlg::Delivered(bool sent) {
    if (sent)
        return true;
    if (!m_session.Net().IsConnected())
        m_session.Net().Connect_Svr();
    ShowMessage(tr("请检查您的网络连接!"));
    return false;
}

void KivCheckCodeDlg::bMinimize_Clicked() {
    showMinimized();
}

void KivCheckCodeDlg::bClose_Clicked() {
    hide();
    emit CloseSignal();
}

// Escape and the window manager's close end the dialog like its close buttons,
// so the owner always hears of it.
void KivCheckCodeDlg::reject() {
    bClose_Clicked();
}

bool KivCheckCodeDlg::CheckPhone() {
    if (KivPhoneNumber::IsValid(Phone()))
        return true;
    ShowMessage(tr("手机号码格式输入不正确！"), m_pPhone);
    return false;
}

bool KivCheckCodeDlg::RequestCheckNumber(const QString& phone, KivCheckPurpose purpose) {
    if (!Delivered(m_session.RequestCheckNumber(phone, purpose)))
        return false;
    m_requestedPhone = phone;
    return true;
}
