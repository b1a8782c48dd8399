#include <QDateTime>
#include <QPushButton>
#include <QSqlQuery>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/CChatRecord.h"
#include "chat/CChatRecordItem.h"
#include "chat/CKivImChatRecordDlg.h"
#include "chat/CTextBrowserEx.h"
#include "chat/KivChatTextDocument.h"
#include "shell/KivIMMainDlg.h"
#include "support/KivTestLanguage.h"

namespace {

constexpr quint32 kOwn = 10001;
constexpr quint32 kFriend = 10002;
const QDateTime kStart(QDate(2026, 3, 1), QTime(8, 0, 0));

struct Shown {
    QStringList dates;
    // "name|hh:mm:ss|text" per message, top to bottom.
    QStringList messages;
};

}  // namespace

Q_DECLARE_METATYPE(KivLanguage::Language)

// Paging through the chat record: every page must hold exactly the rows of
// the plain "limit 60 offset N" query, shown oldest first under date lines.
class tst_CKivImChatRecordDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<QWidget> m_parent;
    CKivImChatRecordDlg* m_record = nullptr;

    QSqlDatabase database() {
        return CKivFriendSqlUtilCommon::CreateSqlUtil(
                   CKivFriendDBModel::GetInstance()->GetDatabaseFile())
            ->database();
    }
    void store(quint32 from, quint32 to, const QString& text, const QDateTime& when) {
        QSqlQuery query(database());
        query.prepare(QStringLiteral(
            "insert into chat_message_table(type,senderuid,recveruid,message,msgtime,isgot) "
            "values(0,?,?,?,?,1)"));
        query.addBindValue(from);
        query.addBindValue(to);
        query.addBindValue(text);
        query.addBindValue(when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        QVERIFY(query.exec());
    }
    // n messages, alternating sides, one minute apart, with a stranger's in between.
    void fill(int n) {
        QSqlDatabase db = database();
        db.transaction();
        for (int i = 0; i < n; ++i) {
            const bool own = i % 2 == 0;
            store(own ? kOwn : kFriend, own ? kFriend : kOwn, QStringLiteral("消息%1").arg(i),
                  kStart.addSecs(60 * i));
            if (i % 10 == 0)
                store(10003, kOwn, QStringLiteral("别人"), kStart.addSecs(60 * i + 1));
        }
        db.commit();
    }
    // The page as the literal query gives it, in the order the panel shows it.
    QStringList literalPage(int offset) {
        QSqlQuery query(database());
        const QString sql =
            QStringLiteral(
                "select senderuid,message,msgtime from chat_message_table where senderuid = %1 "
                "and recveruid= %2 or senderuid = %2 and recveruid= %1 order by msgtime desc "
                "limit %3 offset %4")
                .arg(kOwn)
                .arg(kFriend)
                .arg(CKivImChatRecordDlg::kPageSize)
                .arg(offset);
        if (!query.exec(sql))
            return {QStringLiteral("query failed")};
        QStringList rows;
        while (query.next()) {
            const bool own = query.value(0).toUInt() == kOwn;
            const QString time =
                QDateTime::fromString(query.value(2).toString(), "yyyy-MM-dd hh:mm:ss")
                    .toString("hh:mm:ss");
            rows.prepend(QStringLiteral("%1|%2|%3")
                             .arg(own ? "我" : "李四", time, query.value(1).toString()));
        }
        return rows;
    }
    Shown shown() {
        Shown result;
        CChatRecord* list = m_record->List();
        for (int row = 0; row < list->count(); ++row) {
            CChatRecordItem* item = list->rowAt(row);
            if (item->kind() == CChatRecordItem::DateLine) {
                result.dates << item->Date();
            } else {
                result.messages << QStringLiteral("%1|%2|%3")
                                       .arg(item->Name(), item->Time(),
                                            item->Body()->toPlainText());
            }
        }
        return result;
    }
    QString enabledButtons() const {
        QString state;
        for (const char* name : {"LeftTopPage", "PrePage", "NextPage", "RightTopPage"}) {
            if (m_record->findChild<QPushButton*>(QLatin1String(name))->isEnabled())
                state += QLatin1String(name) + QLatin1Char(' ');
        }
        return state.trimmed();
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        QVERIFY(db->CreateDB(QStringLiteral("tester")));
        QVERIFY(db->ConnectDB());
        m_parent = std::make_unique<QWidget>();
        m_record = new CKivImChatRecordDlg(m_parent.get());
        m_record->SetConversation(kOwn, QStringLiteral("我"), kFriend, QStringLiteral("李四"));
    }
    void cleanup() {
        m_parent.reset();
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        m_tree.reset();
    }

    void paging_data() {
        QTest::addColumn<int>("total");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<int>("oldestOffset");
        QTest::newRow("none") << 0 << QStringList{""} << 0;
        QTest::newRow("one page") << 60 << QStringList{""} << 0;
        QTest::newRow("one more") << 61
                                  << QStringList{"LeftTopPage PrePage", "NextPage RightTopPage"}
                                  << 1;
        QTest::newRow("three pages")
            << 130
            << QStringList{"LeftTopPage PrePage", "LeftTopPage PrePage NextPage RightTopPage",
                           "NextPage RightTopPage"}
            << 70;
    }
    void paging() {
        QFETCH(int, total);
        QFETCH(QStringList, buttons);
        QFETCH(int, oldestOffset);
        fill(total);
        m_record->RefreshRecordList();
        QCOMPARE(m_record->Total(), total);
        // Older and older pages down to the oldest, each the literal query's rows.
        for (int page = 0; page < buttons.size(); ++page) {
            QCOMPARE(m_record->Offset(), page * CKivImChatRecordDlg::kPageSize);
            QCOMPARE(enabledButtons(), buttons[page]);
            QCOMPARE(shown().messages, literalPage(m_record->Offset()));
            if (page + 1 < buttons.size())
                m_record->ClickPrePage();
        }
        QCOMPARE(shown().messages.size(), total == 0 ? 0 : total - (buttons.size() - 1) * 60);
        m_record->ClickRightTopPage();
        QCOMPARE(m_record->Offset(), 0);
        QCOMPARE(shown().messages, literalPage(0));
        m_record->ClickLeftTopPage();
        QCOMPARE(m_record->Offset(), oldestOffset);
        QCOMPARE(shown().messages, literalPage(oldestOffset));
        m_record->ClickNextPage();
        QCOMPARE(m_record->Offset(), qMax(0, oldestOffset - CKivImChatRecordDlg::kPageSize));
        QCOMPARE(shown().messages, literalPage(m_record->Offset()));
    }

    void twoDaysOnOnePage() {
        store(kOwn, kFriend, "早", QDateTime(QDate(2026, 1, 1), QTime(23, 58, 0)));
        store(kFriend, kOwn, "晚安", QDateTime(QDate(2026, 1, 1), QTime(23, 59, 0)));
        store(kFriend, kOwn, "新年好", QDateTime(QDate(2026, 1, 2), QTime(0, 0, 5)));
        store(kOwn, kFriend, "同乐", QDateTime(QDate(2026, 1, 2), QTime(0, 1, 0)));
        m_record->RefreshRecordList();
        CChatRecord* list = m_record->List();
        QStringList rows;
        for (int row = 0; row < list->count(); ++row) {
            CChatRecordItem* item = list->rowAt(row);
            rows << (item->kind() == CChatRecordItem::DateLine ? item->Date()
                                                               : item->Body()->toPlainText());
        }
        QCOMPARE(rows, (QStringList{"2026-01-01", "早", "晚安", "2026-01-02", "新年好", "同乐"}));
        QCOMPARE(list->rowAt(1)->kind(), CChatRecordItem::OwnMessage);
        QCOMPARE(list->rowAt(2)->kind(), CChatRecordItem::FriendMessage);
    }

    // Date lines and clocks are written the interface's way.
    void datesAndClocksFollowTheLanguage_data() {
        QTest::addColumn<KivLanguage::Language>("language");
        QTest::addColumn<QStringList>("dates");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("zh") << KivLanguage::Language::Chinese
                            << QStringList{"2026-01-01", "2026-01-02"}
                            << QStringList{"我|23:58:00|早", "李四|00:00:05|新年好"};
        QTest::newRow("en") << KivLanguage::Language::English
                            << QStringList{"Jan 1, 2026", "Jan 2, 2026"}
                            << QStringList{"我|11:58:00 PM|早", "李四|12:00:05 AM|新年好"};
    }
    void datesAndClocksFollowTheLanguage() {
        QFETCH(KivLanguage::Language, language);
        QFETCH(QStringList, dates);
        QFETCH(QStringList, messages);
        const KivTestLanguage texts(language);
        QVERIFY(texts.Ready());
        store(kOwn, kFriend, "早", QDateTime(QDate(2026, 1, 1), QTime(23, 58, 0)));
        store(kFriend, kOwn, "新年好", QDateTime(QDate(2026, 1, 2), QTime(0, 0, 5)));
        m_record->RefreshRecordList();
        const Shown page = shown();
        QCOMPARE(page.dates, dates);
        QCOMPARE(page.messages, messages);
    }

    // A stored time that is not a wall-clock time shows as stored, under the
    // date line of the rows around it.
    void unreadableTimesShowAsStored() {
        QSqlQuery query(database());
        query.prepare(QStringLiteral(
            "insert into chat_message_table(type,senderuid,recveruid,message,msgtime,isgot) "
            "values(0,?,?,?,?,1)"));
        auto row = [&query](const QString& text, const QString& time) {
            query.addBindValue(kOwn);
            query.addBindValue(kFriend);
            query.addBindValue(text);
            query.addBindValue(time);
            return query.exec();
        };
        QVERIFY(row("一", "2026-01-01 23:58:00"));
        QVERIFY(row("二", "2026-01-01 25:00:00"));
        QVERIFY(row("三", "2026-02-30 10:00:00"));
        QVERIFY(row("五", "2026-03-01 09:00:01"));
        m_record->RefreshRecordList();
        const Shown page = shown();
        QCOMPARE(page.dates, (QStringList{"2026-01-01", "2026-03-01"}));
        QCOMPARE(page.messages, (QStringList{"我|23:58:00|一", "我|2026-01-01 25:00:00|二",
                                             "我|2026-02-30 10:00:00|三", "我|09:00:01|五"}));
    }

    // Texts are laid out before any row is shown: each row must be as high as
    // the same text in a body of its own, shown in the panel, needs.
    void rowsAreAsHighAsTheirShownText() {
        const QStringList texts{
            QStringLiteral("短"),
            QStringLiteral("两行\n第二行 www.example.com/a/very/long/address/that/wraps/somewhere"),
            QString(QStringLiteral("很长的一段话，")).repeated(20),
            QStringLiteral("[大笑][偷笑] 笑"),
        };
        for (int i = 0; i < texts.size(); ++i)
            store(i % 2 ? kFriend : kOwn, i % 2 ? kOwn : kFriend, texts[i], kStart.addSecs(i));
        m_parent->resize(400, 420);
        m_parent->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_parent.get()));
        m_record->show();
        m_record->RefreshRecordList();
        CChatRecord* list = m_record->List();
        CTextBrowserEx* alone = CChatRecordItem::NewBody(list->viewport());
        alone->show();
        for (int row = 1; row < list->count(); ++row) {
            CChatRecordItem* item = list->rowAt(row);
            alone->clear();
            QString plain = texts[row - 1];
            alone->AppendLines(KivIMMainDlg::PlainToHtml(plain));
            const int expected = CChatRecordItem::RowHeightFor(alone->document()->size().height());
            QCOMPARE(list->item(row)->sizeHint().height(), expected);
            QCOMPARE(item->Body()->toPlainText(), alone->toPlainText());
        }
        QVERIFY(list->item(3)->sizeHint().height() > list->item(1)->sizeHint().height() + 40);
    }

    // Paging back and forth keeps one page of texts and at most a page of
    // row widgets, whatever was shown before.
    void pagingKeepsNothingOfOldPages() {
        fill(130);
        m_parent->resize(400, 420);
        m_parent->show();
        m_record->show();
        CChatRecord* list = m_record->List();
        int widgets = 0;
        for (int round = 0; round < 3; ++round) {
            m_record->ClickLeftTopPage();
            m_record->ClickNextPage();
            m_record->ClickNextPage();
            QCOMPARE(shown().messages, literalPage(0));
            const int now = list->viewport()->findChildren<CChatRecordItem*>().size();
            if (round > 0)
                QCOMPARE(now, widgets);
            widgets = now;
            QCOMPARE(list->findChildren<KivChatTextDocument*>(QString(), Qt::FindDirectChildrenOnly)
                         .size(),
                     CKivImChatRecordDlg::kPageSize);
        }
        QVERIFY(widgets <= 2 * (CKivImChatRecordDlg::kPageSize + 1));
    }

    void messagesAddedLaterShowOnTheNextRefresh() {
        fill(3);
        m_record->RefreshRecordList();
        QCOMPARE(shown().messages.size(), 3);
        // The model's own writes keep its page index current.
        ChatMessageRecord record;
        KivInitRecord(record, ChatMessage);
        record.senderUid = kFriend;
        record.receiverUid = kOwn;
        KivWriteText(record.text, QByteArray("刚到"));
        QVERIFY(
            CKivFriendDBModel::GetInstance()->InsertMsg(reinterpret_cast<const char*>(&record)));
        m_record->RefreshRecordList();
        QCOMPARE(m_record->Total(), 4);
        QVERIFY(shown().messages.last().endsWith(QStringLiteral("|刚到")));
    }
};

KIV_TEST_CLASS(tst_CKivImChatRecordDlg)
#include "tst_CKivImChatRecordDlg.moc"
