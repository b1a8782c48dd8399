#pragma once

#include <QImage>
#include <QStringList>
#include <QWidget>

class CTextDocument;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QToolButton;

// One message of a conversation: the sender's head and a bubble around the
// rich-text body. The user's own messages sit on the left, the friend's on
// the right edge of the list.
class CChatItem : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeadSize = 32;
    static constexpr int kTop = 10;
    static constexpr int kEdge = 4;
    static constexpr int kGap = 10;

    CChatItem(QListWidget* list, QListWidgetItem* row, const QFont& font);

    void setContent(const QStringList& htmlLines, bool own);
    // Replaces what the bubble shows (a file's card as its transfer goes on);
    // `picture` is what the lines name as "kivpicture:shown".
    void ReplaceContent(const QStringList& htmlLines, const QImage& picture = QImage());
    void setHead(const QPixmap& head);

    bool IsOwn() const { return m_bOwn; }
    CTextDocument* Body() const { return m_pBody; }
    QListWidgetItem* Row() const { return m_pRow; }

    // The plain chat text the message was made from (kept for resending).
    QString PlainText() const { return m_plain; }
    void SetPlainText(const QString& plain) { m_plain = plain; }
    // A message that did not leave carries a mark; clicking it asks to resend.
    void SetFailed(bool failed);
    bool IsFailed() const { return m_bFailed; }
    // A message that waits in the outbox for the connection carries the same
    // mark, with a tip saying it goes out by itself; wasSent: it went out on a
    // connection that ended before the server confirmed it.
    void SetHeld(bool held, bool wasSent = false);
    // A message on its way carries a small clock until the server confirmed it.
    void SetSending(bool sending);
    bool IsSending() const { return m_bSending; }
    // The tip of the mark shown (empty without one).
    QString MarkTip() const;

    // Measures the body and places head and body for the list's current width.
    void Relayout();
    // The list changed width: measure again at the next paint.
    void ListWidthChanged();

signals:
    void ResendRequested(CChatItem* item);
    // One of the bubble's own links was clicked (a file card's buttons).
    void ActionClicked(CChatItem* item, const QString& action);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Place(const QSize& bodySize);
    // Beside the body, centred on it.
    void PlaceMark(QWidget* mark);

    QListWidget* m_pList = nullptr;
    QListWidgetItem* m_pRow = nullptr;
    QLabel* m_pHead = nullptr;
    CTextDocument* m_pBody = nullptr;
    QToolButton* m_pFailedMark = nullptr;
    QLabel* m_pSendingMark = nullptr;
    QString m_plain;
    bool m_bOwn = true;
    bool m_bFailed = false;
    bool m_bSending = false;
};
