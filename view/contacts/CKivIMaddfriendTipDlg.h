#pragma once

#include <functional>
#include <vector>

#include "KivProtocol.h"
#include "shell/QWindowBase.h"

class CKivSession;
class CFriendInfoWnd;
class QGridLayout;

// "下面联系人请求添加你为好友": the friend requests waiting for an answer,
// as cards three a row, rebuilt from the database each time it is shown.
class CKivIMaddfriendTipDlg : public QWindowBase {
    Q_OBJECT
public:
    static constexpr int kCardsPerRow = 3;

    // `isFriend` tells the users already friends: their records announce
    // the friendship and need no answer.
    CKivIMaddfriendTipDlg(QWidget* parent, CKivSession& session,
                          std::function<bool(quint32)> isFriend = {});

    CKivSession& Session() const { return m_session; }

    const std::vector<CFriendInfoWnd*>& Cards() const { return m_cards; }
    // The grid position of a card: (row, column).
    QPair<int, int> CellOf(CFriendInfoWnd* card) const;
    // Called by a card once answered: accepted cards tell the main window.
    void AcceptUser(unsigned long uid);
    void RemoveCard(CFriendInfoWnd* card);

signals:
    // The user accepted the request of uid (the answer has gone to the server).
    void UserAddAccept(Uint32 uid);

public slots:
    void bMinimize_Clicked();
    void bClose_Clicked();

protected:
    void showEvent(QShowEvent* event) override;

private:
    CKivSession& m_session;
    std::function<bool(quint32)> m_isFriend;
    void BuildCards();
    void PlaceCards();

    QGridLayout* m_pGrid = nullptr;
    class QLabel* m_pEmpty = nullptr;
    std::vector<CFriendInfoWnd*> m_cards;
};
