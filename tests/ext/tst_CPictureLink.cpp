#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtTest>

#include "CPictureLink.h"
#include "KivTestRegistry.h"

namespace {

quint16 FreeUdpPort() {
    QUdpSocket probe;
    return probe.bind(QHostAddress(QHostAddress::LocalHost), 0) ? probe.localPort() : 0;
}

}  // namespace

// The video session in this process, with the test picture and no windows:
// calls end while the capture's and the player's streaming threads run.
class tst_CPictureLink : public QObject {
    Q_OBJECT
private slots:
    // One call sends to the test's socket, so the pictures are seen to flow;
    // a second sends to its own port, so its player draws them. Both end
    // mid-stream, the player's with its streaming thread inside a picture and
    // the capture's with the last call, many times over.
    void stopWhilePicturesFlow() {
        QUdpSocket peer;
        QVERIFY(peer.bind(QHostAddress(QHostAddress::LocalHost), 0));
        CPictureLink session;
        for (int round = 0; round < 6; ++round) {
            const quint16 loopPort = FreeUdpPort();
            QVERIFY(loopPort != 0);
            int sent = -1;
            int looped = -1;
            session.StartCall(0, 0, L"127.0.0.1", peer.localPort(), L"", 0, &sent);
            session.StartCall(0, 0, L"127.0.0.1", loopPort, L"", loopPort, &looped);
            // The frames reach both calls one after the other: once a few
            // reached the test, the player has been fed too.
            int datagrams = 0;
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    while (peer.hasPendingDatagrams()) {
                        peer.receiveDatagram();
                        ++datagrams;
                    }
                    return datagrams >= 10;
                }(),
                15000);
            session.StopCall(looped);
            session.StopCall(sent);
        }
    }
};

KIV_TEST_CLASS(tst_CPictureLink)
#include "tst_CPictureLink.moc"
