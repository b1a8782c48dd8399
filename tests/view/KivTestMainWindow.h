#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <memory>

#include "KivProtocol.h"

class CKivSession;
class KivIMMainDlg;
class KivViewTestTree;

// Deletes the main window a login dialog made when the test's scope ends;
// declared after the dialog, it goes before the dialog and its session.
struct KivMainWindowGone {
    ~KivMainWindowGone();
};

// A session's main window without a server, as the login dialog fills it:
// account "tester", nick name "张三", and the friend list given.
class KivTestMainWindow {
public:
    using Friends = QList<QPair<Uint32, QString>>;
    static constexpr Uint32 kOwnUid = 10001;

    // The account's chat database, made and connected in the current folder.
    static bool OpenDatabase();
    // Closes the window, the connection and the database, then the tree.
    static void LogOut(std::unique_ptr<KivIMMainDlg>& window,
                       std::unique_ptr<KivViewTestTree>& tree);
    // The friend list record for `friends`, heads numbered from 1.
    static tag_friend_result FriendList(const Friends& friends);
    // The window, also made the session's main window, on a new session.
    static std::unique_ptr<KivIMMainDlg> LogIn(const Friends& friends);
    // The session of the last LogIn, until LogOut.
    static CKivSession& Session();
    // A message from `from` stored as the network thread stores a received
    // one; the row's id, 0 when the database refused it.
    static qint64 StoreReceived(Uint32 from, const QByteArray& text);
};
