#include <QApplication>
#include <QIcon>

#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivClientWiring.h"
#include "KivDisplay.h"
#include "KivHotKey.h"
#include "KivLanguage.h"
#include "KivModelRelease.h"
#include "KivNativeEvent.h"
#include "shell/KivIMLoginDlg.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivFonts.h"

int main(int argc, char* argv[]) {
    KivNativeEvent filter;
    QCoreApplication::addLibraryPath(QStringLiteral("./plugins"));
    int exitCode = 0;
    {
        // Native Wayland windows in a Wayland session, X11 elsewhere.
        KivApplyQtPlatform();
        // Sharp on high-density screens: the windows scale by the screen's
        // factor and the skins take their twice-as-large pictures.
        QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
        QApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
        QApplication app(argc, argv);
        // The session lives on in the tray with no window shown; only quitting ends it.
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setWindowIcon(QIcon(QStringLiteral("Resources/skin/SysIcon.png")));
        KivFonts::Install();
        // Chinese or English, before the first window.
        KivLanguage::InstallForClient(&app);

        // The one session of this program, handed to every window that needs it.
        CKivSession session(*CKivFriendNetModel::GetInstance(),
                            *CKivFriendHearbeatModel::GetInstance());
        KivIMLoginDlg login(nullptr, session);
        login.show();
        app.installNativeEventFilter(&filter);
        // Presses the desktop reports outside X events (the portal's) take the same road.
        KivHotKey::SetActivationHandler([&filter](int id) { filter.HandleHotKey(id); });
        KivClientWiring::Connect(&filter, KivIMMainDlg::mainDlg);
        // A lost connection brings a fresh main window; its hot keys reach the same filter.
        QObject::connect(
            &login, &KivIMLoginDlg::MainDlgReplaced, &filter,
            [&filter](KivIMMainDlg* mainDlg) { KivClientWiring::Connect(&filter, mainDlg); });

        exitCode = app.exec();

        KivReleaseModels();
        delete KivIMMainDlg::mainDlg;
    }
    return exitCode;
}
