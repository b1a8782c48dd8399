#include <QtTest>

#include "KivAttachment.h"
#include "KivTestRegistry.h"

namespace {

const QByteArray kHash =
    QByteArray("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");

KivAttachment Attachment(const QString& name, quint64 size = 1234) {
    KivAttachment attachment;
    attachment.name = name;
    attachment.size = size;
    attachment.id = QStringLiteral("Ab3_dE-9xYz01234");
    attachment.sha256 = kHash;
    return attachment;
}

}  // namespace

class tst_KivAttachment : public QObject {
    Q_OBJECT

private slots:
    // Every name that can be announced comes back as it was, the text fits
    // the chat record, and nothing a converter would take for a face, a gift
    // picture, a web address or a folder stands in it raw.
    void namesRoundTrip_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("报告.pdf");
        QTest::newRow("face and gift names") << QStringLiteral("[12][100].png");
        QTest::newRow("addresses") << QStringLiteral("http://a.b www.evil.org x@y.z WWW.Q.cn");
        QTest::newRow("path") << QStringLiteral("../../.ssh/authorized_keys");
        QTest::newRow("windows path") << QStringLiteral("C:\\dir\\a.txt");
        QTest::newRow("escape and bar") << QStringLiteral("100%｜完成 %41");
        QTest::newRow("controls") << QStringLiteral("a\nb\tc\x01\x7f.txt");
        QTest::newRow("right-to-left") << QStringLiteral("photo\u202Egpj.exe");
        QTest::newRow("emoji") << QStringLiteral("😀图片.gif");
        QTest::newRow("longest, all escaped") << QString(255, QLatin1Char('['));
        QTest::newRow("longest, all bars") << QString(85, QChar(0xFF5C));
    }
    void namesRoundTrip() {
        QFETCH(QString, name);
        const KivAttachment sent = Attachment(name, KivAttachment::kMaxSize);
        const QString text = sent.ToText();
        QVERIFY(!text.isEmpty());
        QVERIFY2(text.toUtf8().size() <= 1023, qPrintable(QString::number(text.toUtf8().size())));
        QVERIFY(!text.contains(QLatin1Char('\n')));
        const QString shownName = text.section(QChar(0xFF5C), 0, 0);
        for (const char* raw : {"[", "]", ":", "@", "/", "\\", "www."})
            QVERIFY2(!shownName.contains(QLatin1String(raw), Qt::CaseInsensitive), raw);
        const std::optional<KivAttachment> got = KivAttachment::FromText(text);
        QVERIFY(got);
        QCOMPARE(got->name, name);
        QCOMPARE(got->size, KivAttachment::kMaxSize);
        QCOMPARE(got->id, sent.id);
        QCOMPARE(got->sha256, kHash);
    }

    // What cannot be announced gives no text at all.
    void refusedFields_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint64>("size");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QByteArray>("hash");
        const QString id = QStringLiteral("Ab3_dE-9xYz01234");
        QTest::newRow("empty name") << QString() << quint64(1) << id << kHash;
        QTest::newRow("name over 255 bytes")
            << QString(86, QChar(0x4E2D)) << quint64(1) << id << kHash;
        QTest::newRow("over 4 GiB") << "a" << KivAttachment::kMaxSize + 1 << id << kHash;
        QTest::newRow("short id") << "a" << quint64(1) << "abc" << kHash;
        QTest::newRow("id with a slash") << "a" << quint64(1) << "../../aaaaaaaaaaaa" << kHash;
        QTest::newRow("upper-case hash") << "a" << quint64(1) << id << kHash.toUpper();
    }
    void refusedFields() {
        QFETCH(QString, name);
        QFETCH(quint64, size);
        QFETCH(QString, id);
        QFETCH(QByteArray, hash);
        KivAttachment attachment = Attachment(name, size);
        attachment.id = id;
        attachment.sha256 = hash;
        QVERIFY(attachment.ToText().isEmpty());
    }

    // A peer's text that is not exactly the form is an ordinary chat text.
    void hostileTextsAreOrdinaryText_data() {
        QTest::addColumn<QString>("text");
        const QString good = Attachment(QStringLiteral("a.txt")).ToText();
        QVERIFY(KivAttachment::FromText(good));
        QTest::newRow("text after it") << good + QStringLiteral(" 还有");
        QTest::newRow("second line") << good + QStringLiteral("\n[12]");
        QTest::newRow("raw bracket")
            << QString(good).replace(QLatin1String("a.txt"), QLatin1String("[12].txt"));
        QTest::newRow("raw slash")
            << QString(good).replace(QLatin1String("a.txt"), QLatin1String("../a.txt"));
        QTest::newRow("raw www dot")
            << QString(good).replace(QLatin1String("a.txt"), QLatin1String("www.a.txt"));
        QTest::newRow("broken escape")
            << QString(good).replace(QLatin1String("a.txt"), QLatin1String("a%2.txt"));
        QTest::newRow("escape past the end")
            << QString(good).replace(QLatin1String("a.txt"), QLatin1String("a%"));
        QTest::newRow("escaped bytes no UTF-8")
            << QString(good).replace(QLatin1String("a.txt"), QLatin1String("%FF%FE"));
        QTest::newRow("size over 4 GiB") << QString(good).replace(
            QStringLiteral("1234 字节"), QStringLiteral("4294967297 字节"));
        QTest::newRow("negative size")
            << QString(good).replace(QStringLiteral("1234 字节"), QStringLiteral("-1 字节"));
        QTest::newRow("empty name") << QString(good).replace(QLatin1String("a.txt"), QString());
        QTest::newRow("only the mark") << QStringLiteral("【附件】");
    }
    void hostileTextsAreOrdinaryText() {
        QFETCH(QString, text);
        QVERIFY(!KivAttachment::FromText(text));
    }

    // A name from a peer becomes one harmless file name in the folder.
    void safeFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("plain") << "报告.pdf"
                               << "报告.pdf";
        QTest::newRow("up and out") << "../../etc/passwd"
                                    << "passwd";
        QTest::newRow("windows path") << "C:\\Users\\a\\x.doc"
                                      << "x.doc";
        QTest::newRow("hidden") << ".bashrc"
                                << "bashrc";
        QTest::newRow("dots and blanks") << " .. a.txt. "
                                         << "a.txt";
        QTest::newRow("only dots") << ".."
                                   << "附件";
        QTest::newRow("trailing slash") << "a/"
                                        << "附件";
        QTest::newRow("controls") << "a\nb\x01\x7f.txt"
                                  << "ab.txt";
        QTest::newRow("right-to-left override") << "photo\u202Egpj.exe"
                                                << "photogpj.exe";
    }
    void safeFileNames() {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(KivAttachment::SafeFileName(name), safe);
    }

    void longNamesKeepTheirSuffix() {
        const QString name = QString(300, QChar(0x4E2D)) + QStringLiteral(".jpeg");
        const QString fitted = KivAttachment::SafeFileName(name);
        QVERIFY(fitted.toUtf8().size() <= KivAttachment::kMaxNameBytes);
        QVERIFY(fitted.endsWith(QLatin1String(".jpeg")));
        // Never half a character: emoji are two UTF-16 units.
        QString emojis;
        for (int i = 0; i < 100; ++i)
            emojis += QStringLiteral("😀");
        const QString emoji = KivAttachment::FitName(emojis);
        QCOMPARE(QString::fromUtf8(emoji.toUtf8()), emoji);
        QVERIFY(emoji.toUtf8().size() <= KivAttachment::kMaxNameBytes);
        QVERIFY(Attachment(QStringLiteral("a.GIF")).IsPicture());
        QVERIFY(!Attachment(QStringLiteral("a.svg")).IsPicture());
    }
};

KIV_TEST_CLASS(tst_KivAttachment)
#include "tst_KivAttachment.moc"
