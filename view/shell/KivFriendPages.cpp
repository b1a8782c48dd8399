#include "shell/KivFriendPages.h"

#include <QCoreApplication>
#include <QListView>
#include <QStackedWidget>
#include <utility>

#include "shell/MyCustomListViewItem.h"
#include "shell/MyCustomListViewItemDelegate.h"
#include "shell/MyListModel.h"

namespace {

QListView* MakeView(QStackedWidget* stack, const char* objectName, const char* name,
                    MyListModel* model) {
    auto* view = new QListView(stack);
    view->setObjectName(QString::fromLatin1(objectName));
    view->setAccessibleName(QCoreApplication::translate("KivFriendPages", name));
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setMouseTracking(true);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setFrameShape(QFrame::NoFrame);
    // Every row is as high as the first: only the rows in sight build their stamps.
    view->setUniformItemSizes(true);
    stack->addWidget(view);
    return view;
}

}  // namespace

KivFriendPages::KivFriendPages(QStackedWidget* stack) {
    const char* const objectNames[] = {"listViewFriend", "listViewChat", "listViewVip"};
    const char* const names[] = {QT_TRANSLATE_NOOP("KivFriendPages", "好友列表"),
                                 QT_TRANSLATE_NOOP("KivFriendPages", "最近联系人列表"),
                                 QT_TRANSLATE_NOOP("KivFriendPages", "VIP好友列表")};
    for (int page = FriendPage; page <= VipPage; ++page) {
        m_pages[page].model = new MyListModel(stack);
        m_pages[page].view = MakeView(stack, objectNames[page], names[page], m_pages[page].model);
    }
}

void KivFriendPages::SyncStamps(Page page, int rows) {
    QListView* view = m_pages[page].view;
    std::vector<MyCustomListViewItemDelegate*>& stamps = m_pages[page].stamps;
    while (int(stamps.size()) < rows) {
        auto* stamp = new MyCustomListViewItemDelegate(view);
        view->setItemDelegateForRow(int(stamps.size()), stamp);
        stamps.push_back(stamp);
    }
    while (int(stamps.size()) > rows) {
        view->setItemDelegateForRow(int(stamps.size()) - 1, nullptr);
        delete stamps.back();
        stamps.pop_back();
    }
}

// The tips follow the unread list, whatever row each friend is on now.
void KivFriendPages::RefreshTips(const std::function<int(quint32)>& waiting) {
    for (const Parts& page : m_pages) {
        const QList<QStringList>& rows = page.model->rows();
        for (int row = 0; row < rows.size() && row < int(page.stamps.size()); ++row) {
            const MyCustomListViewItemDelegate* stamp = page.stamps[size_t(row)];
            const int count = waiting(rows[row].value(RowUid).toUInt());
            page.model->SetWaiting(row, count);
            // A stamp not made yet shows no tip: nothing to take down.
            if (count == 0 && !stamp->HasItem())
                continue;
            MyCustomListViewItem* item = stamp->item();
            if (count > 0) {
                item->ShowTip(count);
                item->StartBlink();
            } else {
                item->StopBlink();
                item->HideTip();
            }
        }
        page.view->viewport()->update();
    }
}

void KivFriendPages::SetHead(quint32 uid, const QString& path) {
    for (const Parts& page : m_pages) {
        QList<QStringList> rows = page.model->rows();
        for (QStringList& row : rows) {
            if (row.value(RowUid).toUInt() == uid && row.size() > RowHead)
                row[RowHead] = path;
        }
        page.model->getData(rows);
    }
}

// The recent chats' second line is the last message, not the signature.
void KivFriendPages::SetSign(quint32 uid, const QString& sign) {
    for (Page page : {FriendPage, VipPage}) {
        MyListModel* model = m_pages[page].model;
        QList<QStringList> rows = model->rows();
        bool changed = false;
        for (QStringList& row : rows) {
            if (row.value(RowUid).toUInt() == uid && row.size() > RowText && row[RowText] != sign) {
                row[RowText] = sign;
                changed = true;
            }
        }
        if (changed)
            model->getData(rows);
    }
}

void KivFriendPages::OnRows(QObject* context, std::function<void(int, bool)> open,
                            std::function<void(QListView*, const QPoint&, bool)> menu) const {
    for (const auto& [page, vip] : {std::pair{FriendPage, false}, std::pair{VipPage, true}}) {
        QListView* view = View(page);
        // A double click, or Enter for keyboard users.
        QObject::connect(view, &QListView::activated, context,
                         [open, vip = vip](const QModelIndex& index) { open(index.row(), vip); });
        QObject::connect(view, &QListView::customContextMenuRequested, context,
                         [menu, view, vip = vip](const QPoint& pos) { menu(view, pos, vip); });
    }
}
