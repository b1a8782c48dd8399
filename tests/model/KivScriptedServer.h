#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <memory>

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

// A net model test's ground: a temporary data folder as the working
// directory, and a scripted server the net model is pointed at. Going away,
// it releases the model singletons and restores the working directory.
class KivNetModelHome {
public:
    KivNetModelHome();
    ~KivNetModelHome();

    bool isValid() const { return m_dir.isValid(); }
    ScriptedServer& server() { return *m_server; }
    CKivFriendNetModel& net() { return *m_net; }

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
    std::unique_ptr<ScriptedServer> m_server;
    CKivFriendNetModel* m_net = nullptr;
};
