#include "account/kivRegisterDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivProtocol.h"

namespace {

constexpr int kCheckNumberIssued = 2;
constexpr int kPhoneRefused = 1;
constexpr int kRegistered = 0;
constexpr int kAccountTaken = 1;

const KivCheckCodeDlg::Form kForm = {
    "kivRegisterDlg",
    QT_TRANSLATE_NOOP("KivCheckCodeDlg", "注册"),
    "Resources/skin/kivRegisterDlg/backgroung_Image.png",
    "Resources/skin/kivRegisterDlg/kivRegisterDlg.qss",
    "b_Submit",
    QT_TRANSLATE_NOOP("KivCheckCodeDlg", "注册"),
    kivRegisterDlg::kFirstWait,
    kivRegisterDlg::kLaterWait,
    int(sizeof(RegisterRequest::password)) - 1,
};

}  // namespace

kivRegisterDlg::kivRegisterDlg(QWidget* parent, CKivSession& session)
    : KivCheckCodeDlg(kForm, parent, session) {
    QWidget* area = m_pGrid->parentWidget();
    auto* accountLabel = new QLabel(tr("账号"), area);
    accountLabel->setObjectName(QStringLiteral("label"));
    m_pAccount = new QLineEdit(area);
    m_pAccount->setObjectName(QStringLiteral("EditAccount"));
    m_pAccount->setPlaceholderText(tr("账号为手机号"));
    m_pAccount->setAccessibleName(accountLabel->text());
    m_pGrid->addWidget(accountLabel, 0, 0);
    m_pGrid->addWidget(m_pAccount, 0, 1, 1, 2);
    // The account is the phone number; the field is kept but not shown.
    accountLabel->hide();
    m_pAccount->hide();

    connect(&m_session.Net(), &CKivFriendNetModel::RegisterResult, this,
            &kivRegisterDlg::NetRegisterResult);
    connect(&m_session.Net(), &CKivFriendNetModel::MsgRegistRet, this,
            &kivRegisterDlg::AcceptMsgRegistRetSlot);
    connect(m_pSubmit, &QPushButton::clicked, this, &kivRegisterDlg::bSubmit_Clicked);
    connect(m_pGetCode, &QPushButton::clicked, this, &kivRegisterDlg::getCodeClicked);
}

void kivRegisterDlg::getCodeClicked() {
    if (CheckPhone())
        SendRegist(Phone());
}

void kivRegisterDlg::SendRegist(QString phone) {
    RequestCheckNumber(phone, KivCheckForRegister);
}

void kivRegisterDlg::AcceptMsgRegistRetSlot(int uResult, QString checkNumber, int uid) {
    if (m_requestedPhone.isEmpty())
        return;
    if (uResult == kPhoneRefused) {
        ShowMessage(tr("该手机号码已注册或不存在！"), m_pPhone);
        return;
    }
    if (uResult != kCheckNumberIssued)
        return;
    // A later answer replaces the number: the server keeps only the newest one.
    if (uid != 0)
        m_uid = uid;
    m_checkNumber = checkNumber.trimmed();
    m_codePhone = m_requestedPhone;
    StartCountdown();
}

void kivRegisterDlg::bSubmit_Clicked() {
    const QString phone = Phone();
    if (!CheckPhone() || !CheckPasswords())
        return;
    if (TypedCode().isEmpty()) {
        ShowMessage(tr("请输入验证码！"), m_pCode);
        return;
    }
    // A number sent to another phone does not prove this one.
    if (m_checkNumber.isEmpty() || TypedCode() != m_checkNumber || phone != m_codePhone) {
        ShowMessage(tr("验证码输入不正确！"), m_pCode);
        return;
    }
    if (m_uid == 0) {
        ShowMessage(tr("注册失败！"));
        return;
    }
    SendRegisterRecord(phone);
}

void kivRegisterDlg::SendRegisterRecord(const QString& phone) {
    if (Delivered(m_session.Register(quint32(m_uid), phone, m_pPasswd->text(), TypedCode())))
        m_waitingForResult = true;
}

void kivRegisterDlg::NetRegisterResult(int result) {
    // Only the answer to this dialog's own request counts.
    if (!m_waitingForResult)
        return;
    m_waitingForResult = false;
    if (result == kRegistered) {
        m_phone = Phone().toLatin1();
        emit SetPhoneNumber(QString::fromLatin1(m_phone));
        if (!ShowMessage(tr("注册成功")))
            return;
        hide();
        emit CloseSignal();
    } else if (result == kAccountTaken) {
        ShowMessage(tr("此账号已注册"), m_pPhone);
    } else {
        // The server refused the number or the check number; say so rather than nothing.
        ShowMessage(tr("注册失败！"));
    }
}
