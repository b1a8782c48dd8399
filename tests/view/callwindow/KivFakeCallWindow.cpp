// A stand-in for the call window program in the view tests, started by the
// windows under test as "media/CallView" (a script that adds --window=ID).
//   --window=ID   the window id it takes messages for (as X would reuse one)
//   --device=ID   its starter's window; it says kind 1 there at once
// A message of kind 1000 + k from anyone is passed on to the starter as kind
// k with the same data, from this window; kind 2 from the starter, or kind
// 999 from anyone, ends it.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>

#include "KivWindowMessage.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    quint64 own = 0;
    quint64 device = 0;
    for (const QString& argument : app.arguments()) {
        if (argument.startsWith(QLatin1String("--window=")))
            own = argument.mid(9).toULongLong();
        else if (argument.startsWith(QLatin1String("--device=")))
            device = argument.mid(9).toULongLong();
    }
    if (own == 0 || device == 0)
        return 2;
    // Quitting inside a nested send would cut its wait short, and the
    // answers still on their way need a moment to leave.
    int relaying = 0;
    bool quitting = false;
    const auto quit = [&] { QTimer::singleShot(200, &app, &QCoreApplication::quit); };
    KivMessageWindow window(own, [&](const KivWindowMessage& message) {
        if (message.kind == 999 || (message.kind == 2 && message.wParam == device)) {
            if (relaying > 0)
                quitting = true;
            else
                quit();
        } else if (message.kind >= 1000) {
            ++relaying;
            KivSendMessage(device, message.kind - 1000, own, message.data, 3000);
            if (--relaying == 0 && quitting)
                quit();
        }
    });
    if (!window.isListening())
        return 3;
    if (!KivSendMessage(device, 1, own, QByteArray(1, '\0'), 5000))
        return 4;
    return app.exec();
}
