#include "KivTestMainWindow.h"

#include "CKivFriendDBModel.h"
#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivSession.h"
#include "KivViewTestTree.h"
#include "shell/KivIMMainDlg.h"

namespace {

std::unique_ptr<CKivSession>& CurrentSession() {
    static std::unique_ptr<CKivSession> session;
    return session;
}

}  // namespace

KivMainWindowGone::~KivMainWindowGone() {
    delete KivIMMainDlg::mainDlg;
}

CKivSession& KivTestMainWindow::Session() {
    return *CurrentSession();
}

bool KivTestMainWindow::OpenDatabase() {
    CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
    return db->CreateDB(QStringLiteral("tester")) && db->ConnectDB();
}

void KivTestMainWindow::LogOut(std::unique_ptr<KivIMMainDlg>& window,
                               std::unique_ptr<KivViewTestTree>& tree) {
    window.reset();
    CurrentSession().reset();
    CKivFriendNetModel::GetInstance()->Delete_Socket();
    CKivFriendSqlUtilCommon::ReleaseSqlUtil();
    tree.reset();
    KivViewTestTree::ForgetQuit();
}

tag_friend_result KivTestMainWindow::FriendList(const Friends& friends) {
    tag_friend_result list{};
    list.count = Uint32(friends.size());
    auto* records = reinterpret_cast<FriendRecord*>(list.data);
    for (int i = 0; i < friends.size(); ++i) {
        records[i].uid = friends[i].first;
        records[i].head = Uint32(i + 1);
        KivWriteText(records[i].name, friends[i].second.toUtf8());
    }
    return list;
}

std::unique_ptr<KivIMMainDlg> KivTestMainWindow::LogIn(const Friends& friends) {
    CurrentSession() = std::make_unique<CKivSession>(*CKivFriendNetModel::GetInstance(),
                                                     *CKivFriendHearbeatModel::GetInstance());
    auto window = std::make_unique<KivIMMainDlg>(nullptr, *CurrentSession());
    KivIMMainDlg::mainDlg = window.get();
    window->m_uid = kOwnUid;
    window->m_account = QStringLiteral("tester");
    window->m_nickName = QStringLiteral("张三");
    window->InitMaindlg();
    window->FriendListResult(FriendList(friends));
    return window;
}

qint64 KivTestMainWindow::StoreReceived(Uint32 from, const QByteArray& text) {
    ChatMessageRecord record;
    KivInitRecord(record, ChatMessage);
    record.senderUid = from;
    record.receiverUid = kOwnUid;
    KivWriteText(record.text, text);
    qint64 id = 0;
    if (!CKivFriendDBModel::GetInstance()->InsertMsg(reinterpret_cast<const char*>(&record), &id))
        return 0;
    return id;
}
