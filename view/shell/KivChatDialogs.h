#pragma once

#include <QString>
#include <QVector>
#include <functional>
#include <map>
#include <memory>

#include "KivChatQueries.h"

class CKivIMChatDlg;
class CKivSession;
struct tag_chatdlg_Need;

// The chat dialogs of a session, one per friend, made when first needed (most
// friends never get one), and the received messages they take.
class KivChatDialogs {
public:
    // What a dialog is told about its friend, asked each time it is set up.
    using NeedFor = std::function<tag_chatdlg_Need(quint32 uid)>;
    // Called with each new dialog.
    using Made = std::function<void(CKivIMChatDlg* dialog)>;

    KivChatDialogs(CKivSession& session, NeedFor needFor, Made made);
    ~KivChatDialogs();

    // The dialog of uid, made (hidden, set up) when first asked for.
    CKivIMChatDlg* Dialog(quint32 uid);
    bool Has(quint32 uid) const { return m_dialogs.find(uid) != m_dialogs.end(); }
    // Sets the dialog up again and brings it to the front, out of the task bar.
    CKivIMChatDlg* Open(quint32 uid);
    void SetSign(quint32 uid, const QString& sign);

    // A friend's messages that went onto his pile instead of into sight.
    struct Pile {
        quint32 sender = 0;
        int count = 0;
        QString lastText;
        QString lastTime;
    };
    // Hands out received rows, ordered by sender. A sender's open dialog
    // (also minimised) shows them, and they are marked read then, unless they
    // waited from before this session (`waitingBefore`): those, and the rows of
    // closed dialogs, are queued in the dialog and returned as piles.
    // `*shown` says whether any were shown.
    QVector<Pile> Deliver(const QVector<KivChatQueries::Received>& received, bool waitingBefore,
                          quint32 ownUid, bool* shown);
    // A received text that has no row: shown at once, or queued (false).
    bool DeliverText(quint32 uid, const QString& text);

private:
    CKivSession& m_session;
    NeedFor m_needFor;
    Made m_made;
    std::map<quint32, std::unique_ptr<CKivIMChatDlg>> m_dialogs;
};
