#include <QFontMetricsF>
#include <QScrollBar>
#include <QtTest>

#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/CTextDocument.h"

// The bubbles of a conversation: their self-measuring size, their side, and
// how the list follows its width and bounds its size.
class tst_CChatHistoryList : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CChatHistoryList> m_list;

    static QFont BodyFont() {
        QFont font = CChatHistoryList().font();
        font.setPointSize(12);
        return font;
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->addPicture(QStringLiteral("image/face/12.png"));
        m_list = std::make_unique<CChatHistoryList>();
        m_list->resize(569, 400);
        m_list->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_list.get()));
    }
    void cleanup() {
        m_list.reset();
        m_tree.reset();
    }

    void bubbleWidthRule_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("widest");
        QTest::addColumn<int>("lines");
        const QFontMetricsF metrics(BodyFont());
        QTest::newRow("one word") << "hello" << qCeil(metrics.horizontalAdvance("hello")) << 1;
        QTest::newRow("face only") << "[12]" << 62 << 1;
        QTest::newRow("word and face")
            << "hi[12]" << qCeil(metrics.horizontalAdvance("hi") + 60) + 2 << 1;
        QTest::newRow("two lines, the wider counts")
            << "a\nlonger line" << qCeil(metrics.horizontalAdvance("longer line")) << 2;
    }
    void bubbleWidthRule() {
        QFETCH(QString, text);
        QFETCH(int, widest);
        QFETCH(int, lines);
        CChatItem* item = m_list->addChatMessage(text, true);
        CTextDocument* body = item->Body();
        QCOMPARE(body->WidestBlock(), widest);
        QCOMPARE(body->width(), widest + 46);
        QCOMPARE(body->document()->blockCount(), lines);
        // As high as its text: one line of text, or the 60-pixel face.
        QVERIFY(body->height() >= 20 + lines * QFontMetrics(BodyFont()).height());
        QVERIFY(!text.contains("[12]") || body->height() >= 20 + 60);
        QCOMPARE(item->Row()->sizeHint().height(), body->geometry().bottom() + 1 + 10);
    }

    void longTextWrapsAt400() {
        const QString text = QString("这是一段很长的消息，").repeated(12);
        CChatItem* item = m_list->addChatMessage(text, false);
        CTextDocument* body = item->Body();
        QCOMPARE(body->width(), 400);
        const int line = QFontMetrics(BodyFont()).height();
        QVERIFY2(body->height() >= 20 + 3 * line, qPrintable(QString::number(body->height())));
        // Every line fits inside the bubble's padding.
        QVERIFY(body->document()->size().width() <= 400 - 28 - 10);
    }

    void sidesAndResizeRealignment() {
        CChatItem* own = m_list->addChatMessage("mine", true);
        CChatItem* theirs = m_list->addChatMessage("yours", false);
        QCOMPARE(own->Body()->x(), 46);
        int right = m_list->viewport()->width();
        QCOMPARE(theirs->Body()->geometry().right() + 1, right - 4 - 32 - 10);
        const int frame = m_list->width() - right;
        m_list->resize(700, 400);
        QTRY_COMPARE(m_list->viewport()->width(), 700 - frame);
        right = m_list->viewport()->width();
        QTRY_COMPARE(theirs->Body()->geometry().right() + 1, right - 4 - 32 - 10);
        QCOMPARE(own->Body()->x(), 46);
        // Measuring again after the width change keeps the size.
        QTRY_VERIFY(!theirs->Body()->NeedsRelayout());
        QCOMPARE(theirs->Body()->width(), theirs->Body()->WidestBlock() + 46);
    }

    void newestStayAtTheBottom() {
        for (int i = 0; i < 20; ++i)
            m_list->addChatMessage(QString::number(i), i % 2 == 0);
        QScrollBar* bar = m_list->verticalScrollBar();
        QTRY_COMPARE(bar->value(), bar->maximum());
        QVERIFY(bar->maximum() > 0);
    }

    void bubblesInSightSitOnTheirRows() {
        for (int i = 0; i < 40; ++i)
            m_list->addChatMessage(QString("第%1行\n").arg(i).repeated(1 + i % 3), i % 2 == 0);
        for (int value : {m_list->verticalScrollBar()->maximum(), 0, 700}) {
            m_list->verticalScrollBar()->setValue(value);
            int shown = 0;
            for (int row = 0; row < m_list->count(); ++row) {
                CChatItem* bubble = m_list->itemAt(row);
                const QRect rect = m_list->visualItemRect(m_list->item(row));
                if (rect.intersects(m_list->viewport()->rect())) {
                    QVERIFY(bubble->isVisible());
                    QCOMPARE(bubble->geometry(), rect);
                    ++shown;
                }
            }
            QVERIFY(shown >= 2);
        }
    }

    void oldBubblesLeaveButFailedOnesStay() {
        CChatItem* failed = m_list->addChatMessage("not sent", true);
        failed->SetFailed(true);
        for (int i = 0; i < CChatHistoryList::kMaxLiveMessages + 5; ++i)
            m_list->addChatMessage(QString::number(i), false);
        QCOMPARE(m_list->count(), CChatHistoryList::kMaxLiveMessages);
        QCOMPARE(m_list->itemAt(0), failed);
        QCOMPARE(m_list->itemAt(1)->PlainText(), QStringLiteral("6"));
        QCOMPARE(m_list->itemAt(m_list->count() - 1)->PlainText(),
                 QString::number(CChatHistoryList::kMaxLiveMessages + 4));
    }

    // Many messages at once: the newest are in sight at once, the older ones
    // come in above them in the next turns, in order, between what was there
    // and what arrives meanwhile, and the list still keeps only the newest.
    void pileComesInAboveTheNewest_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("pile");
        QTest::addColumn<bool>("failedBefore");
        QTest::newRow("a screenful") << 0 << CChatHistoryList::kFirstScreen << false;
        QTest::newRow("a pile into an empty list") << 0 << 150 << false;
        QTest::newRow("a pile after a conversation") << 120 << 150 << false;
        QTest::newRow("more than is kept") << 30 << 450 << true;
    }
    void pileComesInAboveTheNewest() {
        QFETCH(int, before);
        QFETCH(int, pile);
        QFETCH(bool, failedBefore);
        QStringList expected;
        if (failedBefore) {
            m_list->addChatMessage("not sent", true)->SetFailed(true);
            expected << "not sent";
        }
        for (int i = 0; i < before; ++i) {
            m_list->addChatMessage(QStringLiteral("old%1").arg(i), true);
            expected << QStringLiteral("old%1").arg(i);
        }
        QStringList texts;
        for (int i = 0; i < pile; ++i)
            texts << QStringLiteral("new%1").arg(i);
        m_list->addChatMessages(texts, false);
        QVERIFY(m_list->count() <= before + int(failedBefore) + CChatHistoryList::kFirstScreen);
        QCOMPARE(m_list->itemAt(m_list->count() - 1)->PlainText(), texts.last());
        QTRY_COMPARE(m_list->backlog(), 0);
        m_list->addChatMessage("later", true);
        const int kept = CChatHistoryList::kMaxLiveMessages - int(failedBefore);
        expected << texts << "later";
        if (failedBefore)
            expected = QStringList{"not sent"} + expected.mid(expected.size() - kept);
        else
            expected = expected.mid(std::max(0, int(expected.size()) - kept));
        QStringList shown;
        for (int row = 0; row < m_list->count(); ++row)
            shown << m_list->itemAt(row)->PlainText();
        QCOMPARE(shown, expected);
        QScrollBar* bar = m_list->verticalScrollBar();
        QTRY_COMPARE(bar->value(), bar->maximum());
    }

    // A message that arrives while a pile is still coming in goes below it.
    void messageDuringAPileGoesBelowIt() {
        QStringList texts;
        for (int i = 0; i < 100; ++i)
            texts << QStringLiteral("p%1").arg(i);
        m_list->addChatMessages(texts, false);
        QVERIFY(m_list->backlog() > 0);
        m_list->addChatMessage("live", false);
        QCOMPARE(m_list->backlog(), 0);
        QCOMPARE(m_list->count(), 101);
        for (int row = 0; row < 100; ++row)
            QCOMPARE(m_list->itemAt(row)->PlainText(), texts[row]);
        QCOMPARE(m_list->itemAt(100)->PlainText(), QStringLiteral("live"));
    }
};

KIV_TEST_CLASS(tst_CChatHistoryList)
#include "tst_CChatHistoryList.moc"
