#include "CKivDevDemoSeed.h"

#include <QTextStream>

#include "CKivDevOfflineStore.h"
#include "CKivDevUserStore.h"
#include "KivDevUser.h"

namespace {

struct DemoUser {
    std::uint32_t uid;
    const char* account;
    const char* nickName;
    const char* sign;
    int sex;
    const char* birthday;
    const char* area;
    const char* phone;
    std::uint32_t head;
    bool vip;
    float gift;
};

const char kPassword[] = "123456";

const DemoUser kUsers[] = {
    {10001, "10001", "张三", "今天天气不错", 1, "1990-01-01", "北京", "13800000001", 1, false,
     100.0f},
    {10002, "10002", "李四", "努力工作，好好生活", 0, "1992-05-12", "上海", "13800000002", 2, false,
     20.5f},
    {10003, "10003", "王五", "VIP会员", 1, "1988-09-30", "广州", "13800000003", 3, true, 888.0f},
    {10004, "10004", "赵六", "周末去爬山", 0, "1995-12-24", "深圳", "13800000004", 4, false, 0.0f},
    {10005, "10005", "小明", "很高兴认识大家", 1, "2000-06-01", "杭州", "13800000005", 5, false,
     5.0f},
};

const std::pair<std::uint32_t, std::uint32_t> kFriendships[] = {
    {10001, 10002}, {10001, 10003}, {10001, 10004}, {10002, 10003}, {10002, 10004}};

}  // namespace

std::vector<CKivDevDemoSeed::Account> CKivDevDemoSeed::accounts() {
    std::vector<Account> all;
    for (const DemoUser& user : kUsers) {
        all.push_back({QString::fromLatin1(user.account), QString::fromLatin1(kPassword),
                       QString::fromUtf8(user.nickName)});
    }
    return all;
}

bool CKivDevDemoSeed::run() {
    bool firstRun = false;
    for (const DemoUser& demo : kUsers) {
        if (m_users.byUid(demo.uid) || m_users.byAccount(QString::fromLatin1(demo.account))) {
            continue;
        }
        KivDevUser user;
        user.uid = demo.uid;
        user.account = QString::fromLatin1(demo.account);
        user.nickName = QString::fromUtf8(demo.nickName);
        user.sign = QString::fromUtf8(demo.sign);
        user.sex = demo.sex;
        user.birthday = QString::fromLatin1(demo.birthday);
        user.area = QString::fromUtf8(demo.area);
        user.phone = QString::fromLatin1(demo.phone);
        user.head = demo.head;
        user.vip = demo.vip;
        user.giftBalance = demo.gift;
        if (!m_users.create(user, CKivDevUserStore::digest(kPassword))) {
            return false;
        }
        firstRun = firstRun || demo.uid == kUsers[0].uid;
    }
    for (const auto& pair : kFriendships) {
        if (!m_users.addFriendship(pair.first, pair.second)) {
            return false;
        }
    }
    // The waiting items come once, with the first account.
    if (firstRun) {
        const bool added = m_offline.add(10001, CKivDevOfflineStore::ChatItem, 10002,
                                         QByteArray("你好，在吗？")) &&
                           m_offline.add(10001, CKivDevOfflineStore::ChatItem, 10003,
                                         QByteArray("明天一起吃饭吧[微笑]\n老地方见")) &&
                           m_users.addRequest(10005, 10001) &&
                           m_offline.add(10001, CKivDevOfflineStore::RequestItem, 10005,
                                         QByteArray("我是小明，加个好友吧"));
        if (!added) {
            return false;
        }
    }
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << "kivDevServer: demo accounts (password " << kPassword << "):";
    for (const Account& account : accounts()) {
        out << ' ' << account.account << '(' << account.nickName << ')';
    }
    out << '\n';
    out.flush();
    return true;
}
