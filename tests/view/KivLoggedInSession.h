#pragma once

#include <memory>

#include "CKivDevServerProcess.h"
#include "KivTestClock.h"
#include "KivViewTestTree.h"
#include "shell/KivIMMainDlg.h"

class CKivSession;

// A client logged in to the real development server in a throw-away data
// tree, with its main window: what the contact dialogs need to run.
class KivLoggedInSession {
public:
    KivLoggedInSession();
    ~KivLoggedInSession();

    // Starts the server and logs the net model in; false on any failure.
    bool start(const QString& account = QStringLiteral("10001"));
    CKivDevServerProcess& server() { return *m_server; }
    KivIMMainDlg* mainWindow() { return m_window.get(); }
    CKivSession& session() { return *m_session; }
    // The session waits on this clock.
    KivTestClock& clock() { return m_clock; }
    const KivViewTestTree& tree() const { return *m_tree; }
    // Stores a friend request to the logged-in account from `from`, as one
    // that arrived while it was away; false when the database refuses it.
    bool storeFriendRequest(quint32 from, const QByteArray& nick, const QByteArray& text);

private:
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CKivDevServerProcess> m_server;
    KivTestClock m_clock;
    std::unique_ptr<CKivSession> m_session;
    std::unique_ptr<KivIMMainDlg> m_window;
};
