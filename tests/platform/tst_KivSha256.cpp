#include <QCryptographicHash>
#include <QtTest>

#include "KivSha256.h"
#include "KivTestRegistry.h"

// The hash transfers check files with: the standard's values, whatever the
// pieces the bytes come in, and a fresh stream after each result.
class tst_KivSha256 : public QObject {
    Q_OBJECT

private slots:
    void matchesTheStandard_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("piece");
        QTest::newRow("empty") << QByteArray() << 1;
        QTest::newRow("abc") << QByteArray("abc") << 1;
        QByteArray big(3 * 1024 * 1024 + 7, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char(i * 31 + (i >> 9));
        QTest::newRow("3 MiB whole") << big << big.size();
        QTest::newRow("3 MiB in odd pieces") << big << 65537;
    }
    void matchesTheStandard() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, piece);
        KivSha256 hash;
        for (int at = 0; at < bytes.size(); at += piece)
            hash.Add(bytes.constData() + at, qMin(piece, bytes.size() - at));
        const QByteArray expected =
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
        QCOMPARE(hash.HexResult(), expected);
        // The stream starts again after a result.
        hash.Add(bytes);
        QCOMPARE(hash.HexResult(), expected);
        hash.Add("x", 1);
        hash.Reset();
        hash.Add(bytes);
        QCOMPARE(hash.HexResult(), expected);
    }
};

KIV_TEST_CLASS(tst_KivSha256)
#include "tst_KivSha256.moc"
