#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>

class QTextDocument;

// The chat text format: plain UTF-8 lines, a face or gift written as its
// picture's base name in square brackets. Converts it to and from rich text.
class KivChatText {
    Q_DECLARE_TR_FUNCTIONS(KivChatText)

public:
    // The plain text of an input document: faces and gifts become "[name]",
    // other pictures and all formatting are dropped.
    static QString ToPlain(const QTextDocument* document);
    // Pictures and files waiting in the input stand there as images named
    // with this prefix and their key.
    static constexpr const char* kAttachmentPrefix = "kivattach:";
    // What the input holds, in the order it stands: runs of plain text (as
    // ToPlain) and the keys of the attachments between them.
    struct Part {
        QString text;
        QString attachment;  // the key; the text is empty then
    };
    static QVector<Part> ToParts(const QTextDocument* document);
    // One HTML line per text line: received text is escaped, web addresses
    // become links and bracketed names with a picture become images.
    static QStringList ToHtml(const QString& text);

    // The suffixes a face or gift picture may have, in any case.
    static bool IsPictureSuffix(const QString& suffix);
    // The picture for a bracketed name (gift first, then face), or empty: a
    // file of the folder with that base name and a picture suffix.
    static QString PicturePathFor(const QString& name);
    // A chat text as a notice or a list shows it in one line: an announced
    // file as "[图片] name" or "[文件] name", any other text as it is.
    static QString Summary(const QString& text);
    // Whether any bracketed name of a chat text shows as a gift picture.
    static bool HasGift(const QString& plain);
    // What the gifts of a chat text cost: the prices of every bracketed name
    // that shows as a gift picture.
    static double GiftCost(const QString& plain);
    // A gift picture's price is its base name read as a number; a name that
    // is no positive finite number costs nothing.
    static double GiftPrice(const QString& path);
};
