#include "shell/KivProfileDialogs.h"

#include "contacts/kivPersonalInfoDlg.h"
#include "shell/KivFriendMyMessageBoxView.h"

KivProfileDialogs::KivProfileDialogs(QWidget* window, CKivSession& session)
    : QObject(window), m_pWindow(window), m_session(session) {}

KivProfileDialogs::~KivProfileDialogs() = default;

kivPersonalInfoDlg* KivProfileDialogs::Dialog(quint32 uid, quint32 ownUid) {
    std::unique_ptr<kivPersonalInfoDlg>& slot = m_dialogs[uid];
    if (!slot) {
        slot = std::make_unique<kivPersonalInfoDlg>(nullptr, m_session);
        if (uid == ownUid) {
            connect(slot.get(), &kivPersonalInfoDlg::SndAlter, this,
                    &KivProfileDialogs::OwnAltered);
        } else {
            connect(slot.get(), &kivPersonalInfoDlg::SndChangeSign, this,
                    [this, uid](const QString& sign) { emit FriendSign(uid, sign); });
        }
    }
    return slot.get();
}

void KivProfileDialogs::Open(quint32 uid, quint32 ownUid, const QString& account, int mode) {
    kivPersonalInfoDlg* dialog = Dialog(uid, ownUid);
    dialog->InitInfo(uid, mode, account);
    dialog->show();
    dialog->raise();
}

void KivProfileDialogs::Await(QWidget* asker, AlterInfoDone done) {
    m_awaited.push_back({asker, std::move(done)});
}

void KivProfileDialogs::Answered(Uint32 uid, Uint32 result, Uint32 version) {
    if (m_awaited.empty())
        return;
    const Awaited awaited = m_awaited.front();
    m_awaited.pop_front();
    if (awaited.asker && awaited.done)
        awaited.done(uid, result, version);
    // Over the dialog that saved while it is shown; the head dialog hides
    // once it sent, so its answer shows over the main window.
    QWidget* over = awaited.asker && awaited.asker->isVisible() ? awaited.asker.data() : m_pWindow;
    KivFriendMyMessageBoxView::Tip(over, result == 1 ? tr("修改成功") : tr("修改失败"), tr("确定"));
}
