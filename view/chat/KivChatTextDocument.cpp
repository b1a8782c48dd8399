#include "chat/KivChatTextDocument.h"

#include <QFileInfo>
#include <QPixmap>
#include <QPixmapCache>
#include <QTextCursor>
#include <QUrl>

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

KivChatTextDocument::KivChatTextDocument(QObject* parent) : QTextDocument(parent) {
    setUndoRedoEnabled(false);
}

void KivChatTextDocument::AppendLines(const QStringList& htmlLines) {
    QTextCursor cursor(this);
    cursor.movePosition(QTextCursor::End);
    // One edit: the text is laid out when it is complete, not line by line.
    cursor.beginEditBlock();
    bool first = isEmpty();
    for (const QString& line : htmlLines) {
        if (!first)
            cursor.insertBlock();
        first = false;
        cursor.insertHtml(line);
    }
    cursor.endEditBlock();
}

QVariant KivChatTextDocument::LoadPicture(int type, const QUrl& name) {
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

QVariant KivChatTextDocument::loadResource(int type, const QUrl& name) {
    // Never the stock loader: it would read any file a link names.
    return LoadPicture(type, name);
}
