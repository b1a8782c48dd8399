#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include "CKivFriendReadIniFile.h"
#include "KivPrivateProfile.h"
#include "KivTestRegistry.h"

namespace {

// A deployment's hand-written file: comments, blank lines, odd spacing.
const QByteArray kDeployed =
    "; KivIM deployment\n"
    "[base]\n"
    "# the messaging server\n"
    "ipaddr = 10.0.0.1\n"
    "port=6800\n"
    "\n"
    "needUpdate=1 \n"
    "\n"
    "[web]\n"
    "site=http://kiv.example/a?b=1,2;3\n"
    "download=\"http://kiv.example/get, now\"\n";

}  // namespace

class tst_KivPrivateProfile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QByteArray& content) {
        static int serial = 0;
        const QString path = m_dir.filePath(QStringLiteral("p%1.ini").arg(++serial));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }

private slots:
    void reads_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks around") << "base"
                                       << "ipaddr"
                                       << "10.0.0.1";
        QTest::newRow("any case") << "BASE"
                                  << "NeedUpdate"
                                  << "1";
        QTest::newRow("comma and semicolon kept") << "web"
                                                  << "site"
                                                  << "http://kiv.example/a?b=1,2;3";
        QTest::newRow("quotes taken off") << "web"
                                          << "download"
                                          << "http://kiv.example/get, now";
        QTest::newRow("comment is no key") << "base"
                                           << "# the messaging server" << QString();
        QTest::newRow("key of another section") << "web"
                                                << "port" << QString();
    }
    void reads() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        const QString value = KivPrivateProfile(writeFile(kDeployed)).Read(section, key);
        QCOMPARE(value, expected);
        QCOMPARE(value.isNull(), expected.isNull());
    }

    // Each write touches one line; everything else stays byte for byte.
    void writes_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QByteArray>("expected");
        QByteArray changed = kDeployed;
        changed.replace("needUpdate=1 \n", "needUpdate=0\n");
        QTest::newRow("existing key") << "Base"
                                      << "NEEDUPDATE" << changed;
        QByteArray added = kDeployed;
        added.replace("needUpdate=1 \n", "needUpdate=1 \nversion=0\n");
        QTest::newRow("new key ends its section") << "base"
                                                  << "version" << added;
        QTest::newRow("new section ends the file") << "extra"
                                                   << "k" << kDeployed + "[extra]\nk=0\n";
    }
    void writes() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QByteArray, expected);
        const QString path = writeFile(kDeployed);
        QVERIFY(KivPrivateProfile(path).Write(section, key, QStringLiteral("0")));
        QCOMPARE(contents(path), expected);
    }

    void windowsLineEndsStay() {
        QByteArray crlf = kDeployed;
        crlf.replace("\n", "\r\n");
        const QString path = writeFile(crlf);
        QVERIFY(KivPrivateProfile(path).Write(QStringLiteral("base"), QStringLiteral("port"),
                                              QStringLiteral("6900")));
        QByteArray expected = crlf;
        expected.replace("port=6800", "port=6900");
        QCOMPARE(contents(path), expected);
    }

    void otherCodecRoundTrip() {
        QTextCodec* gb = QTextCodec::codecForName("GB2312");
        const QString path =
            writeFile(gb->fromUnicode(QStringLiteral("[base]\n; 服务器\nname=旧\n")));
        const KivPrivateProfile profile(path, gb);
        QVERIFY(
            profile.Write(QStringLiteral("base"), QStringLiteral("name"), QStringLiteral("新")));
        QCOMPARE(profile.Read(QStringLiteral("base"), QStringLiteral("name")),
                 QStringLiteral("新"));
        QCOMPARE(contents(path), gb->fromUnicode(QStringLiteral("[base]\n; 服务器\nname=新\n")));
    }

    void missingFileIsCreated() {
        const QString path = m_dir.filePath(QStringLiteral("new.ini"));
        QVERIFY(KivPrivateProfile(path).Read(QStringLiteral("a"), QStringLiteral("b")).isNull());
        QVERIFY(KivPrivateProfile(path).Write(QStringLiteral("a"), QStringLiteral("b"),
                                              QStringLiteral("c")));
        QCOMPARE(contents(path), QByteArray("[a]\nb=c\n"));
    }

    // The configuration reader writes through the same rules.
    void iniReaderKeepsTheFile() {
        const QString path = writeFile(kDeployed);
        CKivFriendReadIniFile ini(path.toStdWString().c_str());
        QCOMPARE(ini.write_long(L"base", L"port", 6801), 1);
        QByteArray expected = kDeployed;
        expected.replace("port=6800", "port=6801");
        QCOMPARE(contents(path), expected);
        wchar_t out[64];
        QCOMPARE(ini.read_string(L"web", L"site", out, 64), 1);
        QCOMPARE(QString::fromWCharArray(out), QStringLiteral("http://kiv.example/a?b=1,2;3"));
    }
};

KIV_TEST_CLASS(tst_KivPrivateProfile)
#include "tst_KivPrivateProfile.moc"
