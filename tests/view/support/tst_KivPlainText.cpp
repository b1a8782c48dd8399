#include <QLabel>
#include <QTextDocument>
#include <QtTest>

#include "KivMediaRecord.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivViewTestTree.h"
#include "chat/CChatRecordItem.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/KivChatTextDocument.h"
#include "contacts/ADDFriendInfo.h"
#include "contacts/CFriendInfoWnd.h"
#include "contacts/CKivIMaddfriendDlg.h"
#include "contacts/KivAddFriendItem.h"
#include "contacts/kivPersonalInfoDlg.h"
#include "shell/ImMeaidCueDlg.h"
#include "shell/KivIMMainDlg.h"
#include "shell/MyCustomListViewItem.h"
#include "support/KivPlainText.h"

namespace {

// What a label shows: its text, or the text of the markup it guessed.
QString Displayed(const QLabel* label) {
    const bool rich = label->textFormat() == Qt::RichText ||
                      (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    if (!rich)
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText();
}

QString DisplayedTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

// The label shows `text` character for character and stays one line high.
bool Literal(const QLabel* label, const QString& text) {
    return label && Displayed(label) == text && label->sizeHint().height() < 100;
}

QLabel* LabelShowing(const QWidget* parent, const QString& text) {
    for (QLabel* label : parent->findChildren<QLabel*>()) {
        if (label->text().contains(text))
            return label;
    }
    return nullptr;
}

}  // namespace

// Names, signatures, accounts, areas and request texts come from peers and the
// server: every place that shows them shows the characters, not markup.
class tst_KivPlainText : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    const std::unique_ptr<CKivSession> m_session = KivNewTestSession();

    static void hostileTexts() {
        QTest::addColumn<QString>("text");
        QTest::newRow("link and banner") << QStringLiteral(
            "<a href=\"file:///etc/passwd\">x</a><font size=7 color=red>PAY ME</font>");
        QTest::newRow("picture") << QStringLiteral("<img width=400 height=300 src=\"x.png\">小明");
        QTest::newRow("bold") << QStringLiteral("<b>粗体</b>");
        QTest::newRow("entities") << QStringLiteral("&lt;b&gt; &amp; 5 < 6");
        QTest::newRow("table") << QStringLiteral("<table><tr><td>a</td><td>b</td></tr></table>");
    }

private slots:
    void init() { m_tree = std::make_unique<KivViewTestTree>(); }
    void cleanup() { m_tree.reset(); }

    void chatHeader_data() { hostileTexts(); }
    void chatHeader() {
        QFETCH(QString, text);
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        CKivIMChatDlg dialog(nullptr, *dialogSession);
        tag_chatdlg_Need need;
        need.friendUid = 10002;
        need.nickName = text;
        need.sign = text + QStringLiteral("!");
        dialog.initChatDlg(need);
        QVERIFY(Literal(dialog.findChild<QLabel*>(QStringLiteral("personalInfoLab")), text));
        auto* sign = dialog.findChild<QLabel*>(QStringLiteral("label_2"));
        QVERIFY(Literal(sign, need.sign));
        dialog.setSignText(text);
        QVERIFY(Literal(sign, text));
    }

    void listRowAndRecordName_data() { hostileTexts(); }
    void listRowAndRecordName() {
        QFETCH(QString, text);
        MyCustomListViewItem row;
        row.SetName(text);
        QVERIFY(Literal(row.findChild<QLabel*>(QStringLiteral("labelHead")), text));
        CChatRecordItem record(nullptr, CChatRecordItem::FriendMessage);
        KivChatTextDocument body;
        record.SetMessage(&body, text, QStringLiteral("12:00:00"));
        QVERIFY(Literal(record.findChild<QLabel*>(QStringLiteral("labelName")), text));
    }

    void requestCard_data() { hostileTexts(); }
    void requestCard() {
        QFETCH(QString, text);
        CFriendInfoWnd card(nullptr, nullptr);
        card.SetRequest(20001, QString(), text, text, QStringLiteral("2026-01-01 10:00:00"));
        auto* name = card.findChild<QLabel*>(QStringLiteral("labelName"));
        QVERIFY(name && name->textFormat() == Qt::PlainText);
        QCOMPARE(DisplayedTip(name->toolTip()), text);
        auto* request = card.findChild<QLabel*>(QStringLiteral("labelText"));
        QVERIFY(Literal(request, text));
        QCOMPARE(DisplayedTip(request->toolTip()), text);
    }

    void searchRowAndRequestDialog_data() { hostileTexts(); }
    void searchRowAndRequestDialog() {
        QFETCH(QString, text);
        KivAddFriendItem row(nullptr, *m_session);
        row.AcceptFriendInfo(
            {10001, 10005, 1, 1, text, text, text, text, text, QString(), QString()});
        QVERIFY(Literal(row.findChild<QLabel*>(QStringLiteral("labelNickName")), text));
        QVERIFY(Literal(row.findChild<QLabel*>(QStringLiteral("labelAccount")), text));
        QCOMPARE(DisplayedTip(row.toolTip()), text);

        CKivIMaddfriendDlg dialog(nullptr, *m_session);
        dialog.InitFriendInfo(row.Info());
        for (const char* name : {"labelNickName", "labelAcount", "labellocal"})
            QVERIFY2(Literal(dialog.findChild<QLabel*>(QLatin1String(name)), text), name);
    }

    // A tool tip shows each line break once, whichever the peer typed.
    void toolTipLineBreaks_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("line feed") << "one\ntwo"
                                   << "one\ntwo";
        QTest::newRow("carriage return and line feed") << "one\r\ntwo"
                                                       << "one\ntwo";
        QTest::newRow("carriage return") << "one\rtwo"
                                         << "one\ntwo";
        QTest::newRow("first and last") << "\none\n\n"
                                        << "\none\n\n";
    }
    void toolTipLineBreaks() {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(DisplayedTip(KivPlainText::ToolTip(text)), shown);
    }

    void callCue_data() { hostileTexts(); }
    void callCue() {
        QFETCH(QString, text);
        ptl_sys_send_per_media media;
        KivInitRecord(media, Media);
        ImMeaidCueDlg cue(media, nullptr);
        cue.SetCallerName(text);
        auto* label = cue.findChild<QLabel*>(QStringLiteral("labelCueText"));
        QVERIFY(label && label->textFormat() == Qt::PlainText);
        QVERIFY(Displayed(label).startsWith(text + QLatin1Char('\n')));
    }

    void profile_data() { hostileTexts(); }
    void profile() {
        QFETCH(QString, text);
        kivPersonalInfoDlg dialog(nullptr, *m_session);
        // Nothing stored for the user: the dialog shows the account it was given.
        dialog.InitInfo(10099, 2, text);
        QVERIFY(Literal(LabelShowing(&dialog, text), text));
    }

    void ownNickInTheMainWindow_data() { hostileTexts(); }
    void ownNickInTheMainWindow() {
        QFETCH(QString, text);
        const std::unique_ptr<CKivSession> windowSession = KivNewTestSession();
        KivIMMainDlg window(nullptr, *windowSession);
        window.m_nickName = text;
        window.m_sign = text;
        window.InitMaindlg();
        QVERIFY(Literal(window.findChild<QLabel*>(QStringLiteral("labelNickName")), text));
        QCOMPARE(
            DisplayedTip(window.findChild<QWidget*>(QStringLiteral("lineEditSign"))->toolTip()),
            text);
    }
};

KIV_TEST_CLASS(tst_KivPlainText)
#include "tst_KivPlainText.moc"
