#include "shell/MyCustomListViewItem.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>

#include "support/KivPlainText.h"

namespace {

const int kHeadSide = 40;
const int kTipWidth = 18;
const int kTipHeight = 18;
// More waiting messages than this show as "99+", so the tip keeps its size.
const int kTipMaxCount = 9;

}  // namespace

MyCustomListViewItem::MyCustomListViewItem(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MyCustomListViewItem"));

    m_iconLabel = new QLabel(this);
    m_iconLabel->setObjectName(QStringLiteral("iconLabel"));
    m_iconLabel->setFixedSize(kHeadSide, kHeadSide);
    m_iconLabel->setScaledContents(true);

    m_labelHead = new QLabel(this);
    m_labelHead->setObjectName(QStringLiteral("labelHead"));
    m_labelHead->setFont(QFont(QStringLiteral("微软雅黑"), 10));
    m_labelHead->setStyleSheet(QStringLiteral("color: rgb(96, 96, 96);"));
    // An explicit minimum width keeps the row's minimum size independent of the name.
    m_labelHead->setMinimumSize(1, 12);

    m_labelDescription = new QLineEdit(this);
    m_labelDescription->setObjectName(QStringLiteral("labelDescription"));
    m_labelDescription->setFont(QFont(QStringLiteral("微软雅黑"), 8));
    m_labelDescription->setStyleSheet(
        QStringLiteral("color: rgb(188, 188, 188); background: transparent;"));
    m_labelDescription->setFrame(false);
    m_labelDescription->setReadOnly(true);
    m_labelDescription->setFocusPolicy(Qt::NoFocus);
    m_labelDescription->setMinimumSize(180, 18);

    m_labelTime = new QLabel(this);
    m_labelTime->setObjectName(QStringLiteral("labelTime"));
    m_labelTime->setFont(QFont(QStringLiteral("微软雅黑"), 8));
    m_labelTime->setStyleSheet(QStringLiteral("color: rgb(168, 168, 168);"));

    m_msgTip = new QLabel(this);
    m_msgTip->setObjectName(QStringLiteral("MsgTipLab"));
    m_msgTip->setStyleSheet(
        QStringLiteral("QLabel#MsgTipLab{background-image:url(Resources/skin/kivimmaindlg/"
                       "messageTipLabel.png);color: rgb(255, 255, 255);}"));
    m_msgTip->setFont(QFont(QStringLiteral("Microsoft YaHei"), 10, QFont::Bold));
    m_msgTip->setAlignment(Qt::AlignCenter);
    m_msgTip->setFixedSize(kTipWidth, kTipHeight);
    // Blinking must not shift the name line.
    QSizePolicy tipPolicy = m_msgTip->sizePolicy();
    tipPolicy.setRetainSizeWhenHidden(true);
    m_msgTip->setSizePolicy(tipPolicy);
    m_msgTip->hide();

    auto* separator = new QFrame(this);
    separator->setFixedHeight(1);
    separator->setStyleSheet(QStringLiteral("background: rgb(227,231,223)"));

    auto* nameRow = new QHBoxLayout;
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameRow->setSpacing(0);
    nameRow->addWidget(m_labelHead);
    // No preferred width: a wide spacer would squeeze the name before itself.
    nameRow->addItem(new QSpacerItem(0, 13, QSizePolicy::Expanding, QSizePolicy::Minimum));
    nameRow->addWidget(m_labelTime);
    nameRow->addSpacing(6);
    nameRow->addWidget(m_msgTip);

    auto* textColumn = new QVBoxLayout;
    textColumn->setContentsMargins(0, 0, 0, 0);
    textColumn->setSpacing(2);
    textColumn->addLayout(nameRow);
    textColumn->addWidget(m_labelDescription);

    auto* headRow = new QHBoxLayout;
    headRow->setContentsMargins(10, 2, 10, 2);
    headRow->setSpacing(10);
    headRow->addWidget(m_iconLabel);
    headRow->addLayout(textColumn);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(headRow);
    outer->addWidget(separator);

    m_blinkTimer = new QTimer(this);
    m_blinkTimer->setInterval(kBlinkIntervalMs);
    connect(m_blinkTimer, &QTimer::timeout, this, &MyCustomListViewItem::timeEnd);

    outer->activate();
}

void MyCustomListViewItem::SetHead(const QPixmap& head) {
    if (head.isNull()) {
        m_iconLabel->clear();
    } else {
        m_iconLabel->setPixmap(head);
    }
}

void MyCustomListViewItem::SetName(const QString& name) {
    KivPlainText::Show(m_labelHead, name);
}

void MyCustomListViewItem::SetTime(const QString& text) {
    KivPlainText::Show(m_labelTime, text);
}

void MyCustomListViewItem::SetDescription(const QString& text) {
    m_labelDescription->setText(text);
    m_labelDescription->setCursorPosition(0);
}

void MyCustomListViewItem::ShowTip(int count) {
    m_count = qMax(1, count);
    m_msgTip->setText(m_count > kTipMaxCount ? QStringLiteral("%1+").arg(kTipMaxCount)
                                             : QString::number(m_count));
    m_msgTip->show();
}

void MyCustomListViewItem::HideTip() {
    m_count = 0;
    m_msgTip->clear();
    m_msgTip->hide();
}

bool MyCustomListViewItem::IsTipShown() const {
    return !m_msgTip->isHidden();
}

QString MyCustomListViewItem::TipText() const {
    return m_msgTip->text();
}

void MyCustomListViewItem::StartBlink() {
    m_blinkTimer->start();
}

void MyCustomListViewItem::StopBlink() {
    m_blinkTimer->stop();
    m_msgTip->setVisible(m_count > 0);
    emit Blinked();
}

bool MyCustomListViewItem::IsBlinking() const {
    return m_blinkTimer->isActive();
}

void MyCustomListViewItem::timeEnd() {
    m_msgTip->setVisible(m_count > 0 && m_msgTip->isHidden());
    emit Blinked();
}
