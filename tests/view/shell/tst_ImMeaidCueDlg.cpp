#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include "KivMediaRecord.h"
#include "KivTestRegistry.h"
#include "KivWindowMessage.h"
#include "shell/ImMeaidCueDlg.h"

namespace {

ptl_sys_send_per_media Record(std::uint32_t state) {
    ptl_sys_send_per_media media;
    KivInitRecord(media, Media);
    media.callerUid = 10001;
    media.calleeUid = 10002;
    media.state = state;
    return media;
}

// The cue's acceptances as they were signalled.
struct Accepted {
    QList<QPair<ptl_sys_send_per_media*, quintptr>> signals_;
    explicit Accepted(ImMeaidCueDlg& cue) {
        QObject::connect(&cue, &ImMeaidCueDlg::SndCueaccept,
                         [this](ptl_sys_send_per_media* media, quintptr window) {
                             signals_.append({media, window});
                         });
    }
    int size() const { return signals_.size(); }
};

}  // namespace

// The cue relays between the call window program and the main window: it
// learns the call window from kind 1, builds the answer from kinds 10 and 11,
// and reports a hang-up (kind 2). The call window here is this test.
class tst_ImMeaidCueDlg : public QObject {
    Q_OBJECT
private slots:
    void relaysTheAcceptance() {
        ImMeaidCueDlg cue(Record(1), nullptr);
        cue.ExpectCallWindowFrom(QCoreApplication::applicationPid());
        Accepted accepted(cue);
        const quint64 callWindow = 4242;

        QVERIFY(KivSendMessage(cue.MessageWindowId(), 1, callWindow, QByteArray(1, '\0')));
        QTRY_COMPARE(accepted.size(), 1);
        QCOMPARE(accepted.signals_[0].first, &cue.Request());
        QCOMPARE(accepted.signals_[0].second, quintptr(callWindow));
        QCOMPARE(cue.CallWindow(), callWindow);

        ptl_sys_send_per_media answer = Record(2);
        std::strcpy(answer.addressA, "127.0.0.1");
        answer.videoPortA = 4000;
        std::strcpy(answer.addressB, "127.0.0.2");
        answer.videoPortB = 5000;
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 10, callWindow, KivMediaToMessage(answer)));
        ptl_sys_send_per_media ports;
        KivInitRecord(ports, Media);
        ports.videoPortB = 5100;
        ports.audioPortA = 4100;
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 11, callWindow, KivMediaToMessage(ports)));
        QTRY_COMPARE(accepted.size(), 2);
        const ptl_sys_send_per_media* sent = accepted.signals_[1].first;
        QCOMPARE(sent, &cue.Answer());
        QCOMPARE(sent->state, 2u);
        QCOMPARE(QByteArray(sent->addressB), QByteArray("127.0.0.2"));
        QCOMPARE(sent->videoPortA, 4000u);
        QCOMPARE(sent->videoPortB, 5000u);
        QCOMPARE(sent->audioPortA, 4100u);
        QCOMPARE(sent->audioPortB, 5100u);
    }

    // A record claiming more than its message carries is not copied; one
    // claiming more than a media record is taken as far as the record goes,
    // and the answer goes on.
    void recordLengths() {
        ImMeaidCueDlg cue(Record(1), nullptr);
        cue.ExpectCallWindowFrom(QCoreApplication::applicationPid());
        Accepted accepted(cue);
        ptl_sys_send_per_media answer = Record(2);
        answer.videoPortA = 4000;
        QByteArray cut = KivMediaToMessage(answer).left(60);
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 10, 1, cut));
        QCOMPARE(cue.Answer().videoPortA, 0u);
        answer.head.length = 500;
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 10, 1, KivMediaToMessage(answer)));
        QCOMPARE(cue.Answer().videoPortA, 4000u);
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 11, 1, KivMediaToMessage(answer)));
        QTRY_COMPARE(accepted.size(), 1);
    }

    // A call window that went away without a word counts as hanging up.
    void aVanishedCallWindowEndsTheCall() {
        ImMeaidCueDlg cue(Record(1), nullptr);
        cue.ExpectCallWindowFrom(QCoreApplication::applicationPid());
        QSignalSpy hungUp(&cue, &ImMeaidCueDlg::SndCallHungUp);
        {
            KivMessageWindow callWindow(KivWindowIdFor(0), [](const KivWindowMessage&) {});
            QVERIFY(KivSendMessage(cue.MessageWindowId(), 1, callWindow.id(), QByteArray(1, '\0')));
            QTRY_COMPARE(cue.CallWindow(), callWindow.id());
            QTest::qWait(1500);
            QCOMPARE(hungUp.size(), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(hungUp.size(), 1, 10000);
    }

    // Closing the cue only dismisses it; refusing also answers the caller.
    // Both hand the cue back to the main window to be deleted.
    void closingIsNotRefusing_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("declines");
        QTest::newRow("close") << "b_Close" << 0;
        QTest::newRow("refuse") << "b_cuedecline" << 1;
    }
    void closingIsNotRefusing() {
        QFETCH(QString, button);
        QFETCH(int, declines);
        ImMeaidCueDlg cue(Record(1), nullptr);
        cue.ExpectCallWindowFrom(QCoreApplication::applicationPid());
        cue.show();
        QList<ptl_sys_send_per_media*> declined;
        connect(&cue, &ImMeaidCueDlg::SndCuedecline,
                [&](ptl_sys_send_per_media* media) { declined.append(media); });
        QSignalSpy gone(&cue, &ImMeaidCueDlg::SndDelMediaCue);
        Accepted accepted(cue);
        auto* pressed = cue.findChild<QPushButton*>(button);
        QVERIFY(pressed != nullptr);
        QTest::mouseClick(pressed, Qt::LeftButton);
        QCOMPARE(declined.size(), declines);
        if (declines == 1) {
            QCOMPARE(declined[0], &cue.Request());
        }
        QCOMPARE(gone.size(), 1);
        QCOMPARE(gone[0][0].value<QObject*>(), &cue);
        QCOMPARE(accepted.size(), 0);
        QVERIFY(!cue.isVisible());
    }

    void reportsAHangUpOnce() {
        ImMeaidCueDlg cue(Record(1), nullptr);
        cue.ExpectCallWindowFrom(QCoreApplication::applicationPid());
        QSignalSpy hungUp(&cue, &ImMeaidCueDlg::SndCallHungUp);
        QSignalSpy gone(&cue, &ImMeaidCueDlg::SndDelMediaCue);
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 2, 1, QByteArray(1, '\0')));
        QVERIFY(KivSendMessage(cue.MessageWindowId(), 2, 1, QByteArray(1, '\0')));
        QCOMPARE(hungUp.size(), 1);
        QCOMPARE(gone.size(), 1);
        QVERIFY(cue.IsCall(Record(4)));
        ptl_sys_send_per_media other = Record(4);
        other.callerUid = 10003;
        QVERIFY(!cue.IsCall(other));
    }
};

KIV_TEST_CLASS(tst_ImMeaidCueDlg)
#include "tst_ImMeaidCueDlg.moc"
