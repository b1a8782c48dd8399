#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <memory>

#include "KivProtocol.h"

class KivIMMainDlg;

// A session's main window without a server, as the login dialog fills it:
// account "tester", nick name "张三", and the friend list given.
class KivTestMainWindow {
public:
    using Friends = QList<QPair<Uint32, QString>>;
    static constexpr Uint32 kOwnUid = 10001;

    // The friend list record for `friends`, heads numbered from 1.
    static tag_friend_result FriendList(const Friends& friends);
    // The window, also made the session's main window.
    static std::unique_ptr<KivIMMainDlg> LogIn(const Friends& friends);
    // A message from `from` stored as the network thread stores a received
    // one; the row's id, 0 when the database refused it.
    static qint64 StoreReceived(Uint32 from, const QByteArray& text);
};
