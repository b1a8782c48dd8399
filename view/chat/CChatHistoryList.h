#pragma once

#include <QHash>
#include <QImage>
#include <QListWidget>

class CChatItem;

// The conversation of a chat dialog as bubbles, newest at the bottom. Only
// the newest kMaxLiveMessages stay as widgets (older ones remain in the chat
// record), so a conversation that stays open keeps a bounded size.
class CChatHistoryList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kMaxLiveMessages = 200;
    // Of many messages added at once, how many are built before the view is
    // drawn, and how many more in each later turn.
    static constexpr int kFirstScreen = 24;
    static constexpr int kBacklogChunk = 32;

    explicit CChatHistoryList(QWidget* parent = nullptr);

    // Appends one message in the chat text format; the new bubble.
    CChatItem* addChatMessage(const QString& text, bool own);
    // Appends a bubble of ready HTML (a file's card); `spoken` names it for
    // screen readers.
    CChatItem* addCard(const QStringList& htmlLines, const QString& spoken, bool own);
    // Appends many messages; the newest are in sight at once, the older
    // ones are built in the next turns of the event loop.
    void addChatMessages(const QStringList& texts, bool own);
    // Messages added at once that are not built yet.
    int backlog() const { return m_backlog.size(); }
    void setHeadImages(const QString& ownPath, const QString& friendPath);
    // Where the heads come from; loaded by the next message that needs them.
    void setHeadPaths(const QString& ownPath, const QString& friendPath);
    // Who speaks in the bubbles, as a screen reader names them.
    void SetNames(const QString& ownName, const QString& friendName);

    CChatItem* itemAt(int row) const;

signals:
    // A message marked as not sent was clicked to send it again.
    void ResendRequested(CChatItem* item);
    void ActionClicked(CChatItem* item, const QString& action);

public slots:
    void clickedItem(QListWidgetItem* item);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

protected slots:
    // Only the bubbles in sight are placed and shown; the others wait hidden,
    // so a new message or a scroll moves a screenful of widgets, not all.
    void updateEditorGeometries() override;

private:
    void FollowViewportWidth();
    CChatItem* AddBubble(const QString& text, bool own, int at);
    CChatItem* AddRow(const QStringList& lines, const QString& text, bool own, int at);
    void BuildBacklogChunk();
    void FlushBacklog();
    void DropOldest();

    // The bubble of each row; asking the view would search the rows each time.
    QHash<const QListWidgetItem*, CChatItem*> m_bubbles;
    QImage m_ownHead;
    QImage m_friendHead;
    QString m_ownHeadPath;
    QString m_ownName;
    QString m_friendName;
    QString m_friendHeadPath;
    int m_viewportWidth = 0;
    QStringList m_backlog;
    bool m_backlogOwn = false;
    // The row the backlog goes above (the oldest one built of its batch).
    QListWidgetItem* m_backlogBefore = nullptr;
};
