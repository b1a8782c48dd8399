#include <QPainter>
#include <QtTest>

#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "support/KivPicture.h"

// Skin pictures for the screen's density: the @2x sibling's name, and the
// picture itself where the screen has one device pixel per point.
class tst_KivPicture : public QObject {
    Q_OBJECT
private slots:
    void doubleSizePath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("larger");
        QTest::newRow("png") << "Resources/skin/a.png"
                             << "Resources/skin/a@2x.png";
        QTest::newRow("dotted folder") << "Resources/skin.v2/a"
                                       << "Resources/skin.v2/a@2x";
        QTest::newRow("two dots") << "b.9.png"
                                  << "b.9@2x.png";
        QTest::newRow("hidden file") << "skin/.png"
                                     << "skin/.png@2x";
    }
    void doubleSizePath() {
        QFETCH(QString, path);
        QFETCH(QString, larger);
        QCOMPARE(KivPicture::DoubleSizePath(path), larger);
    }

    void singleDensityTakesThePicture() {
        KivViewTestTree tree;
        QImage small(10, 6, QImage::Format_ARGB32);
        small.fill(Qt::red);
        QVERIFY(small.save(QStringLiteral("p.png")));
        QImage large(20, 12, QImage::Format_ARGB32);
        large.fill(Qt::blue);
        QVERIFY(large.save(QStringLiteral("p@2x.png")));
        const QPixmap picture = KivPicture::Load(QStringLiteral("p.png"));
        QCOMPARE(KivPicture::ShownSize(picture), QSize(10, 6));
        if (qApp->devicePixelRatio() > 1.0) {
            QCOMPARE(picture.size(), QSize(20, 12));
        } else {
            QCOMPARE(picture.size(), QSize(10, 6));
        }
        QVERIFY(KivPicture::Load(QStringLiteral("missing.png")).isNull());
    }
};

KIV_TEST_CLASS(tst_KivPicture)
#include "tst_KivPicture.moc"
