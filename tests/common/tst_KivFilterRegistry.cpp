#include <QtTest>

#include "KivFilterRegistry.h"
#include "KivTestRegistry.h"

class tst_KivFilterRegistry : public QObject {
    Q_OBJECT
private slots:
    void lookup_data() {
        QTest::addColumn<QString>("clsid");
        QTest::addColumn<QString>("factory");
        QTest::newRow("net source") << "{01A600DE-57CD-48D3-DE5C-2C0572059935}"
                                    << "netsou";
        QTest::newRow("lower case, no braces") << "01a600de-57cd-48d3-aa5c-2c05720599a3"
                                               << "deskgrab";
        QTest::newRow("sample sink") << "{11DBDB12-2AE3-4CF8-9CE8-C5C30A180F04}"
                                     << "kivsamplesink";
        QTest::newRow("unknown") << "{01A600DE-57CD-48D3-AA5C-2C05720599A4}" << QString();
        QTest::newRow("half braced") << "{01A600DE-57CD-48D3-DE5C-2C0572059935" << QString();
        QTest::newRow("empty") << "" << QString();
    }
    void lookup() {
        QFETCH(QString, clsid);
        QFETCH(QString, factory);
        const QByteArray id = clsid.toLatin1();
        const char* found = KivFactoryForClsid(std::string_view(id.constData(), id.size()));
        QCOMPARE(QString::fromLatin1(found), factory);
    }
};

KIV_TEST_CLASS(tst_KivFilterRegistry)
#include "tst_KivFilterRegistry.moc"
