#include "shell/KivHistorySearchDlg.h"

#include <QPushButton>

#include "chat/KivChatSearchPanel.h"
#include "support/KivSkinBackground.h"

namespace {

// Below the 40 px title band.
constexpr int kTop = 48;
constexpr int kMargin = 12;

}  // namespace

KivHistorySearchDlg::KivHistorySearchDlg(QWidget* parent) : QWindowBase(parent) {
    setObjectName(QStringLiteral("chatSearchWindow"));
    setWindowTitle(tr("搜索聊天记录"));
    KivSkinBackground::Apply(
        this, QStringLiteral("Resources/skin/kivHistorySearch/SearchDlgBackImage.png"),
        QSize(420, 520));
    KivSkinBackground::AddTitle(this, tr("搜索聊天记录"));
    m_pPanel = new KivChatSearchPanel(this);
    SetBtnNumber(false);
    EnableMove(true);
    SetSkin(QStringLiteral("Resources/skin/kivHistorySearch/kivHistorySearch.qss"));
    connect(m_pClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_pMinimize, &QPushButton::clicked, this, &QWidget::showMinimized);
}

void KivHistorySearchDlg::resizeEvent(QResizeEvent* event) {
    QWindowBase::resizeEvent(event);
    m_pPanel->setGeometry(kMargin, kTop, width() - 2 * kMargin, height() - kTop - kMargin);
}
