#include "KivMainWindowLogin.h"

#include <QtTest>

#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "shell/KivIMMainDlg.h"

bool KivMainWindowLogin::LogIn(KivIMMainDlg& window, const QString& account,
                               const std::function<void()>& beforeInit) {
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    KivIMMainDlg::mainDlg = &window;
    QObject scope;
    int outcome = -1;
    QObject::connect(net, &CKivFriendNetModel::AccountLoginResult, &scope,
                     [&](int result, int uid, int head, QString name, QString sign, QString nick) {
                         outcome = result;
                         if (result != 0)
                             return;
                         window.m_uid = Uint32(uid);
                         window.m_headIndex = head;
                         window.m_account = name;
                         window.m_sign = sign;
                         window.m_nickName = nick;
                         if (beforeInit)
                             beforeInit();
                         window.InitMaindlg();
                     });
    net->Connect_Svr();
    if (!QTest::qWaitFor([net] { return net->IsConnected(); }, 10000))
        return false;
    const QByteArray login = CKivSession::LoginRequest(account, QStringLiteral("123456"));
    net->Send_Msg(login.constData(), login.size());
    return QTest::qWaitFor([&outcome] { return outcome >= 0; }, 10000) && outcome == 0;
}
