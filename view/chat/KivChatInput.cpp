#include "chat/KivChatInput.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace {

QStringList LocalFiles(const QMimeData* source) {
    QStringList paths;
    if (!source->hasUrls())
        return paths;
    for (const QUrl& url : source->urls()) {
        if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace

KivChatInput::KivChatInput(QWidget* parent) : QTextEdit(parent) {}

bool KivChatInput::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasImage() || !LocalFiles(source).isEmpty() ||
           QTextEdit::canInsertFromMimeData(source);
}

void KivChatInput::insertFromMimeData(const QMimeData* source) {
    // Files first: a file manager's copy also carries the names as text.
    const QStringList files = LocalFiles(source);
    if (!files.isEmpty()) {
        emit FilesGiven(files);
        return;
    }
    if (source->hasImage()) {
        const QImage picture = qvariant_cast<QImage>(source->imageData());
        if (!picture.isNull()) {
            emit PictureGiven(picture);
            return;
        }
    }
    // Text, and faces copied from a bubble, as a text edit takes them.
    QTextEdit::insertFromMimeData(source);
}
