#include <QTcpServer>
#include <QtTest>

#include "CKivFriendNetModel.h"
#include "CKivReconnectModel.h"
#include "KivTestClock.h"
#include "KivTestRegistry.h"

// When reconnection attempts are made: at once, then after 1, 2, 4, 8, 16
// and 30 s, every 30 s after that, and at once again when asked.
class tst_CKivReconnectModel : public QObject {
    Q_OBJECT
    KivTestClock m_clock;
    std::unique_ptr<CKivReconnectModel> m_reconnect;
    QVector<qint64> m_failures;

    // A loopback port that nothing listens on: every attempt fails at once.
    static quint16 closedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return probe.serverPort();
    }

private slots:
    void init() {
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        net->SetServerIP_And_Port("127.0.0.1", closedPort());
        m_reconnect = std::make_unique<CKivReconnectModel>(net, nullptr, m_clock);
        m_failures.clear();
        // As the login dialog does: a failed connection goes to reconnection.
        connect(net, &CKivFriendNetModel::FaildConnect, m_reconnect.get(), [this] {
            m_failures << m_clock.Now();
            m_reconnect->ConnectionLost();
        });
    }
    void cleanup() {
        m_reconnect.reset();
        CKivFriendNetModel::GetInstance()->Delete_Socket();
    }

    void delays_data() {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("delayMs");
        const int expected[][2] = {{0, 0},     {1, 1000},  {2, 2000},  {3, 4000},     {4, 8000},
                                   {5, 16000}, {6, 30000}, {7, 30000}, {1000, 30000}, {-1, 30000}};
        for (const auto& row : expected)
            QTest::addRow("after %d", row[0]) << row[0] << row[1];
    }
    void delays() {
        QFETCH(int, failures);
        QFETCH(int, delayMs);
        QCOMPARE(CKivReconnectModel::DelayMs(failures), delayMs);
    }

    void attemptsFollowTheSchedule() {
        QSignalSpy offline(m_reconnect.get(), &CKivReconnectModel::WentOffline);
        m_reconnect->Arm("login");
        QVERIFY(m_reconnect->ConnectionLost());
        QCOMPARE(offline.count(), 1);
        // The first at once, then gaps of 1, 2, 4 and 8 s: nothing is tried
        // a moment before an attempt is due, and the attempt comes when it is.
        const int gaps[] = {0, 1000, 2000, 4000, 8000};
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(m_clock.NextDue(), qint64(gaps[i]));
            if (gaps[i] > 0) {
                m_clock.Advance(gaps[i] - 1);
                QCoreApplication::processEvents();
                QCOMPARE(m_failures.size(), i);
            }
            m_clock.Advance(gaps[i] > 0 ? 1 : 0);
            QTRY_COMPARE(m_failures.size(), i + 1);
        }
        QCOMPARE(offline.count(), 1);
        QCOMPARE(m_reconnect->CurrentState(), CKivReconnectModel::State::Waiting);

        // The next is due in 16 s; asking tries now.
        QCOMPARE(m_clock.NextDue(), qint64(16000));
        const qint64 asked = m_clock.Now();
        m_reconnect->TryNow();
        QTRY_COMPARE(m_failures.size(), 6);
        QCOMPARE(m_failures.at(5), asked);
        QCOMPARE(m_clock.NextDue(), qint64(30000));
    }

    void offOrDisarmedTriesNothing() {
        QVERIFY(!m_reconnect->ConnectionLost());
        m_reconnect->Arm("login");
        QVERIFY(m_reconnect->ConnectionLost());
        m_reconnect->Disarm();
        QCOMPARE(m_clock.NextDue(), qint64(-1));
        m_clock.Advance(60000);
        QVERIFY(!m_reconnect->IsArmed());
        m_reconnect->TryNow();
        m_clock.Advance(60000);
        QCoreApplication::processEvents();
        QCOMPARE(m_failures.size(), 0);
    }
};

KIV_TEST_CLASS(tst_CKivReconnectModel)
#include "tst_CKivReconnectModel.moc"
