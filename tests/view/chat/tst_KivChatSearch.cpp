#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include "CKivChatSearchIndex.h"
#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivProtocol.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "chat/CChatRecord.h"
#include "chat/CKivImChatRecordDlg.h"
#include "chat/KivChatSearchHitDelegate.h"
#include "chat/KivChatSearchPanel.h"

namespace {

constexpr quint32 kOwn = 10001;
constexpr quint32 kFriend = 10002;
constexpr quint32 kStranger = 10003;
const QDateTime kStart(QDate(2025, 6, 1), QTime(9, 0, 0));

// Pieces the stored texts are made of: Chinese, Latin in both cases, an
// address, SQL and FTS specials, and a face.
const QStringList kPieces = {
    QStringLiteral("你好世界"),       QStringLiteral("很高兴见到你"),
    QStringLiteral("欢迎来北京开会"), QStringLiteral("Hello World"),
    QStringLiteral("hello qt开发"),   QStringLiteral("地址 http://example.com/a_b%20c"),
    QStringLiteral("100% 完成"),      QStringLiteral("it's \"quoted\""),
    QStringLiteral("[微笑]"),         QStringLiteral("微笑的人"),
    QStringLiteral("under_score"),    QStringLiteral("明天\n见"),
};

enum class Fill { None, Half, Full };

}  // namespace

Q_DECLARE_METATYPE(Fill)

// The history search against a real database: every result must be exactly
// what a plain LIKE over the same rows finds, whatever share of the history
// the index holds yet.
class tst_KivChatSearch : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;

    QSqlDatabase database() {
        return CKivFriendSqlUtilCommon::CreateSqlUtil(
                   CKivFriendDBModel::GetInstance()->GetDatabaseFile())
            ->database();
    }
    // As another program (or an older client) writes rows: no index copy.
    void storeDirectly(quint32 from, quint32 to, const QString& text, const QDateTime& when) {
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
    // A history from before the index: both directions and another conversation.
    void fillHistory(int n) {
        QSqlDatabase db = database();
        QSqlQuery(db).exec(QStringLiteral("DROP TABLE kiv_chat_search"));
        QSqlQuery(db).exec(QStringLiteral("DROP TABLE kiv_chat_search_state"));
        db.transaction();
        for (int i = 0; i < n; ++i) {
            const QString text = kPieces[i % kPieces.size()] + QLatin1Char(' ') +
                                 kPieces[(i * 7 + 3) % kPieces.size()];
            const int side = i % 3;
            const quint32 from = side == 0 ? kOwn : side == 1 ? kFriend : kStranger;
            const quint32 to = side == 0 ? kFriend : kOwn;
            storeDirectly(from, to, text, kStart.addSecs(60 * i));
        }
        db.commit();
        QVERIFY(CKivChatSearchIndex::prepare(database()));
    }
    void runFill(Fill fill) {
        bool done = false;
        CKivChatSearchIndex::Coverage coverage;
        QVERIFY(CKivChatSearchIndex::coverage(database(), &coverage));
        const qint64 half = coverage.high / 2;
        while (!done && fill != Fill::None) {
            QVERIFY(CKivChatSearchIndex::fillStep(database(), 37, &done));
            QVERIFY(CKivChatSearchIndex::coverage(database(), &coverage));
            if (fill == Fill::Half && coverage.low <= half)
                break;
        }
    }
    // The ids a LIKE finds, newest first; the face counts as a picture.
    QList<qint64> expected(const QString& query, bool conversation) {
        QString pattern = query;
        pattern.replace('\\', "\\\\").replace('%', "\\%").replace('_', "\\_");
        QSqlQuery select(database());
        select.prepare(QStringLiteral("select id from chat_message_table where type=0 and "
                                      "replace(message,'[微笑]',char(65532)) like ? escape '\\' %1 "
                                      "order by id desc")
                           .arg(conversation
                                    ? QStringLiteral("and ((senderuid=%1 and recveruid=%2) "
                                                     "or (senderuid=%2 and recveruid=%1))")
                                          .arg(kOwn)
                                          .arg(kFriend)
                                    : QString()));
        select.addBindValue(QLatin1Char('%') + pattern + QLatin1Char('%'));
        if (!select.exec())
            return {-1};
        QList<qint64> ids;
        while (select.next())
            ids << select.value(0).toLongLong();
        return ids;
    }
    static QList<qint64> search(KivChatSearchPanel& panel, const QString& query) {
        QSignalSpy finished(&panel, &KivChatSearchPanel::SearchFinished);
        panel.SetQuery(query);
        if (!panel.Finished() && !finished.wait(10000))
            return {-2};
        QList<qint64> ids;
        for (const KivChatSearchHit& hit : panel.Hits())
            ids << hit.id;
        return ids;
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_tree->addPicture(QStringLiteral("image/face/微笑.png"));
        CKivFriendDBModel* db = CKivFriendDBModel::GetInstance();
        QVERIFY(db->CreateDB(QStringLiteral("tester")));
        QVERIFY(db->ConnectDB());
    }
    void cleanup() {
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        m_tree.reset();
    }

    void matchesLike_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<Fill>("fill");
        const QStringList queries = {"你",     "你好",  "见到你",  "欢迎来北京", "高兴见到你",
                                     "qt开发", "World", "WORLD",   "hello",      "example.com/a_b%",
                                     "%",      "_",     "'",       "\"",         "s \"quo",
                                     "[微笑]", "微笑",  "明天 见", "不存在的话", "o W"};
        for (const QString& query : queries) {
            for (const auto& [name, fill] :
                 {std::pair{"unindexed", Fill::None}, {"half", Fill::Half}, {"full", Fill::Full}})
                QTest::newRow(qPrintable(query + QLatin1Char(' ') + name)) << query << fill;
        }
    }
    void matchesLike() {
        QFETCH(QString, query);
        QFETCH(Fill, fill);
        fillHistory(240);
        runFill(fill);
        KivChatSearchPanel panel;
        panel.SetScope({kOwn, kFriend}, {});
        QCOMPARE(search(panel, query), expected(query, true));
        panel.SetScope({}, {});
        QCOMPARE(search(panel, query), expected(query, false));
    }

    // What the model stores while the index fills is found at once, by the
    // next search; deleting a conversation takes its copies with it.
    void storedMessagesAreFound() {
        fillHistory(500);
        KivChatSearchPanel panel;
        panel.SetScope({kOwn, kFriend}, {});
        const QList<qint64> before = search(panel, QStringLiteral("你好世界"));
        QVERIFY(!before.isEmpty());
        panel.SetQuery(QStringLiteral("新来的消息"));
        ChatMessageRecord record{};
        record.senderUid = kFriend;
        record.receiverUid = kOwn;
        KivWriteText(record.text, QByteArrayLiteral("一条新来的消息"));
        qint64 rowId = 0;
        QVERIFY(CKivFriendDBModel::GetInstance()->InsertMsg(reinterpret_cast<const char*>(&record),
                                                            &rowId));
        QCOMPARE(search(panel, QStringLiteral("新来的消息")), QList<qint64>{rowId});
        QVERIFY(CKivFriendDBModel::GetInstance()->DelFriendChatMsg(kOwn, kFriend));
        QSqlQuery left(database());
        QVERIFY(left.exec(
            QStringLiteral("select count(*) from kiv_chat_search where rowid=%1").arg(rowId)));
        QVERIFY(left.next());
        QCOMPARE(left.value(0).toInt(), 0);
        QCOMPARE(search(panel, QStringLiteral("你好世界")), QList<qint64>{});
    }

    // Enter and Shift+Enter walk the hits; each lands on the record page that
    // holds its message, with that message marked.
    void hitsLandOnTheirPage_data() {
        QTest::addColumn<int>("position");  // of the conversation, oldest first
        QTest::newRow("oldest") << 0;
        QTest::newRow("middle") << 77;
        QTest::newRow("newest") << 129;
    }
    void hitsLandOnTheirPage() {
        QFETCH(int, position);
        QSqlDatabase db = database();
        db.transaction();
        for (int i = 0; i < 130; ++i) {
            const QString text =
                i == position ? QStringLiteral("要找的那一条") : QStringLiteral("别的");
            storeDirectly(i % 2 ? kOwn : kFriend, i % 2 ? kFriend : kOwn, text,
                          kStart.addSecs(60 * i));
            if (i % 4 == 0)
                storeDirectly(kStranger, kOwn, QStringLiteral("要找的那一条"),
                              kStart.addSecs(60 * i));
        }
        db.commit();
        QWidget parent;
        auto* record = new CKivImChatRecordDlg(&parent);
        record->SetConversation(kOwn, QStringLiteral("我"), kFriend, QStringLiteral("李四"));
        KivChatSearchPanel* panel = record->Search();
        QCOMPARE(search(*panel, QStringLiteral("那一条")).size(), 1);
        QTest::keyClick(panel->Field(), Qt::Key_Return);
        const int offset =
            (129 - position) / CKivImChatRecordDlg::kPageSize * CKivImChatRecordDlg::kPageSize;
        QCOMPARE(record->Offset(), offset);
        QCOMPARE(record->List()->Marked(), panel->Hits().value(0).id);
        // Past the last hit nothing moves.
        QTest::keyClick(panel->Field(), Qt::Key_Return);
        QTest::keyClick(panel->Field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(panel->CurrentHit(), 0);
    }

    // The hit's line starts near the hit and marks exactly the query's places.
    void excerptKeepsTheSpans() {
        const QString plain = QStringLiteral("一二三四五六七八九十甲乙丙丁 hello 戊己");
        QVector<QPair<int, int>> spans{{plain.indexOf("hello"), 5}};
        const QString shown = KivChatSearchHitDelegate::Excerpt(plain, &spans);
        QCOMPARE(shown.mid(spans[0].first, spans[0].second), QStringLiteral("hello"));
        QVERIFY(shown.startsWith(QChar(0x2026)));
    }
};

KIV_TEST_CLASS(tst_KivChatSearch)
#include "tst_KivChatSearch.moc"
