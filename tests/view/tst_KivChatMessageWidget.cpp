#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivChatMessageWidget.h"
#include "KivTestRegistry.h"
#include "MyListModel.h"

class tst_KivChatMessageWidget : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;

    static const int Own = 100;
    static const int Ann = 7;
    static const int Ben = 8;
    static const int Cid = 9;

    static CKivFriendSqlUtilCommon* database() {
        return CKivFriendSqlUtilCommon::CreateSqlUtil(
            CKivFriendDBModel::GetInstance()->GetDatabaseFile());
    }

    static void store(int sender, int receiver, const QString& text, const QString& time,
                      int isgot) {
        CKivFriendSqlUtilCommon* util = database();
        QSqlQuery query(util->database());
        QVERIFY(util->sqlUtilExecute(
            QStringLiteral("insert into chat_message_table(type,senderuid,recveruid,message,"
                           "msgtime,isgot) values(0,?,?,?,?,?)"),
            query, {sender, receiver, text, time, isgot}));
    }

    static void markRead(int sender) {
        CKivFriendSqlUtilCommon* util = database();
        QSqlQuery query(util->database());
        QVERIFY(util->sqlUtilExecute(
            QStringLiteral("update chat_message_table set isgot=1 where senderuid=?"), query,
            {sender}));
    }

    static QStringList row(const KivChatMessageWidget& box, int index) {
        return box.Model()->rows().value(index);
    }

    static QStringList names(const KivChatMessageWidget& box) {
        QStringList all;
        for (const QStringList& entry : box.Model()->rows()) {
            all << entry.value(0);
        }
        return all;
    }

    static void checkGeometry(const KivChatMessageWidget& box, int entries) {
        const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
        const int height = 45 * entries + 38;
        QCOMPARE(box.size(), QSize(212, height));
        QCOMPARE(box.x() + box.width() + 8, desktop.x() + desktop.width());
        QCOMPARE(box.y() + box.height() + 32, desktop.y() + desktop.height());
        QCOMPARE(box.ListView()->maximumHeight(), 45 * entries);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        // The skin's tip picture, so styling the rows finds it.
        QDir().mkpath(QStringLiteral("Resources/skin/kivimmaindlg"));
        QImage tip(24, 16, QImage::Format_ARGB32);
        tip.fill(QColor(230, 60, 60));
        QVERIFY(tip.save(QStringLiteral("Resources/skin/kivimmaindlg/messageTipLabel.png")));
        QVERIFY(CKivFriendDBModel::GetInstance()->CreateDB(QStringLiteral("alice")));
        QVERIFY(CKivFriendDBModel::GetInstance()->ConnectDB());
        store(Ann, Own, QStringLiteral("first"), QStringLiteral("2026-12-01 08:00:00"), 0);
        store(Ann, Own, QStringLiteral("second\nline"), QStringLiteral("2026-12-01 09:00:00"), 0);
        store(Ann, Own, QStringLiteral("already read"), QStringLiteral("2026-12-01 10:00:00"), 1);
        store(Ann, 555, QStringLiteral("to someone else"), QStringLiteral("2026-12-01 11:00:00"),
              0);
        // Stored out of time order: the latest one still wins.
        store(Ben, Own, QStringLiteral("late"), QStringLiteral("2026-12-02 08:00:00"), 0);
        store(Ben, Own, QStringLiteral("early"), QStringLiteral("2026-12-01 08:00:00"), 0);
        store(Cid, Own, QStringLiteral("hi"), QStringLiteral("2026-12-03 08:00:00"), 0);
    }
    void cleanup() {
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        CKivFriendDBModel::ReleaseInstance();
        QDir::setCurrent(m_previous);
        m_dir.reset();
    }

    void emptyBoxIsHidden() {
        KivChatMessageWidget box;
        QCOMPARE(box.EntryCount(), 0);
        QVERIFY(box.isHidden());
        checkGeometry(box, 0);
        QVERIFY(box.findChild<QWidget*>(QStringLiteral("widget")));
        QVERIFY(box.findChild<QWidget*>(QStringLiteral("label")));
        QCOMPARE(box.ListView()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }

    void insertShowsLastUnread() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, QStringLiteral("Ann"), 3, Own);
        QCOMPARE(box.EntryCount(), 1);
        const QStringList entry = row(box, 0);
        QCOMPARE(entry.value(0), QStringLiteral("Ann"));
        QCOMPARE(entry.value(1), QStringLiteral("image/head/head_3.png"));
        QCOMPARE(entry.value(2), QStringLiteral("second line"));
        QCOMPARE(entry.value(3), QStringLiteral("2026-12-01 09:00:00"));
        checkGeometry(box, 1);

        box.insertChatInfo(Ben, QStringLiteral("Ben"), 10001, Own);
        QCOMPARE(row(box, 1).value(1), QStringLiteral("User/alice/image/head(8).png"));
        QCOMPARE(row(box, 1).value(2), QStringLiteral("late"));
    }

    void threeEntries() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, QStringLiteral("Ann"), 1, Own);
        box.insertChatInfo(Ben, QStringLiteral("Ben"), 2, Own);
        box.insertChatInfo(Cid, QStringLiteral("Cid"), 3, Own);
        QCOMPARE(box.EntryCount(), 3);
        QCOMPARE(box.height(), 173);
        checkGeometry(box, 3);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.ListView()->sizeHintForRow(0), 45);
        QCOMPARE(box.ListView()->visualRect(box.Model()->index(2)).bottom(), 3 * 45 - 1);
    }

    void refreshReplacesEntry() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, QStringLiteral("Ann"), 1, Own);
        box.insertChatInfo(Ben, QStringLiteral("Ben"), 2, Own);
        store(Ann, Own, QStringLiteral("third"), QStringLiteral("2026-12-04 08:00:00"), 0);
        box.insertChatInfo(Ann, QStringLiteral("Ann B."), 1, Own);
        QCOMPARE(box.EntryCount(), 2);
        QCOMPARE(names(box), (QStringList{"Ben", "Ann B."}));
        QCOMPARE(row(box, 1).value(2), QStringLiteral("third"));
        checkGeometry(box, 2);
    }

    void updateRemovesReadFriends() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, QStringLiteral("Ann"), 1, Own);
        box.insertChatInfo(Ben, QStringLiteral("Ben"), 2, Own);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));

        // Still waiting: the entry stays, refreshed.
        store(Ben, Own, QStringLiteral("newest"), QStringLiteral("2026-12-05 08:00:00"), 0);
        box.UpdateChatInfo(Ben);
        QCOMPARE(names(box), (QStringList{"Ann", "Ben"}));
        QCOMPARE(row(box, 1).value(2), QStringLiteral("newest"));

        markRead(Ann);
        box.UpdateChatInfo(Ann);
        QCOMPARE(names(box), (QStringList{"Ben"}));
        checkGeometry(box, 1);
        QVERIFY(box.isVisible());

        box.UpdateChatInfo(Cid);
        QCOMPARE(box.EntryCount(), 1);

        markRead(Ben);
        box.UpdateChatInfo(Ben);
        QCOMPARE(box.EntryCount(), 0);
        QVERIFY(box.isHidden());
        checkGeometry(box, 0);
    }

    void clickNamesTheFriend() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, QStringLiteral("Ann"), 1, Own);
        box.insertChatInfo(Cid, QStringLiteral("Cid"), 1, Own);
        QSignalSpy clicked(&box, &KivChatMessageWidget::ChatInfoClicked);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QRect second = box.ListView()->visualRect(box.Model()->index(1));
        QTest::mouseClick(box.ListView()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), Cid);
        box.ListViewClicked(QModelIndex());
        QCOMPARE(clicked.count(), 1);
    }

    void withoutDatabase() {
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        CKivFriendDBModel::ReleaseInstance();
        KivChatMessageWidget box;
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("执行失败")));
        box.insertChatInfo(Ann, QStringLiteral("Ann"), 1, Own);
        QCOMPARE(box.EntryCount(), 1);
        QCOMPARE(row(box, 0).value(2), QString());
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("执行失败")));
        box.UpdateChatInfo(Ann);
        QCOMPARE(box.EntryCount(), 0);
    }
};

KIV_TEST_CLASS(tst_KivChatMessageWidget)
#include "tst_KivChatMessageWidget.moc"
