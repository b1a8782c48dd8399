#include "chat/KivChatText.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

#include "KivAttachment.h"
#include "chat/KivAttachmentCards.h"

namespace {

bool IsChatPicture(const QString& name) {
    const int slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return false;
    const QString folder = name.left(slash);
    if (folder != QLatin1String("image/face") && folder != QLatin1String("image/gift")) {
        return false;
    }
    return QFileInfo::exists(name);
}

const QRegularExpression& WebAddress() {
    static const QRegularExpression pattern(QStringLiteral(
        R"(((([A-Za-z]{3,9}:(?:\/\/)?)(?:[\-;:&=\+\$,\w]+@)?[A-Za-z0-9\.\-]+|(?:www\.|[\-;:&=\+\$,\w]+@)[A-Za-z0-9\.\-]+)((?:\/[\+~%\/\.\w\-]*)?\??(?:[\-\+=&;%@\.\w]*)#?(?:[\.\!\/\\\w]*))?))"));
    return pattern;
}

const QRegularExpression& BracketedName() {
    static const QRegularExpression pattern(QStringLiteral(R"(\[([^\]]+)\])"));
    return pattern;
}

}  // namespace

QString KivChatText::ToPlain(const QTextDocument* document) {
    QString plain;
    for (const Part& part : ToParts(document))
        plain += part.text;
    return plain;
}

QVector<KivChatText::Part> KivChatText::ToParts(const QTextDocument* document) {
    QVector<Part> parts;
    QString plain;
    if (!document)
        return parts;
    const QLatin1String attachment(kAttachmentPrefix);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block != document->begin())
            plain += QLatin1Char('\n');
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QString name = format.toImageFormat().name();
                if (name.startsWith(attachment)) {
                    // Each image character is one attachment.
                    for (int i = 0; i < fragment.length(); ++i) {
                        if (!plain.isEmpty())
                            parts.append({plain, QString()});
                        plain.clear();
                        parts.append({QString(), name.mid(attachment.size())});
                    }
                } else if (IsChatPicture(name)) {
                    plain +=
                        QLatin1Char('[') + QFileInfo(name).completeBaseName() + QLatin1Char(']');
                }
                continue;
            }
            QString text = fragment.text();
            // A soft line break inside a paragraph is a line of its own on the wire.
            text.replace(QChar::LineSeparator, QLatin1Char('\n'));
            plain += text;
        }
    }
    if (!plain.isEmpty())
        parts.append({plain, QString()});
    return parts;
}

QString KivChatText::PicturePathFor(const QString& name) {
    // A name is one file name, never a path out of the picture folders.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        name.contains(QChar::Null))
        return QString();
    // The picker offers what the folders hold, whatever the case of the suffix.
    for (const QString& folder : {QStringLiteral("image/gift"), QStringLiteral("image/face")}) {
        const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
        for (const QString& suffix :
             {QStringLiteral("gif"), QStringLiteral("png"), QStringLiteral("jpg")}) {
            for (const QFileInfo& file : files) {
                if (file.completeBaseName() == name &&
                    file.suffix().compare(suffix, Qt::CaseInsensitive) == 0)
                    return folder + QLatin1Char('/') + file.fileName();
            }
        }
    }
    return QString();
}

bool KivChatText::IsPictureSuffix(const QString& suffix) {
    return suffix.compare(QLatin1String("png"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0;
}

bool KivChatText::HasGift(const QString& plain) {
    if (KivAttachment::FromText(plain))
        return false;
    QRegularExpressionMatchIterator it = BracketedName().globalMatch(plain);
    while (it.hasNext()) {
        if (PicturePathFor(it.next().captured(1)).startsWith(QLatin1String("image/gift/")))
            return true;
    }
    return false;
}

QStringList KivChatText::ToHtml(const QString& text) {
    // An announced file shows by its name and size only: the name is text,
    // never a face, a gift or a link.
    if (const std::optional<KivAttachment> attachment = KivAttachment::FromText(text)) {
        return {tr("【附件】%1（%2）")
                    .arg(attachment->ShownName().toHtmlEscaped(),
                         KivAttachmentCards::SizeText(attachment->size))};
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line = line.toHtmlEscaped();
        line.replace(WebAddress(), QStringLiteral("<a href='\\1'><span style=\"text-decoration: "
                                                  "underline; color:#0000ff;\">\\1</span></a>"));
        int from = 0;
        QRegularExpressionMatch match = BracketedName().match(line, from);
        while (match.hasMatch()) {
            const QString whole = match.captured(0);
            const QString path = PicturePathFor(match.captured(1));
            from = match.capturedStart() + match.capturedLength();
            if (!path.isEmpty()) {
                const QString image = QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\"/>")
                                          .arg(path)
                                          .arg(60)
                                          .arg(60);
                line.replace(whole, image);
                from = match.capturedStart() + image.size();
            }
            match = BracketedName().match(line, from);
        }
    }
    return lines;
}

QString KivChatText::Summary(const QString& text) {
    const std::optional<KivAttachment> attachment = KivAttachment::FromText(text);
    if (!attachment)
        return text;
    return (attachment->IsPicture() ? tr("[图片] %1") : tr("[文件] %1"))
        .arg(attachment->ShownName());
}

double KivChatText::GiftPrice(const QString& path) {
    bool number = false;
    const double price = QFileInfo(path).completeBaseName().toDouble(&number);
    return number && qIsFinite(price) && price > 0 ? price : 0.0;
}

double KivChatText::GiftCost(const QString& plain) {
    double cost = 0;
    if (KivAttachment::FromText(plain))
        return cost;
    QRegularExpressionMatchIterator it = BracketedName().globalMatch(plain);
    while (it.hasNext()) {
        const QString path = PicturePathFor(it.next().captured(1));
        if (path.startsWith(QLatin1String("image/gift/")))
            cost += GiftPrice(path);
    }
    return cost;
}
