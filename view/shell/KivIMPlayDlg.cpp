#include "shell/KivIMPlayDlg.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>
#include <QtDebug>

#include "shell/QPlayItem.h"
#include "support/KivDeploymentConfig.h"
#include "support/KivPicture.h"

namespace {

const char* const kSkin = "Resources/skin/kivimplaydlg/";
const char* const kProgramName = "PlayHost";
const int kBannerHeight = 96;

QString SkinPath(const char* name) {
    return QString::fromLatin1(kSkin) + QLatin1String(name);
}

bool IsProgram(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

}  // namespace

KivIMPlayDlg::KivIMPlayDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KivIMPlayDlg"));
    setAttribute(Qt::WA_StyledBackground);
    QFile sheet(SkinPath("kivimplaydlg.qss"));
    if (sheet.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(sheet.readAll()));

    m_pLogo = new QLabel(this);
    m_pLogo->setObjectName(QStringLiteral("labelLogo"));
    m_pLogo->setFont(QFont(QStringLiteral("微软雅黑")));
    m_pLogo->setFixedHeight(kBannerHeight);
    m_pLogo->setScaledContents(true);
    m_pLogo->setPixmap(KivPicture::Load(SkinPath("banner.png")));
    m_pLogo->setCursor(Qt::PointingHandCursor);
    m_pLogo->installEventFilter(this);

    m_pScrollArea = new QScrollArea(this);
    m_pScrollArea->setObjectName(QStringLiteral("scrollArea"));
    m_pScrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pScrollArea->setWidgetResizable(true);
    m_pContents = new QWidget;
    m_pContents->setObjectName(QStringLiteral("scrollAreaWidgetContents"));
    m_pContents->setStyleSheet(QStringLiteral("border:none;background-color:rgb(255,255,255);"));
    auto* sections = new QVBoxLayout(m_pContents);
    sections->setContentsMargins(0, 4, 0, 4);
    sections->setSpacing(0);
    m_pScrollArea->setWidget(m_pContents);
    m_pNotDownloaded = AddSection(tr("未下载的游戏"));
    m_pDownloaded = AddSection(tr("已下载的游戏"));
    sections->addStretch();

    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    page->addWidget(m_pLogo);
    page->addWidget(m_pScrollArea, 1);

    const QPixmap hall(SkinPath("hall.png"));
    InsertNotDownloadGame(&hall, tr("大厅"), QString(), 0);
}

QVBoxLayout* KivIMPlayDlg::AddSection(const QString& heading) {
    auto* label = new QLabel(heading, m_pContents);
    label->setObjectName(QStringLiteral("labelHeading"));
    label->setFont(QFont(QStringLiteral("微软雅黑")));
    label->setStyleSheet(QStringLiteral("color: rgb(147,147,147);"));
    label->setContentsMargins(12, 8, 12, 4);
    auto* sections = static_cast<QVBoxLayout*>(m_pContents->layout());
    sections->addWidget(label);
    auto* tiles = new QVBoxLayout;
    tiles->setSpacing(0);
    sections->addLayout(tiles);
    return tiles;
}

bool KivIMPlayDlg::CheckIsInstall() {
    const QString configured = KivDeploymentConfig().PlayHost();
    if (!configured.isEmpty()) {
        if (IsProgram(configured)) {
            m_programPath = QFileInfo(configured).absoluteFilePath();
            return true;
        }
        qWarning() << "game program" << configured << "is not an executable file";
    }
    m_programPath = QStandardPaths::findExecutable(QString::fromLatin1(kProgramName));
    return !m_programPath.isEmpty();
}

void KivIMPlayDlg::InsertNotDownloadGame(const QPixmap* picture, const QString& name,
                                         const QString& description, int gameId) {
    auto* item =
        new QPlayItem(picture ? *picture : QPixmap(), name, description, gameId, m_pContents);
    if (CheckIsInstall()) {
        item->SetState(QPlayItem::Downloaded, m_programPath);
        m_pDownloaded->addWidget(item);
    } else {
        item->SetState(QPlayItem::NotDownloaded, QString());
        m_pNotDownloaded->addWidget(item);
    }
    m_items.push_back(item);
    m_pContents->adjustSize();
}

bool KivIMPlayDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pLogo && event->type() == QEvent::MouseButtonPress) {
        const QString site = KivDeploymentConfig().WebSite();
        if (!site.isEmpty())
            QDesktopServices::openUrl(QUrl(site));
    }
    return QWidget::eventFilter(watched, event);
}
