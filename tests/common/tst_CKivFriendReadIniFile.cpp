#include <QtTest>
#include <cstring>

#include "CKivFriendReadIniFile.h"
#include "KivTestRegistry.h"

namespace {

std::wstring wide(const QString& text) {
    return text.toStdWString();
}

}  // namespace

class tst_CKivFriendReadIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QByteArray& content) {
        static int serial = 0;
        const QString path = m_dir.filePath(QStringLiteral("f%1.ini").arg(++serial));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(content);
        return path;
    }

private slots:
    void readBool_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("expected");
        QTest::newRow("one") << QByteArray("flag=1") << 1;
        QTest::newRow("two") << QByteArray("flag=2") << 0;
        QTest::newRow("zero") << QByteArray("flag=0") << 0;
        QTest::newRow("empty") << QByteArray("flag=") << 0;
        QTest::newRow("missing") << QByteArray("other=1") << 0;
        QTest::newRow("leading zero") << QByteArray("flag=01") << 1;
        QTest::newRow("digits then text") << QByteArray("flag=1abc") << 1;
        QTest::newRow("text") << QByteArray("flag=yes") << 0;
        QTest::newRow("minus one") << QByteArray("flag=-1") << 0;
    }
    void readBool() {
        QFETCH(QByteArray, line);
        QFETCH(int, expected);
        const std::wstring path = wide(writeFile("[base]\n" + line + "\n"));
        CKivFriendReadIniFile ini(path.c_str());
        QCOMPARE(ini.read_bool(L"base", L"flag"), expected);
    }

    void readLong_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<long>("expected");
        QTest::newRow("number") << QByteArray("port=6900") << 6900L;
        QTest::newRow("negative") << QByteArray("port=-12") << -12L;
        QTest::newRow("hex") << QByteArray("port=0x1F") << 31L;
        QTest::newRow("not a number") << QByteArray("port=abc") << 0L;
        QTest::newRow("empty value") << QByteArray("port=") << 0L;
        QTest::newRow("missing") << QByteArray("x=1") << 77L;
        QTest::newRow("huge") << QByteArray("port=99999999999999999999999") << LONG_MAX;
    }
    void readLong() {
        QFETCH(QByteArray, line);
        QFETCH(long, expected);
        const std::wstring path = wide(writeFile("[base]\n" + line + "\n"));
        CKivFriendReadIniFile ini(path.c_str());
        QCOMPARE(ini.read_long(L"base", L"port", 77), expected);
    }

    void namesIgnoreCase() {
        const std::wstring path = wide(writeFile("[Base]\nIpAddr=10.0.0.1\n"));
        CKivFriendReadIniFile ini(path.c_str());
        wchar_t out[64];
        QCOMPARE(ini.read_string(L"BASE", L"ipaddr", out, 64), 1);
        QCOMPARE(QString::fromWCharArray(out), QStringLiteral("10.0.0.1"));
        // A write finds the stored spelling instead of adding a second key.
        QCOMPARE(ini.write_string(L"base", L"IPADDR", L"10.0.0.2"), 1);
        QCOMPARE(ini.read_string(L"bAsE", L"iPaDdR", out, 64), 1);
        QCOMPARE(QString::fromWCharArray(out), QStringLiteral("10.0.0.2"));
        QSettings settings(QString::fromStdWString(path), QSettings::IniFormat);
        QCOMPARE(settings.allKeys(), QStringList{QStringLiteral("Base/IpAddr")});
    }

    void readStringIsBounded() {
        const std::wstring path = wide(writeFile("[base]\nname=abcdefghij\n"));
        CKivFriendReadIniFile ini(path.c_str());
        wchar_t out[8];
        std::wmemset(out, L'#', 8);
        QCOMPARE(ini.read_string(L"base", L"name", out, 5), 1);
        QCOMPARE(QString::fromWCharArray(out), QStringLiteral("abcd"));
        QCOMPARE(out[5], L'#');
        QCOMPARE(ini.read_string(L"base", L"none", out, 8), 0);
        QCOMPARE(out[0], L'\0');
    }

    void readStringAEmptyLeavesOutput() {
        const std::wstring path = wide(writeFile("[base]\nempty=\n"));
        CKivFriendReadIniFile ini(path.c_str());
        char out[8] = "keepme";
        QCOMPARE(ini.read_stringA(L"base", L"empty", out, 8), 0);
        QCOMPARE(QByteArray(out), QByteArray("keepme"));
        QCOMPARE(ini.read_stringA(L"base", L"missing", out, 8), 0);
        QCOMPARE(QByteArray(out), QByteArray("keepme"));
    }

    void readStringACutsAtCharacter() {
        // "ab" then two 3-byte characters: a 6-byte buffer holds "ab" and one.
        const std::wstring path = wide(writeFile("[base]\nname=ab\xe4\xbd\xa0\xe5\xa5\xbd\n"));
        CKivFriendReadIniFile ini(path.c_str());
        char out[16];
        std::memset(out, '#', sizeof(out));
        QCOMPARE(ini.read_stringA(L"base", L"name", out, 6), 1);
        QCOMPARE(QByteArray(out), QByteArray("ab\xe4\xbd\xa0"));
        QCOMPARE(out[6], '#');
    }

    void writeRoundTrip() {
        const std::wstring path = wide(m_dir.filePath(QStringLiteral("new.ini")));
        CKivFriendReadIniFile ini(path.c_str());
        QCOMPARE(ini.write_string(L"user", L"text", L"a, b; c = \"d\" %1"), 1);
        QCOMPARE(ini.write_bool(L"user", L"on", true), 1);
        QCOMPARE(ini.write_long(L"user", L"n", -42), 1);
        CKivFriendReadIniFile other(path.c_str());
        wchar_t out[64];
        other.read_string(L"user", L"text", out, 64);
        QCOMPARE(QString::fromWCharArray(out), QStringLiteral("a, b; c = \"d\" %1"));
        QCOMPARE(other.read_bool(L"user", L"on"), 1);
        QCOMPARE(other.read_long(L"user", L"n", 0), -42L);
    }

    void missingAndGarbageFiles() {
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i) {
            garbage.append(static_cast<char>((i * 7919) % 256));
        }
        const QString garbagePath = writeFile(garbage);
        for (const QString& file : {m_dir.filePath(QStringLiteral("absent.ini")), garbagePath}) {
            const std::wstring path = wide(file);
            CKivFriendReadIniFile ini(path.c_str());
            wchar_t out[16];
            QCOMPARE(ini.read_string(L"base", L"ipaddr", out, 16), 0);
            QCOMPARE(ini.read_long(L"base", L"port", 6800), 6800L);
            QCOMPARE(ini.read_bool(L"base", L"flag"), 0);
        }
    }

    void noFileNamed() {
        CKivFriendReadIniFile ini(nullptr);
        QCOMPARE(ini.read_long(L"base", L"port", 5), 5L);
        QCOMPARE(ini.write_long(L"base", L"port", 5), 0);
    }

    void overlongPathIsCut() {
        const std::wstring longPath(400, L'x');
        CKivFriendReadIniFile ini(longPath.c_str());
        QCOMPARE(ini.read_long(L"base", L"port", 9), 9L);
    }
};

KIV_TEST_CLASS(tst_CKivFriendReadIniFile)
#include "tst_CKivFriendReadIniFile.moc"
