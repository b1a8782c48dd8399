#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include "CKivRecordCutter.h"

class CKivFriendNetModel;

template <class R>
QByteArray bytesOf(const R& record) {
    return QByteArray(reinterpret_cast<const char*>(&record), sizeof(record));
}

// A server played by the test: it records what the client sends, cut into
// records, and writes whatever the test gives it.
class ScriptedServer : public QObject {
public:
    ScriptedServer();

    void read(QTcpSocket* from);
    QList<quint32> commands() const;
    void send(const QByteArray& bytes);
    // Has `net` connect anew and accepts its connection check; false when
    // that did not happen within a few seconds.
    bool connectClient(CKivFriendNetModel& net);
    // Has `net` send a login and answers it with `loginResult`; false when
    // the net model is not logged in after a few seconds.
    bool logIn(CKivFriendNetModel& net, const QByteArray& loginResult);

    QTcpServer server;
    QTcpSocket* peer = nullptr;
    CKivRecordCutter cutter;
    QList<QByteArray> received;
};
