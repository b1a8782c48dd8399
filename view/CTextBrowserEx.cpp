#include "CTextBrowserEx.h"

#include <QFileInfo>
#include <QPixmapCache>
#include <QTextCursor>
#include <QUrl>

#include "KivChatLink.h"

namespace {

// Only "image/face/<file>" and "image/gift/<file>", nothing around them.
bool IsChatPicturePath(const QString& path) {
    const QStringList parts = path.split(QLatin1Char('/'));
    return parts.size() == 3 && parts[0] == QLatin1String("image") &&
           (parts[1] == QLatin1String("face") || parts[1] == QLatin1String("gift")) &&
           !parts[2].isEmpty() && parts[2] != QLatin1String("..") &&
           !parts[2].contains(QLatin1Char('\\'));
}

}  // namespace

CTextBrowserEx::CTextBrowserEx(QWidget* parent) : QTextBrowser(parent) {
    setContextMenuPolicy(Qt::NoContextMenu);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setFrameShape(QFrame::NoFrame);
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    setPalette(clear);
    viewport()->setAutoFillBackground(false);
    connect(this, &QTextBrowser::anchorClicked, this, &CTextBrowserEx::anchorClickedSlot);
}

void CTextBrowserEx::AppendLines(const QStringList& htmlLines) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    bool first = document()->isEmpty();
    for (const QString& line : htmlLines) {
        if (!first)
            cursor.insertBlock();
        first = false;
        cursor.insertHtml(line);
    }
}

void CTextBrowserEx::anchorClickedSlot(const QUrl& link) {
    KivChatLink::Open(link);
}

QVariant CTextBrowserEx::loadResource(int type, const QUrl& name) {
    if (type != QTextDocument::ImageResource)
        return QVariant();
    const QString path = name.toString(QUrl::PreferLocalFile);
    if (!IsChatPicturePath(path))
        return QVariant();
    const QString key = QStringLiteral("kivchat:") + path;
    QPixmap picture;
    if (!QPixmapCache::find(key, &picture)) {
        if (!QFileInfo(path).isFile() || !picture.load(path))
            return QVariant();
        QPixmapCache::insert(key, picture);
    }
    return picture;
}
