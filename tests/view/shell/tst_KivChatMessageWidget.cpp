#include <QGuiApplication>
#include <QListView>
#include <QScreen>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivTestRegistry.h"
#include "shell/KivChatMessageWidget.h"
#include "shell/MyListModel.h"

class tst_KivChatMessageWidget : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;
    enum { Own = 100, Ann = 7, Ben = 8, Cid = 9 };

    static void run(const QString& sql, const QVariantList& values) {
        CKivFriendSqlUtilCommon* util = CKivFriendSqlUtilCommon::CreateSqlUtil(
            CKivFriendDBModel::GetInstance()->GetDatabaseFile());
        QSqlQuery query(util->database());
        QVERIFY(util->sqlUtilExecute(sql, query, values));
    }
    static void store(int sender, int receiver, const QString& text, const QString& time,
                      int isgot = 0) {
        run(QStringLiteral(
                "insert into chat_message_table(type,senderuid,recveruid,message,msgtime,"
                "isgot) values(0,?,?,?,?,?)"),
            {sender, receiver, text, time, isgot});
    }
    static void markRead(int sender) {
        run(QStringLiteral("update chat_message_table set isgot=1 where senderuid=?"), {sender});
    }

    static QStringList column(const KivChatMessageWidget& box, int field) {
        QStringList all;
        for (const QStringList& entry : box.Model()->rows()) {
            all << entry.value(field);
        }
        return all;
    }

    static void checkGeometry(const KivChatMessageWidget& box, int entries) {
        const QRect desktop = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(box.size(), QSize(212, 45 * entries + 38));
        QCOMPARE(box.ListView()->maximumHeight(), 45 * entries);
        QCOMPARE(box.geometry().right() + 1 + 8, desktop.right() + 1);
        QCOMPARE(box.geometry().bottom() + 1 + 32, desktop.bottom() + 1);
        QCOMPARE(box.isHidden(), entries == 0);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        QDir().mkpath(QStringLiteral("Resources/skin/kivimmaindlg"));
        QImage tip(24, 16, QImage::Format_RGB32);
        tip.fill(Qt::red);
        QVERIFY(tip.save(QStringLiteral("Resources/skin/kivimmaindlg/messageTipLabel.png")));
        QVERIFY(CKivFriendDBModel::GetInstance()->CreateDB(QStringLiteral("alice")));
        QVERIFY(CKivFriendDBModel::GetInstance()->ConnectDB());
        store(Ann, Own, "first", "2026-12-01 08:00:00");
        store(Ann, Own, "second\nline", "2026-12-01 09:00:00");
        store(Ann, Own, "already read", "2026-12-01 10:00:00", 1);
        store(Ann, 555, "to someone else", "2026-12-01 11:00:00");
        // Stored out of time order: the latest one still wins.
        store(Ben, Own, "late", "2026-12-02 08:00:00");
        store(Ben, Own, "early", "2026-12-01 08:00:00");
        store(Cid, Own, "hi", "2026-12-03 08:00:00");
    }
    void cleanup() {
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        CKivFriendDBModel::ReleaseInstance();
        QDir::setCurrent(m_previous);
        m_dir.reset();
    }

    void insertAndRefresh() {
        KivChatMessageWidget box;
        checkGeometry(box, 0);
        box.insertChatInfo(Ann, "Ann", 3, Own);
        box.insertChatInfo(Ben, "Ben", 10001, Own);
        QCOMPARE(box.Model()->rows().value(0),
                 (QStringList{"Ann", "image/head/head_3.png", "second line", "2026-12-01 09:00:00",
                              "7"}));
        QCOMPARE(column(box, 1).value(1), QStringLiteral("User/alice/image/head(8).png"));
        QCOMPARE(column(box, 2).value(1), QStringLiteral("late"));
        box.show();
        checkGeometry(box, 2);

        // A friend already listed is replaced, refreshed, and moves to the end.
        store(Ann, Own, "third", "2026-12-04 08:00:00");
        box.insertChatInfo(Ann, "Ann B.", 3, Own);
        box.insertChatInfo(Cid, "Cid", 3, Own);
        QCOMPARE(column(box, 0), (QStringList{"Ben", "Ann B.", "Cid"}));
        QCOMPARE(column(box, 2).value(1), QStringLiteral("third"));
        QCOMPARE(box.height(), 173);
        checkGeometry(box, 3);
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QRect last = box.ListView()->visualRect(box.Model()->index(2));
        QCOMPARE(last.top(), 90);
        QCOMPARE(last.height(), 45);
    }

    void updateRemovesReadFriends() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, "Ann", 1, Own);
        box.insertChatInfo(Ben, "Ben", 2, Own);
        box.show();
        store(Ben, Own, "newest", "2026-12-05 08:00:00");
        box.UpdateChatInfo(Ben);
        QCOMPARE(column(box, 2), (QStringList{"second line", "newest"}));
        markRead(Ann);
        box.UpdateChatInfo(Ann);
        box.UpdateChatInfo(Cid);
        QCOMPARE(column(box, 0), (QStringList{"Ben"}));
        checkGeometry(box, 1);
        markRead(Ben);
        box.UpdateChatInfo(Ben);
        checkGeometry(box, 0);
    }

    void clickNamesTheFriend() {
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, "Ann", 1, Own);
        box.insertChatInfo(Cid, "Cid", 1, Own);
        QSignalSpy clicked(&box, &KivChatMessageWidget::ChatInfoClicked);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QRect second = box.ListView()->visualRect(box.Model()->index(1));
        QTest::mouseClick(box.ListView()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(clicked.at(0).at(0).toInt(), int(Cid));
        box.ListViewClicked(QModelIndex());
        QCOMPARE(clicked.count(), 1);
    }

    void withoutDatabase() {
        CKivFriendSqlUtilCommon::ReleaseSqlUtil();
        CKivFriendDBModel::ReleaseInstance();
        KivChatMessageWidget box;
        box.insertChatInfo(Ann, "Ann", 1, Own);
        QCOMPARE(column(box, 2), QStringList{QString()});
        box.UpdateChatInfo(Ann);
        checkGeometry(box, 0);
    }
};

KIV_TEST_CLASS(tst_KivChatMessageWidget)
#include "tst_KivChatMessageWidget.moc"
