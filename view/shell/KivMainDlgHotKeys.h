#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// The session's two global hot keys, one to show the window and one to take
// the newest message: an identifier from the global atom table each, and the
// key registered with the desktop while it is held.
class KivMainDlgHotKeys {
public:
    KivMainDlgHotKeys() = default;
    KivMainDlgHotKeys(const KivMainDlgHotKeys&) = delete;
    KivMainDlgHotKeys& operator=(const KivMainDlgHotKeys&) = delete;
    // The desktop's keys go back to it with the session that took them.
    ~KivMainDlgHotKeys();

    // Lets the keys held go and takes the ones `texts` names ("ShowmDlgName",
    // "GetmsgName"); 0, or -1 when one could not be registered.
    int Register(const QMap<QString, QString>& texts);
    // Identifiers (0 when that key is not set).
    int ShowId() const { return m_showId; }
    int GetMsgId() const { return m_getMsgId; }
    // The names of the keys the last Register() could not register.
    QStringList Failed() const { return m_failed; }

private:
    static void Release(int& id);

    int m_showId = 0;
    int m_getMsgId = 0;
    QStringList m_failed;
};
