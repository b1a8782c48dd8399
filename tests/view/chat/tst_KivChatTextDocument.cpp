#include <QPixmap>
#include <QtTest>

#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/KivChatTextDocument.h"

// A chat text laid out on its own loads only face and gift pictures: the
// stock document would read any file an <img> names.
class tst_KivChatTextDocument : public QObject {
    Q_OBJECT

private slots:
    void onlyFaceAndGiftPicturesLoad() {
        KivViewTestTree tree;
        tree.addPicture(QStringLiteral("image/face/smile.png"));
        tree.addPicture(QStringLiteral("image/gift/5.png"));
        tree.addPicture(QStringLiteral("secret.png"));
        tree.addPicture(QStringLiteral("image/secret.png"));
        KivChatTextDocument text;
        auto picture = [&text](const QString& source) {
            return text.resource(QTextDocument::ImageResource, QUrl(source))
                           .value<QPixmap>()
                           .isNull()
                       ? QStringLiteral("none")
                       : QStringLiteral("loaded");
        };
        QCOMPARE(picture(QStringLiteral("image/face/smile.png")), QStringLiteral("loaded"));
        QCOMPARE(picture(QStringLiteral("image/gift/5.png")), QStringLiteral("loaded"));
        for (const char* source :
             {"secret.png", "image/secret.png", "image/face/../secret.png",
              "image/face/../../secret.png", "file:secret.png", "image/face/missing.png"}) {
            QCOMPARE(picture(QString::fromUtf8(source)), QStringLiteral("none"));
        }
        const QString absolute = QUrl::fromLocalFile(tree.path() + "/secret.png").toString();
        QCOMPARE(picture(absolute), QStringLiteral("none"));
    }

    void linesBecomeParagraphs() {
        KivChatTextDocument text;
        text.AppendLines({QStringLiteral("第一行"), QStringLiteral("<b>二</b>"), QString()});
        QCOMPARE(text.blockCount(), 3);
        QCOMPARE(text.toPlainText(), QStringLiteral("第一行\n二\n"));
    }
};

KIV_TEST_CLASS(tst_KivChatTextDocument)
#include "tst_KivChatTextDocument.moc"
