#include "shell/KivChatDialogs.h"

#include <QApplication>

#include "chat/CKivIMChatDlg.h"
#include "chat/tag_chatdlg_Need.h"

KivChatDialogs::KivChatDialogs(CKivSession& session, NeedFor needFor, Made made)
    : m_session(session), m_needFor(std::move(needFor)), m_made(std::move(made)) {}

KivChatDialogs::~KivChatDialogs() = default;

CKivIMChatDlg* KivChatDialogs::Dialog(quint32 uid) {
    std::unique_ptr<CKivIMChatDlg>& slot = m_dialogs[uid];
    if (!slot) {
        slot = std::make_unique<CKivIMChatDlg>(nullptr, m_session);
        m_made(slot.get());
        tag_chatdlg_Need need = m_needFor(uid);
        slot->initChatDlg(need);
    }
    return slot.get();
}

CKivIMChatDlg* KivChatDialogs::Open(quint32 uid) {
    CKivIMChatDlg* dialog = Dialog(uid);
    tag_chatdlg_Need need = m_needFor(uid);
    dialog->initChatDlg(need);
    if (dialog->isMinimized()) {
        dialog->showNormal();
    } else {
        dialog->show();
    }
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}

void KivChatDialogs::SetSign(quint32 uid, const QString& sign) {
    const auto existing = m_dialogs.find(uid);
    if (existing != m_dialogs.end())
        existing->second->setSignText(sign);
}

QVector<KivChatDialogs::Pile> KivChatDialogs::Deliver(
    const QVector<KivChatQueries::Received>& received, bool waitingBefore, quint32 ownUid,
    bool* shown) {
    QVector<Pile> piles;
    *shown = false;
    for (int first = 0; first < received.size();) {
        const quint32 sender = received[first].sender;
        int end = first + 1;
        while (end < received.size() && received[end].sender == sender)
            ++end;
        CKivIMChatDlg* dialog = Dialog(sender);
        // What waited before this session always waits for the user.
        if (!waitingBefore && dialog->isVisible()) {
            QApplication::alert(dialog);
            for (int i = first; i < end; ++i)
                dialog->ShowFriendMessage(received[i].text);
            // Shown, also in a minimised window: it must not come back as unread.
            KivChatQueries::MarkReadUpTo(sender, ownUid, received[end - 1].id);
            *shown = true;
        } else {
            for (int i = first; i < end; ++i)
                dialog->InsertMsg(received[i].text);
            piles.append({sender, end - first, received[end - 1].text, received[end - 1].time});
        }
        first = end;
    }
    return piles;
}

bool KivChatDialogs::DeliverText(quint32 uid, const QString& text) {
    CKivIMChatDlg* dialog = Dialog(uid);
    if (dialog->isVisible()) {
        QApplication::alert(dialog);
        dialog->ShowFriendMessage(text);
        return true;
    }
    dialog->InsertMsg(text);
    return false;
}
