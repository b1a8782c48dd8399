#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "KivTestRegistry.h"
#include "support/KivDeploymentConfig.h"

// The head pictures' scheme: what the deployment names, else encrypted when
// the messaging connection is.
class tst_KivDeploymentConfig : public QObject {
    Q_OBJECT

private slots:
    void fileSchemeFollowsTls_data() {
        QTest::addColumn<QByteArray>("base");
        QTest::addColumn<QString>("scheme");
        QTest::newRow("plain, no scheme") << QByteArray() << "http";
        QTest::newRow("tls, no scheme") << QByteArray("tls=1\n") << "https";
        QTest::newRow("tls, empty scheme") << QByteArray("tls=1\nfileHostscheme=\n") << "https";
        QTest::newRow("tls, unknown scheme")
            << QByteArray("tls=1\nfileHostscheme=gopher\n") << "https";
        QTest::newRow("tls, http named") << QByteArray("tls=1\nfileHostscheme=http\n") << "http";
        QTest::newRow("plain, https named")
            << QByteArray("tls=0\nfileHostscheme= HTTPS \n") << "https";
        QTest::newRow("tls off, empty scheme") << QByteArray("tls=0\nfileHostscheme=\n") << "http";
    }
    void fileSchemeFollowsTls() {
        QFETCH(QByteArray, base);
        QFETCH(QString, scheme);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[base]\nfileHostaddr=10.0.0.7\nfilehostport=8443\n" + base);
        file.close();
        const KivDeploymentConfig config(path);
        QCOMPARE(config.FileScheme(), scheme);
        QCOMPARE(config.HeadUrl(10001), QUrl(scheme + QStringLiteral("://10.0.0.7:8443/10001")));
    }
};

KIV_TEST_CLASS(tst_KivDeploymentConfig)
#include "tst_KivDeploymentConfig.moc"
