// Draws every picture of the client's data tree into the folder given on the
// command line. Deterministic: the same program writes the same bytes.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include "ArtCatalog.h"
#include "ArtSkins.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: kivArtGen <data root>\n";
        return 2;
    }
    QElapsedTimer timer;
    timer.start();

    ArtCatalog catalog;
    addRootSkin(catalog);
    addMainDlgSkin(catalog);
    addLoginDlgSkin(catalog);
    addMessageBoxSkin(catalog);
    addChatMsgBoxSkin(catalog);
    addMediaCueSkin(catalog);
    addChatDlgSkin(catalog);
    addFaceDlgSkin(catalog);
    addChatRecordSkin(catalog);
    addAddFriendSkin(catalog);
    addAddFriendTipSkin(catalog);
    addHistorySearchSkin(catalog);
    addCheckFriendSkin(catalog);
    addChoiceHeadSkin(catalog);
    addPersonalInfoSkin(catalog);
    addSysSettingSkin(catalog);
    addRegisterSkin(catalog);
    addRecoverSkin(catalog);
    addPlayDlgSkin(catalog);
    addHeadPictures(catalog);
    addFacePictures(catalog);
    addGiftPictures(catalog);

    QString error;
    if (!catalog.writeAll(app.arguments().at(1), &error)) {
        err << "kivArtGen: " << error << '\n';
        return 1;
    }
    QTextStream(stdout) << "kivArtGen: " << catalog.fileCount() << " pictures in "
                        << timer.elapsed() << " ms\n";
    return 0;
}
