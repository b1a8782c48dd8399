#include <QSqlQuery>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "CKivRawClient.h"
#include "KivLoggedInSession.h"
#include "KivTestRegistry.h"
#include "chat/CChatHistoryList.h"
#include "chat/CChatItem.h"
#include "chat/CKivIMChatDlg.h"
#include "shell/KivChatMessageWidget.h"
#include "shell/MyListModel.h"

// A friend floods a closed chat window through the development server: every
// message is stored, the window keeps the newest ones in order, and opening
// it shows exactly those.
class tst_KivUnreadFlood : public QObject {
    Q_OBJECT
    static constexpr quint32 kFlooder = 10004;
    std::unique_ptr<KivLoggedInSession> m_session;

    int rowsFrom(quint32 sender, int isgot) {
        QSqlQuery query(CKivFriendSqlUtilCommon::CreateSqlUtil(
                            CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                            ->database());
        query.prepare(QStringLiteral(
            "select count(*) from chat_message_table where senderuid=? and isgot=?"));
        query.addBindValue(sender);
        query.addBindValue(isgot);
        return query.exec() && query.next() ? query.value(0).toInt() : -1;
    }

    static QStringList boxTexts(KivIMMainDlg* window, quint32 uid) {
        QStringList texts;
        for (const QStringList& row : window->Preview()->Model()->rows()) {
            if (row.value(4) == QString::number(uid))
                texts << row.value(2);
        }
        return texts;
    }

private slots:
    void init() {
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start());
    }
    void cleanup() { m_session.reset(); }

    void floodToAClosedWindow() {
        const int total = 1000;
        KivIMMainDlg* window = m_session->mainWindow();
        CKivRawClient peer;
        QVERIFY(peer.connectTo(m_session->server().tcpPort()));
        QVERIFY(peer.login(QString::number(kFlooder), QStringLiteral("123456")));
        QStringList sent;
        for (int i = 0; i < total; ++i) {
            sent << QStringLiteral("洪水%1").arg(i);
            peer.sendChat(10001, sent.last().toUtf8());
        }
        QTRY_COMPARE_WITH_TIMEOUT(rowsFrom(kFlooder, 0), total, 30000);
        CKivIMChatDlg* dialog = window->ChatDialog(kFlooder);
        QTRY_COMPARE(dialog->PendingMessages(), sent.mid(total - CKivIMChatDlg::kMaxPending));
        int entries = 0;
        for (const auto& entry : window->UnreadList())
            entries += entry.first == int(kFlooder);
        QCOMPARE(entries, 1);
        QVERIFY(window->IsFlashing());
        // The box shows the friend once, with the last message.
        QTRY_COMPARE(boxTexts(window, kFlooder), QStringList{sent.last()});

        int row = 0;
        while (window->Friends()[size_t(row)].uid != kFlooder)
            ++row;
        window->DClickedForRow(row, false);
        QTRY_COMPARE(dialog->History()->count(), int(CKivIMChatDlg::kMaxPending));
        for (int i = 0; i < dialog->History()->count(); ++i)
            QCOMPARE(dialog->History()->itemAt(i)->PlainText(),
                     sent[total - CKivIMChatDlg::kMaxPending + i]);
        QTRY_COMPARE(rowsFrom(kFlooder, 0), 0);
        QCOMPARE(rowsFrom(kFlooder, 1), total);

        // The conversation goes on in the open window, each message once.
        peer.sendChat(10001, QByteArrayLiteral("还在吗"));
        QTRY_COMPARE(dialog->History()->itemAt(dialog->History()->count() - 1)->PlainText(),
                     QStringLiteral("还在吗"));
        QTest::qWait(300);
        QCOMPARE(dialog->History()->itemAt(dialog->History()->count() - 2)->PlainText(),
                 sent.last());
        QVERIFY(dialog->PendingMessages().isEmpty());
        QTRY_COMPARE(rowsFrom(kFlooder, 0), 0);
    }
};

KIV_TEST_CLASS(tst_KivUnreadFlood)
#include "tst_KivUnreadFlood.moc"
