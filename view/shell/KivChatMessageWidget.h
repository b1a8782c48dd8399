#pragma once

#include <QModelIndex>
#include <QRect>
#include <QString>
#include <QVector>

#include "shell/QWindowBase.h"

class MyListModel;
class QListView;

// The box of unread conversations shown at the corner of the screen: one row
// per friend whose messages wait, with the friend's last unread message.
class KivChatMessageWidget : public QWindowBase {
    Q_OBJECT
public:
    explicit KivChatMessageWidget(QWidget* parent = nullptr);

    int EntryCount() const { return m_entries.size(); }
    MyListModel* Model() const { return m_model; }
    QListView* ListView() const { return m_listView; }

    static constexpr int kRowHeight = 45;
    static constexpr int kTitleHeight = 38;
    static constexpr int kBoxWidth = 212;
    static constexpr int kRightMargin = 8;
    static constexpr int kBottomMargin = 32;

signals:
    // A row was clicked: the owner opens that friend's conversation.
    void ChatInfoClicked(int friendUid);

public slots:
    // Adds or refreshes the row of friendUid with the last of its unread
    // messages to ownUid; headIndex picks the head picture.
    void insertChatInfo(int friendUid, const QString& nickName, int headIndex, int ownUid);
    // The same with the last unread message as the caller knows it.
    void insertChatInfo(int friendUid, const QString& nickName, int headIndex, int ownUid,
                        const QString& message, const QString& time);
    // Drops the row of friendUid once none of its messages wait any more, or
    // refreshes it with the last one that still waits.
    void UpdateChatInfo(int friendUid);
    // Drops the row of friendUid: its messages are being read.
    void RemoveChatInfo(int friendUid);
    void ListViewClicked(const QModelIndex& index);

private:
    struct Entry {
        int friendUid = 0;
        int ownUid = 0;
        QString nickName;
        QString headPath;
        QString message;
        QString time;
    };

    int indexOf(int friendUid) const;
    // The last unread message of the entry's friend; false when none waits.
    static bool ReadLastUnread(Entry& entry);
    void Relayout();

    QListView* m_listView = nullptr;
    MyListModel* m_model = nullptr;
    QVector<Entry> m_entries;
    QRect m_desktop;
};
