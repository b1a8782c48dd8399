#include "chat/CKivIMfaceDlg.h"

#include <QBitmap>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmapCache>
#include <QPushButton>
#include <QTableWidget>

#include "chat/KivChatText.h"
#include "chat/QTableCellDelegate.h"
#include "support/KivPicture.h"

CKivIMfaceDlg::CKivIMfaceDlg(QWidget* parent, bool giftMode) : QDialog(parent), m_bGift(giftMode) {
    setObjectName(QStringLiteral("CKivIMfaceDlg"));
    setWindowFlags(Qt::Popup);
    resize(400, 300);

    auto* title = new QLabel(tr("默认"), this);
    title->setGeometry(15, 5, 100, 20);
    title->setFont(QFont(QStringLiteral("微软雅黑"), 12));
    title->setStyleSheet(QStringLiteral("color: rgb(167,167,167);"));

    m_pTable = new QTableWidget(kRows, kColumns, this);
    m_pTable->setObjectName(QStringLiteral("tableWidget"));
    m_pTable->setAccessibleName(m_bGift ? tr("礼物") : tr("表情"));
    m_pTable->horizontalHeader()->hide();
    m_pTable->verticalHeader()->hide();
    m_pTable->horizontalHeader()->setMinimumSectionSize(kCell);
    m_pTable->verticalHeader()->setMinimumSectionSize(kCell);
    m_pTable->horizontalHeader()->setDefaultSectionSize(kCell);
    m_pTable->verticalHeader()->setDefaultSectionSize(kCell);
    m_pTable->setShowGrid(false);
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setFocusPolicy(Qt::NoFocus);
    m_pTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_pTable->setIconSize(QSize(kIconSide, kIconSide));
    m_pTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pTable->setGeometry(15, 35, kColumns * kCell + 10, 225);
    m_pTable->setStyleSheet(
        QStringLiteral("QTableWidget{border:none;}QTableWidget::item{border-top:1px solid "
                       "rgb(200,219,230);border-right:1px solid "
                       "rgb(200,219,230);}QTableWidget::item:hover{border:1px solid red;}"));
    m_pTable->setItemDelegate(new QTableCellDelegate(m_pTable));
    m_pTable->setMouseTracking(true);
    FillTable();

    auto* bottom = new QLabel(this);
    bottom->setObjectName(QStringLiteral("bottomStrip"));
    bottom->setGeometry(0, 260, 450, 40);
    bottom->setPixmap(KivPicture::Load(QStringLiteral("Resources/skin/CKivIMfaceDlg/bottom.png")));
    bottom->setScaledContents(true);
    auto* tab = new QPushButton(this);
    tab->setObjectName(QStringLiteral("bFaceTab"));
    tab->setFlat(true);
    tab->setGeometry(15, 260, 59, 42);
    tab->setAccessibleName(m_bGift ? tr("礼物") : tr("表情"));

    QFile skin(QStringLiteral("Resources/skin/CKivIMfaceDlg/CKivIMfaceDlg.qss"));
    if (skin.open(QIODevice::ReadOnly))
        setStyleSheet(QString::fromUtf8(skin.readAll()));
}

QString CKivIMfaceDlg::FolderFor(bool giftMode) {
    return giftMode ? QStringLiteral("image/gift") : QStringLiteral("image/face");
}

bool CKivIMfaceDlg::IsPictureSuffix(const QString& suffix) {
    return KivChatText::IsPictureSuffix(suffix);
}

QString CKivIMfaceDlg::ToolTipFor(const QString& baseName) {
    bool number = false;
    const double price = baseName.toDouble(&number);
    if (number && price != 0.0)
        return tr("%1元").arg(QString::number(price, 'g'));
    return baseName;
}

double CKivIMfaceDlg::PriceOf(const QString& path) {
    return KivChatText::GiftPrice(path);
}

QPixmap CKivIMfaceDlg::IconFor(const QFileInfo& file) {
    // Every chat window's picker shows the same pictures: each is decoded
    // once and shared. A changed file gets a new key.
    const QString key = QStringLiteral("kiv-picker:%1:%2:%3")
                            .arg(file.absoluteFilePath())
                            .arg(file.size())
                            .arg(file.lastModified().toMSecsSinceEpoch());
    QPixmap icon;
    if (QPixmapCache::find(key, &icon))
        return icon;
    const QPixmap picture(file.filePath());
    if (picture.isNull())
        return {};
    icon = picture.scaled(kIconSide, kIconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPixmapCache::insert(key, icon);
    return icon;
}

void CKivIMfaceDlg::FillTable() {
    const QString folder = FolderFor(m_bGift);
    QDir dir;
    if (!dir.exists(folder))
        dir.mkpath(folder);
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    int index = 0;
    for (const QFileInfo& file : files) {
        if (index >= kRows * kColumns)
            break;
        if (!IsPictureSuffix(file.suffix()))
            continue;
        const QPixmap icon = IconFor(file);
        if (icon.isNull())
            continue;
        const QString path = folder + QLatin1Char('/') + file.fileName();
        auto* item = new QTableWidgetItem(path);
        item->setForeground(Qt::white);
        item->setData(Qt::DecorationRole, icon);
        item->setToolTip(ToolTipFor(file.completeBaseName()));
        // The cell's text is the picture's path; a screen reader says its name.
        item->setData(Qt::AccessibleTextRole, file.completeBaseName());
        item->setData(Qt::AccessibleDescriptionRole, ToolTipFor(file.completeBaseName()));
        item->setTextAlignment(Qt::AlignCenter);
        m_pTable->setItem(index / kColumns, index % kColumns, item);
        ++index;
    }
}

void CKivIMfaceDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    QBitmap mask(size());
    mask.fill(Qt::white);
    QPainter painter(&mask);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawRoundedRect(rect(), 3, 3);
    painter.end();
    setMask(mask);
}
