// CallView: the window of one voice and video call, started by the client.
#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include "CMediaCallKeys.h"
#include "CallViewCommandLine.h"
#include "CallViewController.h"
#include "CallViewFreePort.h"
#include "CallViewOwnAddress.h"
#include "CallViewSound.h"
#include "CallViewSoundSettings.h"
#include "CallViewVideoWindow.h"
#include "CallViewWindow.h"
#include "ISoundLinkSetup.h"
#include "KivDisplay.h"
#include "KivLanguage.h"
#include "KivWindowMessage.h"
#include "PictureLink.h"

int main(int argc, char** argv) {
    // Native Wayland windows in a Wayland session, X11 elsewhere.
    KivApplyQtPlatform();
    // Scaled by the screen's factor, like the client's windows.
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QApplication app(argc, argv);
    // The client's language.
    KivLanguage::InstallForChild(&app);
    const CallViewCommandLine commandLine(app.arguments());

    CallViewWindow window;
    window.setWindowIcon(QIcon(QStringLiteral(":/callview/logo.png")));
    const quint64 ownId = KivWindowIdFor(quint64(window.winId()));

    // The user's microphone, speaker and echo cancellation, before any call.
    const CallViewSoundSettings settings = CallViewSoundSettings::FromEnvironment();
    settings.ApplyTo(CallViewSoundSetup());

    CallViewFreePort ports;
    CallViewController::Messenger messenger;
    messenger.send = [ownId](quint64 to, quint32 kind, const QByteArray& data) {
        return KivSendMessage(to, kind, ownId, data);
    };
    messenger.exists = &KivWindowExists;
    CallViewController::Sessions sessions{GetPictureLink(), CallViewSoundLink(), nullptr};
    sessions.useKeys = [](std::shared_ptr<CMediaCallKeys> keys) {
        GetPictureLinkSetup()->SetCallKeys(keys);
        if (ISoundLinkSetup* sound = CallViewSoundSetup()) {
            sound->SetCallKeys(std::move(keys));
        }
    };
    CallViewController controller(commandLine, sessions, messenger, ports, CallViewOwnAddress());
    controller.SetEncryptedOnly(settings.encryptedOnly);
    KivMessageWindow endpoint(ownId, [&controller](const KivWindowMessage& message) {
        controller.OnWindowMessage(message);
    });
    QObject::connect(&window, &CallViewWindow::HangUpClicked, &controller,
                     &CallViewController::HangUp);
    QObject::connect(&controller, &CallViewController::Finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    QObject::connect(&controller, &CallViewController::SecurityChanged, &window,
                     [&controller, &window] {
                         const bool encrypted =
                             controller.CallSecurity() == CallViewController::Security::Encrypted;
                         window.ShowSecurity(controller.SecurityText(), encrypted);
                         // For the log: what the two people should compare.
                         qInfo("CallView: call media %s%s",
                               encrypted ? "encrypted, short code " : "not encrypted",
                               qPrintable(controller.ShortCode()));
                     });
    QObject::connect(
        &controller, &CallViewController::Refused, &window,
        [&window](const QString& message) {
            QMessageBox::warning(&window, QCoreApplication::translate("CallViewWindow", "视频通话"),
                                 message);
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection);
    window.ShowSecurity(controller.SecurityText(), false);

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
