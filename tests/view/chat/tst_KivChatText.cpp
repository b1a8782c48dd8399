#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QtTest>

#include "KivAttachment.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/CKivIMfaceDlg.h"
#include "chat/KivChatText.h"
#include "shell/KivIMMainDlg.h"

class tst_KivChatText : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;

    static QString RoundTrip(QString plain) {
        const QStringList lines = KivIMMainDlg::PlainToHtml(plain);
        QTextDocument document;
        document.setHtml(lines.join(QStringLiteral("<br/>")));
        return KivIMMainDlg::HtmlToPlain(&document);
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->addPicture(QStringLiteral("image/face/12.png"));
        m_tree->addPicture(QStringLiteral("image/gift/100.png"));
        m_tree->addPicture(QStringLiteral("elsewhere/7.png"));
    }
    void cleanup() { m_tree.reset(); }

    void inputToPlain() {
        QTextDocument document;
        QTextCursor cursor(&document);
        cursor.insertText(QStringLiteral("早上好"));
        QTextImageFormat face;
        face.setName(QStringLiteral("image/face/12.png"));
        cursor.insertImage(face);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral(" 粗体"), bold);
        cursor.insertBlock();
        QTextImageFormat stranger;
        stranger.setName(QStringLiteral("elsewhere/7.png"));
        cursor.insertImage(stranger);
        QTextImageFormat gift;
        gift.setName(QStringLiteral("image/gift/100.png"));
        cursor.insertImage(gift);
        QTextImageFormat missing;
        missing.setName(QStringLiteral("image/face/99.png"));
        cursor.insertImage(missing);
        QCOMPARE(KivIMMainDlg::HtmlToPlain(&document), QStringLiteral("早上好[12] 粗体\n[100]"));
    }

    // What the picker offers is found again by its bracketed name, whatever
    // the case of the suffix, and a gift costs what the picker said.
    void pictureNamesOneRule_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<double>("price");
        QTest::newRow("gift, upper-case suffix") << "image/gift/12.PNG" << 12.0;
        QTest::newRow("gift, jpg") << "image/gift/3.5.JPG" << 3.5;
        QTest::newRow("face, gif") << "image/face/7.gif" << 0.0;
        QTest::newRow("face, jpg") << "image/face/smile.jpg" << 0.0;
    }
    void pictureNamesOneRule() {
        QFETCH(QString, file);
        QFETCH(double, price);
        m_tree->addPicture(file);
        const QFileInfo info(file);
        QVERIFY(CKivIMfaceDlg::IsPictureSuffix(info.suffix()));
        const QString name = info.completeBaseName();
        const QString bracketed = QLatin1Char('[') + name + QLatin1Char(']');
        QCOMPARE(KivChatText::PicturePathFor(name), file);
        QVERIFY(KivChatText::ToHtml(bracketed).value(0).contains(
            QStringLiteral("src=\"%1\"").arg(file)));
        QCOMPARE(KivChatText::GiftCost(bracketed), price);
        const bool gift = file.startsWith(QLatin1String("image/gift/"));
        if (gift)
            QCOMPARE(CKivIMfaceDlg::PriceOf(file), price);
        QCOMPARE(KivChatText::HasGift(bracketed), gift);
    }

    // An announced file's name is shown as text: the face and the gift it
    // names stay brackets, the addresses stay text, and nothing is charged.
    void announcedNamesAreText() {
        KivAttachment attachment;
        attachment.name = QStringLiteral("[12][100] www.evil.org http://x.cn a@b.c <b>.png");
        attachment.size = 2048;
        attachment.id = QStringLiteral("0123456789abcdef");
        attachment.sha256 = QByteArray(64, 'a');
        const QString text = attachment.ToText();
        QVERIFY(!text.isEmpty());
        const QStringList html = KivChatText::ToHtml(text);
        QCOMPARE(html.size(), 1);
        QVERIFY2(!html.first().contains(QLatin1String("<img")), qPrintable(html.first()));
        QVERIFY2(!html.first().contains(QLatin1String("<a ")), qPrintable(html.first()));
        QVERIFY(!html.first().contains(QLatin1String("<b>")));
        QVERIFY(html.first().contains(QLatin1String("[12][100]")));
        QVERIFY(!KivChatText::HasGift(text));
        QCOMPARE(KivChatText::GiftCost(text), 0.0);
        // Notices and lists name it in one line.
        QCOMPARE(KivChatText::Summary(text),
                 QStringLiteral("[图片] [12][100] www.evil.org http://x.cn a@b.c <b>.png"));
        attachment.name = QStringLiteral("报告.pdf");
        QCOMPARE(KivChatText::Summary(attachment.ToText()), QStringLiteral("[文件] 报告.pdf"));
        QCOMPARE(KivChatText::Summary(QStringLiteral("你好")), QStringLiteral("你好"));
        // A typed text that only starts like one is an ordinary text.
        QCOMPARE(KivChatText::GiftCost(QStringLiteral("【附件】[100]")), 100.0);
    }

    void onlyForeignPicturesGiveNothing() {
        QTextDocument document;
        QTextCursor cursor(&document);
        QTextImageFormat stranger;
        stranger.setName(QStringLiteral("elsewhere/7.png"));
        cursor.insertImage(stranger);
        QVERIFY(KivIMMainDlg::HtmlToPlain(&document).isEmpty());
    }

    void plainToHtml_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QStringList>("html");
        QTest::newRow("face and gift")
            << "a[12]b[100]"
            << QStringList{QStringLiteral(
                   "a<img src=\"image/face/12.png\" width=\"60\" height=\"60\"/>b<img "
                   "src=\"image/gift/100.png\" width=\"60\" height=\"60\"/>")};
        QTest::newRow("repeated face")
            << "[12][12]"
            << QStringList{QStringLiteral("<img src=\"image/face/12.png\" width=\"60\" "
                                          "height=\"60\"/><img src=\"image/face/12.png\" "
                                          "width=\"60\" height=\"60\"/>")};
        QTest::newRow("unknown name stays")
            << "[nope] [../face/12]" << QStringList{QStringLiteral("[nope] [../face/12]")};
        QTest::newRow("empty lines kept")
            << "one\n\nthree" << QStringList{"one", QString(), "three"};
        QTest::newRow("markup is text")
            << "<b>x</b> & \"y\""
            << QStringList{QStringLiteral("&lt;b&gt;x&lt;/b&gt; &amp; &quot;y&quot;")};
        QTest::newRow("link")
            << "see http://example.com/a?b=1 now"
            << QStringList{QStringLiteral(
                   "see <a href='http://example.com/a?b=1'><span style=\"text-decoration: "
                   "underline; color:#0000ff;\">http://example.com/a?b=1</span></a> now")};
    }
    void plainToHtml() {
        QFETCH(QString, plain);
        QFETCH(QStringList, html);
        QCOMPARE(KivIMMainDlg::PlainToHtml(plain), html);
    }

    void roundTrip_data() {
        QTest::addColumn<QString>("plain");
        QTest::newRow("text") << "你好，世界";
        QTest::newRow("faces and gifts") << "[12]开始[100]结束[12]";
        QTest::newRow("links") << "http://example.com/x?y=1&z=2 和 www.example.org";
        QTest::newRow("empty lines") << "first\n\n\nlast";
        QTest::newRow("brackets without picture") << "[not a face] [12";
        QTest::newRow("markup characters") << "1 < 2 && 3 > 2";
    }
    void roundTrip() {
        QFETCH(QString, plain);
        QCOMPARE(RoundTrip(plain), plain);
    }
};

KIV_TEST_CLASS(tst_KivChatText)
#include "tst_KivChatText.moc"
