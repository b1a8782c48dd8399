#include <QtTest>

#include "CKivFriendReadConfigModel.h"
#include "KivTestRegistry.h"

class tst_CKivFriendReadConfigModel : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_previous;

    void writeConfig(const QByteArray& content) {
        QDir(m_dir.path()).mkpath(QStringLiteral("Config"));
        QFile file(m_dir.filePath(QStringLiteral("Config/config.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void init() {
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        QFile::remove(m_dir.filePath(QStringLiteral("Config/config.ini")));
    }
    void cleanup() {
        CKivFriendReadConfigModel::ReleaseInstance();
        QDir::setCurrent(m_previous);
    }

    void values_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("ipaddr");
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("version");
        QTest::newRow("all") << QByteArray("[base]\nipaddr=10.1.2.3\nport=7000\nversion=3\n")
                             << QByteArray("10.1.2.3") << 7000 << 3;
        QTest::newRow("only ipaddr")
            << QByteArray("[base]\nipaddr=127.0.0.1\n") << QByteArray("127.0.0.1") << 6800 << 1;
        QTest::newRow("case") << QByteArray("[BASE]\nIPADDR=1.1.1.1\nPort=1\n")
                              << QByteArray("1.1.1.1") << 1 << 1;
        QTest::newRow("not numbers")
            << QByteArray("[base]\nport=abc\nversion=x\n") << QByteArray() << 0 << 0;
        QTest::newRow("overlong address")
            << QByteArray("[base]\nipaddr=" + QByteArray(40, '9') + "\n") << QByteArray(31, '9')
            << 6800 << 1;
        QTest::newRow("garbage") << QByteArray("\x01\xff[[[=\n\x00\x00=", 10) << QByteArray()
                                 << 6800 << 1;
    }
    void values() {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, ipaddr);
        QFETCH(int, port);
        QFETCH(int, version);
        writeConfig(content);
        SStr_Config_File* config = CKivFriendReadConfigModel::GetInstance()->GetConfigFile();
        QCOMPARE(QByteArray(config->ipaddr), ipaddr);
        QCOMPARE(config->port, port);
        QCOMPARE(config->version, version);
    }

    void missingFileGivesDefaults() {
        SStr_Config_File* config = CKivFriendReadConfigModel::GetInstance()->GetConfigFile();
        QCOMPARE(QByteArray(config->ipaddr), QByteArray());
        QCOMPARE(config->port, 6800);
        QCOMPARE(config->version, 1);
    }

    void readOncePerProcess() {
        writeConfig("[base]\nport=1111\n");
        CKivFriendReadConfigModel* model = CKivFriendReadConfigModel::GetInstance();
        writeConfig("[base]\nport=2222\n");
        QCOMPARE(CKivFriendReadConfigModel::GetInstance(), model);
        QCOMPARE(model->GetConfigFile()->port, 1111);
    }
};

KIV_TEST_CLASS(tst_CKivFriendReadConfigModel)
#include "tst_CKivFriendReadConfigModel.moc"
