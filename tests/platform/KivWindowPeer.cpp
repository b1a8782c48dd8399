// A second process for the window-message tests.
//   KivWindowPeer listen       prints its window id, then answers every message
//                              of kind k by sending kind k + 100 with the same
//                              data back to the sender before it returns; kind 99
//                              ends it.
//   KivWindowPeer send ID KIND BYTES   exits 0 when the message was handled.
//   KivWindowPeer connect PATH         exits 0 when the socket at PATH accepts it.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocalSocket>
#include <QTimer>

#include <cstdio>

#include "KivWindowMessage.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("send")) {
        const bool sent = KivSendMessage(args[2].toULongLong(), args[3].toUInt(), 0,
                                         QByteArray(args[4].toInt(), 'x'), 3000);
        return sent ? 0 : 1;
    }
    if (args.size() == 3 && args[1] == QLatin1String("connect")) {
        QLocalSocket socket;
        socket.connectToServer(args[2]);
        return socket.waitForConnected(3000) ? 0 : 1;
    }
    if (args.size() != 2 || args[1] != QLatin1String("listen")) {
        return 2;
    }
    quint64 own = KivWindowIdFor(0);
    KivMessageWindow window(own, [&](const KivWindowMessage& message) {
        if (message.kind == 99) {
            QTimer::singleShot(0, &app, &QCoreApplication::quit);
            return;
        }
        KivSendMessage(message.wParam, message.kind + 100, own, message.data, 3000);
    });
    if (!window.isListening()) {
        return 3;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(own));
    std::fflush(stdout);
    return app.exec();
}
