#pragma once

#include <QString>
#include <QtGlobal>

// One row of a conversation's history, as the chat record shows it.
struct CKivChatRecordRow {
    qint64 id = 0;
    quint32 senderUid = 0;
    quint32 receiverUid = 0;
    QString message;
    QString msgTime;
};
