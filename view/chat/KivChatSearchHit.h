#pragma once

#include <QMetaType>
#include <QPair>
#include <QString>
#include <QVector>

// One message a search found: where it is, and its plain text with the
// places the query stands in it.
struct KivChatSearchHit {
    qint64 id = 0;
    quint32 sender = 0;
    quint32 receiver = 0;
    QString time;
    QString plain;
    QVector<QPair<int, int>> spans;
};
Q_DECLARE_METATYPE(KivChatSearchHit)
