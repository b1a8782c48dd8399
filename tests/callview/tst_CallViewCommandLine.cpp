#include <QtTest>

#include "CallViewCommandLine.h"
#include "CallViewFreePort.h"
#include "KivTestRegistry.h"
#include "KivUdpSocket.h"

class tst_CallViewCommandLine : public QObject {
    Q_OBJECT
private slots:
    void readsTheOptions_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<quint64>("starter");
        QTest::addColumn<int>("self");
        QTest::addColumn<int>("peer");
        QTest::addColumn<bool>("calling");
        QTest::addColumn<QStringList>("loose");
        QTest::newRow("calling side") << QStringList{"--device=1234", "--me=7", "--to=9"}
                                      << quint64(1234) << 7 << 9 << true << QStringList{};
        QTest::newRow("called side, without --me")
            << QStringList{"--device=55"} << quint64(55) << 0 << 0 << false << QStringList{};
        // The value starts five characters after "--to", whatever comes after it.
        QTest::newRow("--to quirk")
            << QStringList{"--to:12", "--me=3"} << quint64(0) << 3 << 12 << true << QStringList{};
        QTest::newRow("--to inside an argument")
            << QStringList{"x--to=44"} << quint64(0) << 0 << 44 << false << QStringList{};
        QTest::newRow("--to alone")
            << QStringList{"--to"} << quint64(0) << 0 << 0 << false << QStringList{};
        QTest::newRow("empty --me is the called side")
            << QStringList{"--me=", "--to=9"} << quint64(0) << 0 << 9 << false << QStringList{};
        QTest::newRow("later ones win") << QStringList{"--me=1", "--me=2", "--device=8"}
                                        << quint64(8) << 2 << 0 << true << QStringList{};
        QTest::newRow("numbers read as %d") << QStringList{"--device=77abc", "--me=x"}
                                            << quint64(77) << 0 << 0 << true << QStringList{};
        QTest::newRow("renderer and loose arguments")
            << QStringList{"--type=renderer", "hello", "--type=other"} << quint64(0) << 0 << 0
            << false << QStringList{"hello", "--type=other"};
    }
    void readsTheOptions() {
        QFETCH(QStringList, arguments);
        QFETCH(quint64, starter);
        QFETCH(int, self);
        QFETCH(int, peer);
        QFETCH(bool, calling);
        QFETCH(QStringList, loose);
        const CallViewCommandLine line(QStringList{QStringLiteral("CallView")} + arguments);
        QCOMPARE(line.starterWindow(), starter);
        QCOMPARE(line.selfId(), self);
        QCOMPARE(line.peerId(), peer);
        QCOMPARE(line.isCallingSide(), calling);
        QCOMPARE(line.looseArguments(), loose);
        if (arguments.contains(QStringLiteral("--type=renderer"))) {
            QCOMPARE(line.option(QStringLiteral("--type")), QStringLiteral("renderer"));
        }
    }

    // A reserved port stays taken until it is released, so a second search
    // (another call window with the same luck) finds another one.
    void freePortsStayHeldUntilReleased() {
        CallViewFreePort first(99);
        CallViewFreePort second(99);
        const int port = first.Reserve();
        QVERIFY(port >= 1100 && port < 65535);
        QVERIFY(!KivUdpSocket::bindAny(port));
        const int other = second.Reserve();
        QVERIFY(other != 0);
        QVERIFY(other != port);
        first.Release(port);
        QVERIFY(KivUdpSocket::bindAny(port) != nullptr);
    }

    // Searches of fresh processes start at different ports.
    void searchesAreSeeded() {
        QSet<int> starts;
        for (int i = 0; i < 5; ++i) {
            CallViewFreePort ports;
            const int port = ports.Reserve();
            QVERIFY(port != 0);
            starts.insert(port);
        }
        QVERIFY(starts.size() > 1);
    }
};

KIV_TEST_CLASS(tst_CallViewCommandLine)
#include "tst_CallViewCommandLine.moc"
