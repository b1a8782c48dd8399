#include "shell/MyCustomListViewItemDelegate.h"

#include <QAbstractItemView>
#include <QDateTime>
#include <QFileInfo>
#include <QLayout>
#include <QPainter>
#include <QPixmap>
#include <QPixmapCache>

#include "chat/KivChatTimeText.h"
#include "shell/MyCustomListViewItem.h"
#include "support/KivHeadPath.h"
#include "support/KivSafeImage.h"

namespace {

const int kHeadSide = 40;
const QColor kSelectedBackground(253, 235, 169);
const QColor kHoverBackground(247, 247, 247);

// The cache key names the file's version, so a replaced picture (a new head
// downloaded over the old one) is decoded afresh.
QString cacheKey(const QFileInfo& file) {
    return QStringLiteral("kivhead:%1:%2:%3")
        .arg(file.absoluteFilePath())
        .arg(file.lastModified().toMSecsSinceEpoch())
        .arg(file.size());
}

// A file that exists but does not decode is remembered as the stock head, so
// it is not decoded again on every paint.
QPixmap loadScaled(const QString& path, const QPixmap& fallback) {
    const QFileInfo file(path);
    if (path.isEmpty() || !file.isFile()) {
        return fallback;
    }
    const QString key = cacheKey(file);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) {
        return pixmap;
    }
    pixmap = KivSafeImage::Pixmap(path);
    if (!pixmap.isNull()) {
        pixmap =
            pixmap.scaled(kHeadSide, kHeadSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    } else {
        pixmap = fallback;
    }
    if (!pixmap.isNull()) {
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

}  // namespace

MyCustomListViewItemDelegate::MyCustomListViewItemDelegate(QAbstractItemView* view)
    : QItemDelegate(view), m_view(view) {}

MyCustomListViewItem* MyCustomListViewItemDelegate::item() const {
    // Made for the first paint or tip: a long list builds stamps only for
    // the rows that are seen or wait.
    if (!m_item) {
        m_item = std::make_unique<MyCustomListViewItem>();
        if (m_view) {
            connect(m_item.get(), &MyCustomListViewItem::Blinked, m_view->viewport(),
                    QOverload<>::of(&QWidget::update));
        }
    }
    return m_item.get();
}

MyCustomListViewItemDelegate::~MyCustomListViewItemDelegate() = default;

QPixmap MyCustomListViewItemDelegate::HeadPixmap(const QString& path) {
    const QString stock = KivHeadPath::DefaultHead();
    const QPixmap fallback = loadScaled(stock, QPixmap());
    return path == stock ? fallback : loadScaled(path, fallback);
}

void MyCustomListViewItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    item()->resize(option.rect.size());
    const QStringList row = index.data(Qt::DisplayRole).toStringList();
    item()->SetHead(HeadPixmap(row.value(1)));
    item()->SetName(row.value(0));
    item()->SetDescription(row.value(2));
    const QString time = row.value(3);
    item()->SetTime(time.isEmpty() ? QString()
                                   : KivChatTimeText::Format(time, QDateTime::currentDateTime()));
    // A row too narrow for the time as well keeps the room for the text.
    if (item()->minimumSizeHint().width() > option.rect.width())
        item()->SetTime(QString());

    QColor background(Qt::transparent);
    if (option.state & QStyle::State_Selected) {
        background = kSelectedBackground;
    } else if (option.state & QStyle::State_MouseOver) {
        background = kHoverBackground;
    }
    QPalette palette = item()->palette();
    palette.setColor(QPalette::Window, background);
    item()->setPalette(palette);
    item()->layout()->activate();

    painter->save();
    // The stamp never shrinks below its minimum size; keep it inside its row.
    painter->setClipRect(option.rect, Qt::IntersectClip);
    painter->translate(option.rect.topLeft());
    item()->render(painter, QPoint(), QRegion(),
                   QWidget::DrawWindowBackground | QWidget::DrawChildren);
    painter->restore();
}

QSize MyCustomListViewItemDelegate::sizeHint(const QStyleOptionViewItem& /*option*/,
                                             const QModelIndex& /*index*/) const {
    return item()->minimumSize();
}
