#include "shell/KivMainDlgForm.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "shell/KivFriendPages.h"
#include "shell/kivFriendQPainterLabelView.h"
#include "support/KivPlainText.h"

namespace {

QString Text(const char* source) {
    return QCoreApplication::translate("KivMainDlgForm", source);
}

QString BorderImage(const char* name) {
    return QStringLiteral("border-image:url(Resources/skin/kivimmaindlg/%1);")
        .arg(QLatin1String(name));
}

QWidget* MakeHeader(KivMainDlgForm& form, QWidget* window) {
    auto* header = new QWidget(window);
    header->setObjectName(QStringLiteral("headerWidget"));
    header->setFixedHeight(120);
    form.head = new kivFriendQPainterLabelView(header);
    form.head->setObjectName(QStringLiteral("BHead"));
    form.head->setGeometry(14, 30, 75, 75);
    form.head->setAccessibleName(QCoreApplication::translate("KivMainDlgForm", "我的头像"));
    form.head->setAccessibleDescription(
        QCoreApplication::translate("KivMainDlgForm", "查看和修改个人资料"));
    form.nickName = new QLabel(header);
    form.nickName->setObjectName(QStringLiteral("labelNickName"));
    form.nickName->setGeometry(100, 40, 170, 24);
    form.sign = new QLineEdit(header);
    form.sign->setObjectName(QStringLiteral("lineEditSign"));
    form.sign->setPlaceholderText(QCoreApplication::translate("KivMainDlgForm", "编辑个性签名"));
    form.sign->setMaxLength(170);
    form.sign->setGeometry(96, 70, 172, 24);
    form.sign->setAccessibleName(QCoreApplication::translate("KivMainDlgForm", "个性签名"));
    form.stateLine = new QPushButton(
        QCoreApplication::translate("KivMainDlgForm", "网络已断开，正在重新连接…"), header);
    form.stateLine->setObjectName(QStringLiteral("connectionState"));
    form.stateLine->setToolTip(QCoreApplication::translate("KivMainDlgForm", "点击立即重新连接"));
    form.stateLine->setFlat(true);
    form.stateLine->setCursor(Qt::PointingHandCursor);
    form.stateLine->setStyleSheet(
        QStringLiteral("QPushButton#connectionState{color:#ffe08a;text-align:left;border:none;}"));
    form.stateLine->setGeometry(form.sign->geometry());
    form.stateLine->hide();
    return header;
}

QHBoxLayout* MakeTabs(KivMainDlgForm& form, QWidget* window) {
    auto* tabs = new QHBoxLayout;
    tabs->setContentsMargins(0, 0, 0, 0);
    tabs->setSpacing(0);
    const std::pair<QPushButton**, const char*> made[] = {{&form.tabChat, "mBchatDlg"},
                                                          {&form.tabFriend, "mBfriendDlg"},
                                                          {&form.tabVip, "mBgameDlg"}};
    for (const auto& [tab, name] : made) {
        *tab = new QPushButton(window);
        (*tab)->setObjectName(QString::fromLatin1(name));
        (*tab)->setFixedHeight(36);
        (*tab)->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // Reached by Tab; a click leaves the focus where it was.
        (*tab)->setFocusPolicy(Qt::TabFocus);
        tabs->addWidget(*tab);
    }
    const std::pair<QPushButton*, const char*> names[] = {
        {form.tabChat, QT_TRANSLATE_NOOP("KivMainDlgForm", "最近联系人")},
        {form.tabFriend, QT_TRANSLATE_NOOP("KivMainDlgForm", "好友")},
        {form.tabVip, QT_TRANSLATE_NOOP("KivMainDlgForm", "VIP")}};
    for (const auto& [tab, name] : names) {
        tab->setToolTip(Text(name));
        tab->setAccessibleName(Text(name));
    }
    return tabs;
}

QWidget* MakeBottom(KivMainDlgForm& form, QWidget* window) {
    auto* bottom = new QWidget(window);
    bottom->setObjectName(QStringLiteral("bottomWidget"));
    bottom->setFixedHeight(44);
    auto* layout = new QHBoxLayout(bottom);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(8);
    const std::tuple<QPushButton**, const char*, const char*> made[] = {
        {&form.settings, "b_Set", QT_TRANSLATE_NOOP("KivMainDlgForm", "系统设置")},
        {&form.check, "b_Check", QT_TRANSLATE_NOOP("KivMainDlgForm", "查找好友")},
        {&form.requests, "b_Request", QT_TRANSLATE_NOOP("KivMainDlgForm", "好友请求")},
        {&form.home, "b_Home", QT_TRANSLATE_NOOP("KivMainDlgForm", "主页")},
        {&form.search, "b_Search", QT_TRANSLATE_NOOP("KivMainDlgForm", "搜索聊天记录")}};
    for (const auto& [button, name, tip] : made) {
        *button = new QPushButton(bottom);
        (*button)->setObjectName(QString::fromLatin1(name));
        (*button)->setToolTip(Text(tip));
        (*button)->setAccessibleName(Text(tip));
        (*button)->setFixedSize(32, 32);
        (*button)->setCursor(Qt::PointingHandCursor);
        layout->addWidget(*button);
    }
    layout->addStretch();
    return bottom;
}

}  // namespace

KivMainDlgForm::KivMainDlgForm(QWidget* window) {
    QWidget* header = MakeHeader(*this, window);
    QHBoxLayout* tabs = MakeTabs(*this, window);
    pages = new QStackedWidget(window);
    pages->setObjectName(QStringLiteral("stackedWidget"));
    QWidget* bottom = MakeBottom(*this, window);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addLayout(tabs);
    layout->addWidget(pages, 1);
    layout->addWidget(bottom);
}

void KivMainDlgForm::ShowTab(int pressed) const {
    tabChat->setStyleSheet(BorderImage(pressed == KivFriendPages::ChatPage ? "pushButton_press.png"
                                                                           : "pushButton.png"));
    tabFriend->setStyleSheet(BorderImage(
        pressed == KivFriendPages::FriendPage ? "pushButton_2_press.png" : "pushButton_2.png"));
    tabVip->setStyleSheet(BorderImage(pressed == KivFriendPages::VipPage ? "pushButton_3_press.png"
                                                                         : "pushButton_3.png"));
}

void KivMainDlgForm::ShowSign(const QString& text) const {
    sign->setText(text);
    sign->setToolTip(KivPlainText::ToolTip(text));
}
