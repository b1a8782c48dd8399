#include <QElapsedTimer>
#include <QTcpServer>
#include <QtTest>

#include "CKivFriendNetModel.h"
#include "CKivReconnectModel.h"
#include "KivTestRegistry.h"

// When reconnection attempts are made: at once, then after 1, 2, 4, 8, 16
// and 30 s, every 30 s after that, and at once again when asked.
class tst_CKivReconnectModel : public QObject {
    Q_OBJECT
    std::unique_ptr<CKivReconnectModel> m_reconnect;
    QVector<qint64> m_failures;
    QElapsedTimer m_clock;

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
        m_reconnect = std::make_unique<CKivReconnectModel>(net);
        m_failures.clear();
        m_clock.start();
        // As the login dialog does: a failed connection goes to reconnection.
        connect(net, &CKivFriendNetModel::FaildConnect, m_reconnect.get(), [this] {
            m_failures << m_clock.elapsed();
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
        QTRY_VERIFY_WITH_TIMEOUT(m_failures.size() == 4, 12000);
        // The first at once, then gaps of 1, 2 and 4 s.
        QVERIFY2(m_failures.at(0) < 500, qPrintable(QString::number(m_failures.at(0))));
        const int gaps[] = {1000, 2000, 4000};
        for (int i = 0; i < 3; ++i) {
            const qint64 gap = m_failures.at(i + 1) - m_failures.at(i);
            QVERIFY2(gap >= gaps[i] - 250 && gap < gaps[i] + 700, qPrintable(QString::number(gap)));
        }
        QCOMPARE(offline.count(), 1);
        QCOMPARE(m_reconnect->CurrentState(), CKivReconnectModel::State::Waiting);

        // The next is due in 8 s; asking tries now.
        const qint64 asked = m_clock.elapsed();
        m_reconnect->TryNow();
        QTRY_VERIFY_WITH_TIMEOUT(m_failures.size() == 5, 2000);
        QVERIFY(m_failures.at(4) - asked < 500);
    }

    void offOrDisarmedTriesNothing() {
        QVERIFY(!m_reconnect->ConnectionLost());
        m_reconnect->Arm("login");
        QVERIFY(m_reconnect->ConnectionLost());
        m_reconnect->Disarm();
        QTest::qWait(1500);
        QVERIFY(m_failures.size() <= 1);
        QVERIFY(!m_reconnect->IsArmed());
        m_reconnect->TryNow();
        QTest::qWait(300);
        QVERIFY(m_failures.size() <= 1);
    }
};

KIV_TEST_CLASS(tst_CKivReconnectModel)
#include "tst_CKivReconnectModel.moc"
