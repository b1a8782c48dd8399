#include "chat/KivChatSearchText.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "CKivChatSearchIndex.h"
#include "chat/KivChatText.h"

namespace {

QSet<QString> ReadPictureNames() {
    QSet<QString> names;
    for (const QString& folder : {QStringLiteral("image/gift"), QStringLiteral("image/face")}) {
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files)) {
            if (KivChatText::IsPictureSuffix(file.suffix()))
                names.insert(file.completeBaseName());
        }
    }
    return names;
}

}  // namespace

KivChatSearchText::KivChatSearchText() : m_pictures(ReadPictureNames()) {}

KivChatSearchText::KivChatSearchText(QSet<QString> pictureNames)
    : m_pictures(std::move(pictureNames)) {}

QString KivChatSearchText::Plain(const QString& chatText) const {
    static const QRegularExpression bracketed(QStringLiteral(R"(\[([^\[\]\n]+)\])"));
    QString plain;
    plain.reserve(chatText.size());
    int from = 0;
    QRegularExpressionMatchIterator it = bracketed.globalMatch(chatText);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (!m_pictures.contains(match.captured(1)))
            continue;
        plain += chatText.midRef(from, match.capturedStart() - from);
        plain += QChar(QChar::ObjectReplacementCharacter);
        from = match.capturedEnd();
    }
    plain += chatText.midRef(from);
    return plain;
}

QVector<QPair<int, int>> KivChatSearchText::Find(const QString& plain, const QString& query) {
    QVector<QPair<int, int>> found;
    if (query.isEmpty())
        return found;
    const QString text = CKivChatSearchIndex::folded(plain);
    const QString wanted = CKivChatSearchIndex::folded(query);
    for (int at = text.indexOf(wanted); at >= 0; at = text.indexOf(wanted, at + wanted.size()))
        found.append({at, wanted.size()});
    return found;
}
