// CallView: the window of one voice and video call, started by the client.
#include <QApplication>
#include <QIcon>

#include "CallViewCommandLine.h"
#include "CallViewController.h"
#include "CallViewFreePort.h"
#include "CallViewOwnAddress.h"
#include "CallViewSound.h"
#include "CallViewSoundSettings.h"
#include "CallViewVideoWindow.h"
#include "CallViewWindow.h"
#include "KivWindowMessage.h"
#include "PictureLink.h"

int main(int argc, char** argv) {
    // Scaled by the screen's factor, like the client's windows.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    const CallViewCommandLine commandLine(app.arguments());

    CallViewWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/callview/logo.png")));
    const quint64 ownId = KivWindowIdFor(quint64(window.winId()));

    // The user's microphone, speaker and echo cancellation, before any call.
    CallViewSoundSettings::FromEnvironment().ApplyTo(CallViewSoundSetup());

    CallViewFreePort ports;
    CallViewController::Messenger messenger;
    messenger.send = [ownId](quint64 to, quint32 kind, const QByteArray& data) {
        return KivSendMessage(to, kind, ownId, data);
    };
    messenger.exists = &KivWindowExists;
    CallViewController controller(commandLine, {GetPictureLink(), CallViewSoundLink()}, messenger,
                                  ports, CallViewOwnAddress());
    KivMessageWindow endpoint(ownId, [&controller](const KivWindowMessage& message) {
        controller.OnWindowMessage(message);
    });
    QObject::connect(&window, &CallViewWindow::HangUpClicked, &controller,
                     &CallViewController::HangUp);
    QObject::connect(&controller, &CallViewController::Finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);

    window.show();
    // The start waits for its window messages in loops of their own; begun
    // inside the main loop, an end that arrives meanwhile ends the program.
    QMetaObject::invokeMethod(
        &controller,
        [&controller, &window] {
            controller.Start(window.LocalVideo()->NativeId(), window.RemoteVideo()->NativeId());
        },
        Qt::QueuedConnection);
    return app.exec();
}
