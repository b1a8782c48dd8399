#pragma once

#include <QString>
#include <QStringList>

class QTextDocument;

// The chat text format: plain UTF-8 lines, a face or gift written as its
// picture's base name in square brackets. Converts it to and from rich text.
class KivChatText {
public:
    // The plain text of an input document: faces and gifts become "[name]",
    // other pictures and all formatting are dropped.
    static QString ToPlain(const QTextDocument* document);
    // One HTML line per text line: received text is escaped, web addresses
    // become links and bracketed names with a picture become images.
    static QStringList ToHtml(const QString& text);

    // The picture for a bracketed name (gift first, then face), or empty.
    static QString PicturePathFor(const QString& name);
};
