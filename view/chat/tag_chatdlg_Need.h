#pragma once

#include <QString>

// What the main window hands a chat dialog about the friend it talks to.
struct tag_chatdlg_Need {
    quint32 ownUid = 0;
    quint32 friendUid = 0;
    quint32 headIndex = 0;
    QString nickName;
    QString spare;
    QString account;
    QString sign;
};
