#pragma once

#include <QObject>
#include <functional>
#include <memory>

class CKivChatSearchFill;
class KivChatSearchPanel;
class KivHistorySearchDlg;
class QWidget;

// The session's search over every conversation: the window that holds it,
// and the background fill of the search index from login on.
class KivHistorySearch : public QObject {
    Q_OBJECT
public:
    // Names a user; opens the conversation with a friend on a message
    // (row id, time).
    using Namer = std::function<QString(quint32 uid)>;
    using Opener = std::function<void(quint32 friendUid, qint64 id, const QString& msgTime)>;

    KivHistorySearch(QWidget* window, Namer namer, Opener opener);
    ~KivHistorySearch() override;

    // Starts filling the index of the logged-in user's history.
    void Start(quint32 ownUid);
    // Shows the search window in front.
    void Show();
    QWidget* Window() const;
    KivChatSearchPanel* Panel() const { return m_pPanel; }

private:
    Namer m_namer;
    Opener m_opener;
    quint32 m_ownUid = 0;
    std::unique_ptr<CKivChatSearchFill> m_fill;
    std::unique_ptr<KivHistorySearchDlg> m_pWindow;
    KivChatSearchPanel* m_pPanel = nullptr;
};
