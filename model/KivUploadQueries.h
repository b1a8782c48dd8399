#pragma once

#include <QString>
#include <QVector>

// The files of the logged-in account on their way to the file server, kept
// in its chat database so that an upload goes on after a restart.
class KivUploadQueries {
public:
    struct Upload {
        qint64 id = 0;
        quint32 sender = 0;
        quint32 receiver = 0;
        QString path;  // the file on this computer
        QString name;  // as it will be announced
        quint64 size = 0;
        quint32 session = 0;
        quint64 sent = 0;
    };

    // Keeps a new upload; its id, 0 when the database refused it.
    static qint64 Add(quint32 sender, quint32 receiver, const QString& path, const QString& name,
                      quint64 size);
    // The uploads of `sender`, oldest first.
    static QVector<Upload> Waiting(quint32 sender);
    static bool SetSession(qint64 id, quint32 session);
    static bool SetSent(qint64 id, quint64 sent);
    static bool Remove(qint64 id);
};
