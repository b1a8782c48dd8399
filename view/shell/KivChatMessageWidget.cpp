#include "shell/KivChatMessageWidget.h"

#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

#include "CKivFriendDBModel.h"
#include "KivChatQueries.h"
#include "shell/MyCustomListViewItemDelegate.h"
#include "shell/MyListModel.h"
#include "support/KivHeadPath.h"

namespace {

const char* const kTitlePicture = "Resources/skin/kivchatmsgbox/titleLabel.png";
// The title label's size when its picture is missing.
const QSize kTitleLabelFallback(100, 24);

}  // namespace

KivChatMessageWidget::KivChatMessageWidget(QWidget* parent) : QWindowBase(parent) {
    setObjectName(QStringLiteral("KivChatMessageWidget"));
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    // The box appears under the mouse at the tray; it must not steal the focus.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setStyleSheet(QStringLiteral(
        "QWidget#widget{border-image:url(Resources/skin/kivchatmsgbox/messageBoxTitle.png)}"
        "QLabel#label{border-image:url(Resources/skin/kivchatmsgbox/titleLabel.png)}"));

    auto* title = new QWidget(this);
    title->setObjectName(QStringLiteral("widget"));
    title->setAttribute(Qt::WA_StyledBackground);
    title->setFixedHeight(kTitleHeight);
    auto* label = new QLabel(title);
    label->setObjectName(QStringLiteral("label"));
    const QPixmap titlePicture(QString::fromLatin1(kTitlePicture));
    label->setFixedSize(titlePicture.isNull() ? kTitleLabelFallback : titlePicture.size());
    auto* titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(8, 0, 8, 0);
    titleLayout->addWidget(label, 0, Qt::AlignLeft | Qt::AlignVCenter);

    m_model = new MyListModel(this);
    m_listView = new QListView(this);
    m_listView->setObjectName(QStringLiteral("listView"));
    m_listView->setFrameShape(QFrame::NoFrame);
    m_listView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_listView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView->setMouseTracking(true);
    m_listView->setModel(m_model);
    // One stamp serves every row: the box shows no per-row tips.
    m_listView->setItemDelegate(new MyCustomListViewItemDelegate(m_listView));
    connect(m_listView, &QListView::clicked, this, &KivChatMessageWidget::ListViewClicked);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title);
    layout->addWidget(m_listView);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        m_desktop = screen->availableGeometry();
    }
    Relayout();
}

int KivChatMessageWidget::indexOf(int friendUid) const {
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).friendUid == friendUid) {
            return i;
        }
    }
    return -1;
}

bool KivChatMessageWidget::ReadLastUnread(Entry& entry) {
    const KivChatQueries::Message last = KivChatQueries::LastUnread(
        static_cast<quint32>(entry.friendUid), static_cast<quint32>(entry.ownUid));
    if (last.id == 0) {
        return false;
    }
    entry.message = last.text;
    entry.time = last.time;
    return true;
}

void KivChatMessageWidget::insertChatInfo(int friendUid, const QString& nickName, int headIndex,
                                          int ownUid) {
    Entry entry;
    entry.friendUid = friendUid;
    entry.ownUid = ownUid;
    ReadLastUnread(entry);
    insertChatInfo(friendUid, nickName, headIndex, ownUid, entry.message, entry.time);
}

void KivChatMessageWidget::insertChatInfo(int friendUid, const QString& nickName, int headIndex,
                                          int ownUid, const QString& message, const QString& time) {
    Entry entry;
    entry.friendUid = friendUid;
    entry.ownUid = ownUid;
    entry.nickName = nickName;
    entry.headPath = KivHeadPath::Friend(CKivFriendDBModel::GetInstance()->GetAccount(),
                                         static_cast<quint32>(friendUid), headIndex);
    entry.message = message;
    entry.time = time;
    const int existing = indexOf(friendUid);
    if (existing >= 0) {
        m_entries.remove(existing);
    }
    m_entries.append(entry);
    Relayout();
}

void KivChatMessageWidget::UpdateChatInfo(int friendUid) {
    const int existing = indexOf(friendUid);
    if (existing < 0) {
        return;
    }
    Entry& entry = m_entries[existing];
    if (!ReadLastUnread(entry)) {
        m_entries.remove(existing);
    }
    Relayout();
}

void KivChatMessageWidget::RemoveChatInfo(int friendUid) {
    const int existing = indexOf(friendUid);
    if (existing >= 0) {
        m_entries.remove(existing);
        Relayout();
    }
}

void KivChatMessageWidget::ListViewClicked(const QModelIndex& index) {
    if (!index.isValid() || index.row() >= m_entries.size()) {
        return;
    }
    emit ChatInfoClicked(m_entries.at(index.row()).friendUid);
}

void KivChatMessageWidget::Relayout() {
    QList<QStringList> rows;
    for (const Entry& entry : qAsConst(m_entries)) {
        // The second line holds one line of text.
        QString message = entry.message;
        message.replace(QLatin1Char('\n'), QLatin1Char(' '));
        rows.append({entry.nickName, entry.headPath, message, entry.time,
                     QString::number(entry.friendUid)});
    }
    m_model->getData(rows);

    const int count = m_entries.size();
    m_listView->setMaximumHeight(kRowHeight * count);
    setFixedSize(kBoxWidth, kRowHeight * count + kTitleHeight);
    move(m_desktop.x() + m_desktop.width() - kBoxWidth - kRightMargin,
         m_desktop.y() + m_desktop.height() - height() - kBottomMargin);
    if (count == 0) {
        hide();
    }
}
