#include "KivLoggedInSession.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendReadConfigModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivSession.h"
#include "KivProtocol.h"
#include "KivThreadSpy.h"

KivLoggedInSession::KivLoggedInSession()
    : m_tree(std::make_unique<KivViewTestTree>()),
      m_server(std::make_unique<CKivDevServerProcess>()),
      m_session(std::make_unique<CKivSession>(*CKivFriendNetModel::GetInstance(),
                                              *CKivFriendHearbeatModel::GetInstance(), nullptr,
                                              m_clock)) {}

KivLoggedInSession::~KivLoggedInSession() {
    m_window.reset();
    m_session.reset();
    CKivFriendNetModel::GetInstance()->Delete_Socket();
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    CKivFriendReadConfigModel::ReleaseInstance();
    m_server.reset();
    m_tree.reset();
    KivViewTestTree::ForgetQuit();
}

bool KivLoggedInSession::start(const QString& account) {
    if (!m_server->start())
        return false;
    // The build's pictures, skins and area database, as the client has them.
    const QString data = QStringLiteral(KIV_DATA_DIR);
    QDir().mkpath(QStringLiteral("DB"));
    for (const char* entry : {"image", "Resources", "DB/location_list.db"}) {
        const QString name = QString::fromLatin1(entry);
        QFile::link(data + QLatin1Char('/') + name, name);
    }
    m_tree->writeFile(QStringLiteral("Config/config.ini"),
                      QStringLiteral("[base]\nipaddr=127.0.0.1\nport=%1\nversion=1\n"
                                     "fileHostaddr=127.0.0.1\nfilehostport=%2\n")
                          .arg(m_server->tcpPort())
                          .arg(m_server->httpPort())
                          .toLatin1());
    CKivFriendReadConfigModel::ReleaseInstance();
    CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
    net->SetServerIP_And_Port("127.0.0.1", m_server->tcpPort());
    net->Connect_Svr();
    if (!QTest::qWaitFor([net] { return net->IsConnected(); }, 10000))
        return false;

    m_window = std::make_unique<KivIMMainDlg>(nullptr, *m_session);
    KivIMMainDlg::mainDlg = m_window.get();
    KivThreadSpy loggedIn(net, &CKivFriendNetModel::AccountLoginResult);
    LoginRequest request;
    KivInitRecord(request, Login);
    KivWriteText(request.account, account.toLatin1());
    KivWriteText(request.password,
                 QCryptographicHash::hash("123456", QCryptographicHash::Md5).toHex());
    KivWriteText(request.localIp, "127.0.0.1");
    request.param1 = 23;
    request.param3 = 1;
    net->Send_Msg(reinterpret_cast<const char*>(&request), int(sizeof(request)));
    if (!loggedIn.wait(10000) || loggedIn.first().value(0).toInt() != 0)
        return false;
    m_window->m_uid = net->GetUID();
    m_window->m_account = account;
    m_window->m_nickName = loggedIn.first().value(5).toString();
    m_window->InitMaindlg();
    // The friend list follows the login; the pages are filled once it is in.
    return QTest::qWaitFor([this] { return !m_window->Friends().empty(); }, 10000);
}

bool KivLoggedInSession::storeFriendRequest(quint32 from, const QByteArray& nick,
                                            const QByteArray& text) {
    AddFriendPushRecord record;
    KivInitRecord(record, AddFriendPush);
    record.fromUid = from;
    record.toUid = CKivFriendNetModel::GetInstance()->GetUID();
    record.headIndex = from % 20;
    record.sex = 1;
    KivWriteText(record.account, QByteArray::number(from));
    KivWriteText(record.nickName, nick);
    KivWriteText(record.requestText, text);
    return CKivFriendDBModel::GetInstance()->SaveAddFriendRequest(
        reinterpret_cast<const char*>(&record));
}
