#pragma once

#include "shell/QWindowBase.h"

class KivChatSearchPanel;

// "搜索聊天记录": the window of the search over every conversation, framed
// like the other dialogs (title band, own title buttons, moved by dragging).
class KivHistorySearchDlg : public QWindowBase {
    Q_OBJECT
public:
    explicit KivHistorySearchDlg(QWidget* parent = nullptr);

    KivChatSearchPanel* Panel() const { return m_pPanel; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    KivChatSearchPanel* m_pPanel;
};
