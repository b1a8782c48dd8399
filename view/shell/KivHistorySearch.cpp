#include "shell/KivHistorySearch.h"

#include <QLineEdit>

#include "CKivChatSearchFill.h"
#include "chat/KivChatSearchPanel.h"
#include "shell/KivHistorySearchDlg.h"

KivHistorySearch::KivHistorySearch(QWidget* window, Namer namer, Opener opener)
    : QObject(window), m_namer(std::move(namer)), m_opener(std::move(opener)) {}

KivHistorySearch::~KivHistorySearch() = default;

void KivHistorySearch::Start(quint32 ownUid) {
    m_ownUid = ownUid;
    m_fill = std::make_unique<CKivChatSearchFill>();
}

QWidget* KivHistorySearch::Window() const {
    return m_pWindow.get();
}

void KivHistorySearch::Show() {
    if (!m_pWindow) {
        m_pWindow = std::make_unique<KivHistorySearchDlg>();
        m_pPanel = m_pWindow->Panel();
        m_pPanel->SetScope({}, m_namer);
        connect(m_pPanel, &KivChatSearchPanel::HitActivated, this,
                [this](const KivChatSearchHit& hit) {
                    const quint32 friendUid = hit.sender == m_ownUid ? hit.receiver : hit.sender;
                    m_opener(friendUid, hit.id, hit.time);
                });
    }
    m_pWindow->show();
    m_pWindow->raise();
    m_pWindow->activateWindow();
    m_pPanel->Field()->setFocus();
}
