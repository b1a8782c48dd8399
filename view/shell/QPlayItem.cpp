#include "shell/QPlayItem.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QUrl>
#include <QVBoxLayout>

#include "shell/KivFriendMyMessageBoxView.h"
#include "support/KivDeploymentConfig.h"

namespace {

const QColor kSeparator(0xEB, 0xEE, 0xF5);
const int kPictureSide = 56;

QString ButtonSheet(const char* stem) {
    const QString path = QStringLiteral("Resources/skin/kivimplaydlg/") + QLatin1String(stem);
    return QStringLiteral(
               "QPushButton#m_pTooltip{border-image:url(%1.png);}"
               "QPushButton#m_pTooltip:hover{border-image:url(%1_hover.png);}"
               "QPushButton#m_pTooltip:pressed{border-image:url(%1_press.png);}")
        .arg(path);
}

}  // namespace

QPlayItem::QPlayItem(const QPixmap& picture, const QString& name, const QString& description,
                     int gameId, QWidget* parent)
    : QWidget(parent), m_gameId(gameId) {
    setObjectName(QStringLiteral("QPlayItem"));
    setFixedHeight(kPictureSide + 20);

    auto* pictureLabel = new QLabel(this);
    pictureLabel->setObjectName(QStringLiteral("labelPicture"));
    pictureLabel->setFixedSize(kPictureSide, kPictureSide);
    pictureLabel->setScaledContents(true);
    pictureLabel->setPixmap(picture);

    const QFont font(QStringLiteral("微软雅黑"));
    auto* nameLabel = new QLabel(name, this);
    nameLabel->setObjectName(QStringLiteral("labelName"));
    nameLabel->setFont(font);
    nameLabel->setStyleSheet(QStringLiteral("color: rgb(45,45,45);"));
    auto* descriptionLabel = new QLabel(description, this);
    descriptionLabel->setObjectName(QStringLiteral("labelDescription"));
    descriptionLabel->setFont(font);
    descriptionLabel->setStyleSheet(QStringLiteral("color: rgb(109,109,109);"));
    descriptionLabel->setVisible(!description.isEmpty());

    m_pTooltip = new QPushButton(this);
    m_pTooltip->setObjectName(QStringLiteral("m_pTooltip"));
    m_pTooltip->setFixedSize(60, 24);
    m_pTooltip->setCursor(Qt::PointingHandCursor);
    connect(m_pTooltip, &QPushButton::clicked, this, &QPlayItem::m_pTooltip_Clicked);

    m_pProcess = new QProcess(this);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addStretch();
    texts->addWidget(nameLabel);
    texts->addWidget(descriptionLabel);
    texts->addStretch();
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(12);
    row->addWidget(pictureLabel);
    row->addLayout(texts, 1);
    row->addWidget(m_pTooltip);

    SetState(NotDownloaded, QString());
}

void QPlayItem::SetState(int state, const QString& programPath) {
    m_state = state == Downloaded ? Downloaded : NotDownloaded;
    m_programPath = m_state == Downloaded ? programPath : QString();
    m_pTooltip->setText(m_state == Downloaded ? tr("开始") : tr("下载"));
    m_pTooltip->setToolTip(m_state == Downloaded ? tr("开始游戏") : tr("下载游戏"));
    m_pTooltip->setStyleSheet(ButtonSheet(m_state == Downloaded ? "Start" : "Down"));
}

void QPlayItem::m_pTooltip_Clicked() {
    if (m_state == Downloaded) {
        StartProgram();
    } else {
        OpenWebSite();
    }
}

void QPlayItem::OpenWebSite() {
    const QString site = KivDeploymentConfig().WebSite();
    if (site.isEmpty() || !QDesktopServices::openUrl(QUrl(site))) {
        KivFriendMyMessageBoxView::Tip(this, tr("无法打开游戏下载网站"), tr("确定"));
    }
}

// The game runs on its own: it outlives the client and gets no arguments.
void QPlayItem::StartProgram() {
    m_pProcess->setProgram(m_programPath);
    m_pProcess->setArguments({});
    // A detached start reports its failure only by the result.
    if (!m_pProcess->startDetached())
        processError(QProcess::FailedToStart);
}

void QPlayItem::processError(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart)
        return;
    // The process gives no reason for a detached start; the file tells it.
    const QFileInfo file(m_programPath);
    QString reason = m_pProcess->errorString();
    if (!file.exists()) {
        reason = tr("找不到游戏程序");
    } else if (!file.isFile() || !file.isExecutable()) {
        reason = tr("游戏程序不能运行");
    }
    KivFriendMyMessageBoxView::Tip(this, tr("游戏启动失败：%1\n%2").arg(reason, m_programPath),
                                   tr("确定"));
}

// The style sheet's background comes first, or it would cover the separator.
void QPlayItem::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.setPen(kSeparator);
    painter.drawLine(12, height() - 1, width() - 12, height() - 1);
}
