#pragma once

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QString;
class QWidget;
class kivFriendQPainterLabelView;

// The widgets of the main window, all children of it: the header with the own
// head, nick name and signature, the page tabs, the stacked pages and the
// bottom buttons.
struct KivMainDlgForm {
    explicit KivMainDlgForm(QWidget* window);

    // The pressed tab's picture on `pressed` (a page index), the others released.
    void ShowTab(int pressed) const;
    // The own signature in its line, whole in the tip (both plain text).
    void ShowSign(const QString& text) const;

    kivFriendQPainterLabelView* head = nullptr;
    QLabel* nickName = nullptr;
    QLineEdit* sign = nullptr;
    // Stands where the signature is while the connection is being healed.
    QPushButton* stateLine = nullptr;
    QPushButton* tabChat = nullptr;
    QPushButton* tabFriend = nullptr;
    QPushButton* tabVip = nullptr;
    QStackedWidget* pages = nullptr;
    QPushButton* settings = nullptr;
    QPushButton* check = nullptr;
    QPushButton* requests = nullptr;
    QPushButton* home = nullptr;
    QPushButton* search = nullptr;
};
