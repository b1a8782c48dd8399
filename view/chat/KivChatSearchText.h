#pragma once

#include <QPair>
#include <QSet>
#include <QString>
#include <QVector>

// A chat text as the search compares it: the faces and gifts written as
// "[name]" are pictures, not words, and match nothing; Latin letters match
// in either case. The picture names are read once, from the picture folders.
class KivChatSearchText {
public:
    KivChatSearchText();
    // For tests: these names are the pictures.
    explicit KivChatSearchText(QSet<QString> pictureNames);

    // The text without its pictures (each stands as U+FFFC, which no query
    // holds); a query never spans lines.
    QString Plain(const QString& chatText) const;
    // Where `query` stands in `plain` (as Plain() gave it): start and length
    // of each occurrence, in order.
    static QVector<QPair<int, int>> Find(const QString& plain, const QString& query);
    bool Matches(const QString& chatText, const QString& query) const {
        return !Find(Plain(chatText), query).isEmpty();
    }

private:
    QSet<QString> m_pictures;
};
