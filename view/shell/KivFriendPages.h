#pragma once

#include <QtGlobal>
#include <array>
#include <functional>
#include <vector>

class MyCustomListViewItemDelegate;
class MyListModel;
class QListView;
class QObject;
class QPoint;
class QStackedWidget;
class QString;

// The friend, recent-chat and VIP pages of the main window: a model and a view
// each, and one stamp (a delegate drawing the row) per row.
class KivFriendPages {
public:
    // Pages of the stacked widget.
    enum Page { FriendPage = 0, ChatPage = 1, VipPage = 2 };
    // The fields of a row.
    enum RowField {
        RowName = 0,
        RowHead = 1,
        RowText = 2,
        RowTime = 3,
        RowAccount = 4,
        RowUid = 5
    };

    // The views go into `stack` in page order; models and views are its children.
    explicit KivFriendPages(QStackedWidget* stack);

    MyListModel* Model(Page page) const { return m_pages[page].model; }
    QListView* View(Page page) const { return m_pages[page].view; }
    // Double clicks and context menus on the friend and VIP pages, for as
    // long as `context` lives.
    void OnRows(QObject* context, std::function<void(int row, bool vipPage)> open,
                std::function<void(QListView*, const QPoint&, bool vipPage)> menu) const;
    // Makes or drops stamps until the page has one for each of `rows` rows.
    void SyncStamps(Page page, int rows);
    // The unread tip on every row whose friend `waiting` gives a count for
    // (0: nothing waits), taken down on the others.
    void RefreshTips(const std::function<int(quint32)>& waiting);
    // A friend's head picture or signature changed: the rows showing it follow.
    void SetHead(quint32 uid, const QString& path);
    void SetSign(quint32 uid, const QString& sign);

private:
    struct Parts {
        MyListModel* model = nullptr;
        QListView* view = nullptr;
        std::vector<MyCustomListViewItemDelegate*> stamps;
    };
    std::array<Parts, 3> m_pages;
};
