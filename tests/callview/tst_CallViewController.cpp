#include <QSignalSpy>
#include <QtTest>

#include "CMediaCallKeys.h"
#include "CallViewController.h"
#include "CallViewFakes.h"
#include "CallViewFreePort.h"
#include "KivMediaRecord.h"
#include "KivTestRegistry.h"
#include "KivUdpSocket.h"
#include "KivWindowMessage.h"
#include "MediaKeyTail.h"

namespace {

struct Sent {
    quint64 to;
    quint32 kind;
    QByteArray data;
    ptl_sys_send_per_media record() const {
        ptl_sys_send_per_media media{};
        std::memcpy(&media, data.constData(), qMin(size_t(data.size()), sizeof(media)));
        return media;
    }
};

// One call window's controller with fake sessions and a fake starter.
struct Rig {
    static constexpr qint64 kStarterPid = 4242;
    FakePictureLink video;
    FakeSoundLink audio;
    CallViewFreePort ports{12345};
    QList<Sent> sent;
    bool starterAlive = true;
    QList<std::shared_ptr<CMediaCallKeys>> keys;
    std::unique_ptr<CallViewController> controller;

    explicit Rig(const QStringList& arguments) {
        CallViewController::Messenger messenger;
        messenger.send = [this](quint64 to, quint32 kind, const QByteArray& data) {
            sent.append({to, kind, data});
            return true;
        };
        messenger.exists = [this](quint64) { return starterAlive; };
        CallViewController::Sessions sessions{&video, &audio, nullptr};
        sessions.useKeys = [this](std::shared_ptr<CMediaCallKeys> used) { keys.append(used); };
        controller = std::make_unique<CallViewController>(
            CallViewCommandLine(QStringList{QStringLiteral("CallView"),
                                            QStringLiteral("--starter-pid=%1").arg(kStarterPid)} +
                                arguments),
            sessions, messenger, ports, QByteArray("10.1.2.3"));
    }

    void deliver(quint32 kind, const QByteArray& data, qint64 fromPid = kStarterPid) {
        KivWindowMessage message;
        message.senderPid = fromPid;
        message.message = KivWmCopyData;
        message.kind = kind;
        message.wParam = 1234;
        message.data = data;
        controller->OnWindowMessage(message);
    }
};

ptl_sys_send_per_media Request(std::uint32_t state) {
    ptl_sys_send_per_media media;
    KivInitRecord(media, Media);
    media.callerUid = 7;
    media.calleeUid = 9;
    media.state = state;
    std::strcpy(media.addressA, "127.0.0.1");
    media.videoPortA = 4000;
    std::strcpy(media.addressB, "127.0.0.2");
    media.videoPortB = 5000;
    media.audioPortA = 4100;
    media.audioPortB = 5100;
    return media;
}

// The local port of a "StartCall" line: its last number.
int LocalPort(const QString& call) {
    return call.section(QLatin1Char(' '), -1).toInt();
}

}  // namespace

class tst_CallViewController : public QObject {
    Q_OBJECT
private slots:
    // "--device=1234 --me=7 --to=9": the window announces itself to 1234, and
    // both sessions start at once towards loopback; then the request and the
    // audio port go to the starter.
    void callingSideStartsAtOnce() {
        Rig rig(
            {QStringLiteral("--device=1234"), QStringLiteral("--me=7"), QStringLiteral("--to=9")});
        rig.controller->Start(11, 22);
        QCOMPARE(rig.sent.size(), 3);
        QCOMPARE(rig.sent[0].to, 1234u);
        QCOMPARE(rig.sent[0].kind, 1u);
        QCOMPARE(rig.sent[0].data, QByteArray(1, '\0'));

        QCOMPARE(rig.video.calls.size(), 3);
        QCOMPARE(rig.video.calls[0], QStringLiteral("SetVideoFormat \"\" 320 240"));
        QCOMPARE(rig.video.calls[1], QStringLiteral("SetSessionInfo 7 9 1"));
        const int videoPort = LocalPort(rig.video.calls[2]);
        QCOMPARE(rig.video.calls[2], QStringLiteral("StartCall 11 22 \"127.0.0.1\" %1 \"\" %2")
                                         .arg(videoPort + 1)
                                         .arg(videoPort));
        QCOMPARE(rig.audio.calls.size(), 2);
        QCOMPARE(rig.audio.calls[0], QStringLiteral("SetAudioFormat \"\" 32000 16 2"));
        const QString audioCall = rig.audio.calls[1];
        const int audioPort = audioCall.section(QLatin1Char(' '), 4, 4).toInt();
        QCOMPARE(audioCall, QStringLiteral("StartCall \"127.0.0.1\" %1 \"\" %2 0")
                                .arg(audioPort + 1)
                                .arg(audioPort));
        QVERIFY(videoPort >= 1100 && audioPort >= 1100 && videoPort != audioPort);

        QCOMPARE(rig.sent[1].kind, 10u);
        const ptl_sys_send_per_media request = rig.sent[1].record();
        QCOMPARE(request.head.command, std::uint32_t(Media));
        QCOMPARE(request.head.length, 176u);
        QCOMPARE(request.callerUid, 7u);
        QCOMPARE(request.calleeUid, 9u);
        QCOMPARE(request.state, 1u);
        QCOMPARE(QByteArray(request.addressA), QByteArray("10.1.2.3"));
        QCOMPARE(int(request.videoPortA), videoPort);
        QCOMPARE(rig.sent[2].kind, 11u);
        QCOMPARE(int(rig.sent[2].record().videoPortA), audioPort);
    }

    // Until the answer names the peer, the calling side streams to the ports
    // above its own; the window holds them, so no other program hears it.
    void loopbackPortsAreHeldUntilTheAnswer() {
        Rig rig(
            {QStringLiteral("--device=1234"), QStringLiteral("--me=7"), QStringLiteral("--to=9")});
        rig.controller->Start(11, 22);
        const int video = LocalPort(rig.video.calls[2]) + 1;
        const int audio = rig.audio.calls[1].section(QLatin1Char(' '), 4, 4).toInt() + 1;
        QVERIFY(!KivUdpSocket::bindAny(video));
        QVERIFY(!KivUdpSocket::bindAny(audio));
        const int before = rig.video.calls.size();
        rig.deliver(1, KivMediaToMessage(Request(11)));
        QTRY_VERIFY(rig.video.calls.size() > before);
        QVERIFY(rig.video.calls.last().startsWith(QStringLiteral("SetRemoteAddress")));
        QVERIFY(KivUdpSocket::bindAny(video));
        QVERIFY(KivUdpSocket::bindAny(audio));
    }

    void calledSideWaitsForTheRecord() {
        Rig rig({QStringLiteral("--device=1234")});
        rig.controller->Start(11, 22);
        QCOMPARE(rig.sent.size(), 1);
        QVERIFY(rig.video.calls.isEmpty());
        QVERIFY(rig.audio.calls.isEmpty());

        rig.deliver(1, KivMediaToMessage(Request(2)));
        // The record is handled from the posted message, not inside the send.
        QVERIFY(rig.video.calls.isEmpty());
        QTRY_COMPARE(rig.video.calls.size(), 3);
        QCOMPARE(rig.video.calls[1], QStringLiteral("SetSessionInfo 7 9 2"));
        const int videoPort = LocalPort(rig.video.calls[2]);
        QCOMPARE(rig.video.calls[2],
                 QStringLiteral("StartCall 11 22 \"127.0.0.1\" 4000 \"\" %1").arg(videoPort));
        QCOMPARE(rig.audio.calls.size(), 3);
        QCOMPARE(rig.audio.calls[1], QStringLiteral("SetSessionInfo 7 9 2"));
        const int audioPort = rig.audio.calls[2].section(QLatin1Char(' '), 4, 4).toInt();
        QCOMPARE(rig.audio.calls[2],
                 QStringLiteral("StartCall \"127.0.0.1\" 4100 \"\" %1 0").arg(audioPort));

        // The answer carries both sides; the ports record the two audio ports.
        QCOMPARE(rig.sent.size(), 3);
        QCOMPARE(rig.sent[1].kind, 10u);
        const ptl_sys_send_per_media answer = rig.sent[1].record();
        QCOMPARE(answer.state, 2u);
        QCOMPARE(QByteArray(answer.addressA), QByteArray("127.0.0.1"));
        QCOMPARE(answer.videoPortA, 4000u);
        QCOMPARE(QByteArray(answer.addressB), QByteArray("10.1.2.3"));
        QCOMPARE(int(answer.videoPortB), videoPort);
        const ptl_sys_send_per_media ports = rig.sent[2].record();
        QCOMPARE(rig.sent[2].kind, 11u);
        QCOMPARE(int(ports.videoPortB), audioPort);
        QCOMPARE(ports.audioPortA, 4100u);
    }

    void state11RedirectsBothSessions() {
        Rig rig(
            {QStringLiteral("--device=1234"), QStringLiteral("--me=7"), QStringLiteral("--to=9")});
        rig.controller->Start(11, 22);
        rig.video.calls.clear();
        rig.audio.calls.clear();
        rig.deliver(1, KivMediaToMessage(Request(11)));
        QTRY_COMPARE(rig.video.calls.size(), 3);
        QCOMPARE(rig.video.calls[1], QStringLiteral("SetSessionInfo 7 9 11"));
        QCOMPARE(rig.video.calls[2], QStringLiteral("SetRemoteAddress \"127.0.0.2\" 5000"));
        QCOMPARE(rig.audio.calls.size(), 3);
        QCOMPARE(rig.audio.calls[1], QStringLiteral("SetSessionInfo 7 9 11"));
        QCOMPARE(rig.audio.calls[2], QStringLiteral("SetRemoteAddress \"127.0.0.2\" 5100"));
        QCOMPARE(rig.sent.size(), 3);
    }

    void command15EndsTheProgram() {
        Rig rig({QStringLiteral("--device=1234")});
        QSignalSpy finished(rig.controller.get(), &CallViewController::Finished);
        rig.controller->Start(11, 22);
        ptl_sys_send_per_media chat = Request(2);
        chat.head.command = 15;
        rig.deliver(1, KivMediaToMessage(chat));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished[0][0].toInt(), 0);
        QCoreApplication::processEvents();
        QVERIFY(rig.video.calls.isEmpty());
        QCOMPARE(rig.sent.size(), 1);
    }

    // A record is taken with a length from the header on, as far as the media
    // record goes, held whole by the message; the rest of a shorter record
    // reads as zero.
    void recordsAreCheckedBeforeUse_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<bool>("taken");
        QTest::newRow("whole") << 176 << 176 << true;
        QTest::newRow("longer message, record length read") << 176 << 300 << true;
        QTest::newRow("short record") << 100 << 100 << true;
        QTest::newRow("length above the record") << 177 << 400 << true;
        QTest::newRow("length far above, message of one record") << 500 << 176 << true;
        QTest::newRow("length below the header") << 19 << 176 << false;
        QTest::newRow("length beyond the message") << 176 << 120 << false;
        QTest::newRow("message without a header") << 176 << 12 << false;
    }
    void recordsAreCheckedBeforeUse() {
        QFETCH(int, length);
        QFETCH(int, bytes);
        QFETCH(bool, taken);
        ptl_sys_send_per_media media = Request(2);
        media.head.length = std::uint32_t(length);
        QByteArray data = KivMediaToMessage(media);
        data.resize(bytes);
        if (bytes > 176) {
            data.replace(176, bytes - 176, QByteArray(bytes - 176, 'z'));
        }
        ptl_sys_send_per_media read;
        QCOMPARE(KivMediaFromMessage(data, &read), taken);
        Rig rig({QStringLiteral("--device=1234")});
        QSignalSpy finished(rig.controller.get(), &CallViewController::Finished);
        rig.deliver(1, data);
        QCoreApplication::processEvents();
        QCOMPARE(finished.size(), bytes < 8 ? 1 : 0);
        QCOMPARE(rig.video.calls.isEmpty(), !taken);
        if (taken && length < 176) {
            QCOMPARE(read.audioPortA, 0u);
            QCOMPARE(read.videoPortB, 0u);
        }
    }

    void hangUpStopsAndTellsTheStarter() {
        Rig rig(
            {QStringLiteral("--device=1234"), QStringLiteral("--me=7"), QStringLiteral("--to=9")});
        QSignalSpy finished(rig.controller.get(), &CallViewController::Finished);
        rig.controller->Start(11, 22);
        rig.controller->HangUp();
        QCOMPARE(rig.video.calls.last(), QStringLiteral("StopCall 0"));
        QCOMPARE(rig.audio.calls.last(), QStringLiteral("StopCall 0"));
        QCOMPARE(rig.sent.last().kind, 2u);
        QCOMPARE(rig.sent.last().to, 1234u);
        QCOMPARE(finished.size(), 1);
        // Once ended, nothing more happens.
        rig.controller->HangUp();
        rig.deliver(1, KivMediaToMessage(Request(2)));
        QCoreApplication::processEvents();
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.sent.last().kind, 2u);
    }

    // The other side ended the call (kind 2 from the starter): no kind 2 back.
    void kind2FromTheStarterEndsTheCall() {
        Rig rig(
            {QStringLiteral("--device=1234"), QStringLiteral("--me=7"), QStringLiteral("--to=9")});
        QSignalSpy finished(rig.controller.get(), &CallViewController::Finished);
        rig.controller->Start(11, 22);
        const int sent = rig.sent.size();
        rig.deliver(2, QByteArray(1, '\0'));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.video.calls.last(), QStringLiteral("StopCall 0"));
        QCOMPARE(rig.sent.size(), sent);
    }

    // Only one record sets where the media goes: a forged second answer, or
    // a record of the other side's kind, moves nothing.
    void onlyOneAnswerMovesTheCall_data() {
        QTest::addColumn<bool>("calling");
        QTest::addColumn<int>("firstState");
        QTest::addColumn<int>("laterState");
        QTest::newRow("caller, second answer") << true << 11 << 11;
        QTest::newRow("caller, an accept record") << true << 11 << 2;
        QTest::newRow("callee, second accept") << false << 2 << 2;
        QTest::newRow("callee, a redirect") << false << 2 << 11;
    }
    void onlyOneAnswerMovesTheCall() {
        QFETCH(bool, calling);
        QFETCH(int, firstState);
        QFETCH(int, laterState);
        QStringList arguments{QStringLiteral("--device=1234")};
        if (calling) {
            arguments << QStringLiteral("--me=7") << QStringLiteral("--to=9");
        }
        Rig rig(arguments);
        rig.controller->Start(11, 22);
        rig.deliver(1, KivMediaToMessage(Request(std::uint32_t(firstState))));
        QTRY_VERIFY(rig.audio.calls.join(' ').contains(calling ? "SetRemoteAddress" : "StartCall"));
        const QStringList video = rig.video.calls;
        const QStringList audio = rig.audio.calls;
        const int sent = rig.sent.size();
        ptl_sys_send_per_media forged = Request(std::uint32_t(laterState));
        std::strcpy(forged.addressA, "192.0.2.66");
        std::strcpy(forged.addressB, "192.0.2.66");
        rig.deliver(1, KivMediaToMessage(forged));
        QTest::qWait(50);
        QCOMPARE(rig.video.calls, video);
        QCOMPARE(rig.audio.calls, audio);
        QCOMPARE(rig.sent.size(), sent);
    }

    // Another program of the user cannot end or steer the call, and without
    // the starter's process id nobody can.
    void onlyTheStarterProcessIsHeard_data() {
        QTest::addColumn<qint64>("fromPid");
        QTest::newRow("another process") << qint64(Rig::kStarterPid + 1);
        QTest::newRow("no process named") << qint64(0);
    }
    void onlyTheStarterProcessIsHeard() {
        QFETCH(qint64, fromPid);
        Rig rig({QStringLiteral("--device=1234")});
        QSignalSpy finished(rig.controller.get(), &CallViewController::Finished);
        rig.controller->Start(11, 22);
        rig.deliver(1, KivMediaToMessage(Request(2)), fromPid);
        rig.deliver(2, QByteArray(1, '\0'), fromPid);
        QTest::qWait(50);
        QVERIFY(rig.video.calls.isEmpty());
        QCOMPARE(finished.size(), 0);
    }

    // The caller's commitment and the callee's public half ride in the
    // records; once the caller's half is revealed both sides hold the same
    // keys and show the same code. A record without them is a plain call.
    void keysTravelInTheRecords_data() {
        QTest::addColumn<bool>("requestTail");
        QTest::addColumn<bool>("answerTail");
        QTest::addColumn<QString>("shown");
        QTest::newRow("both sides speak it") << true << true << QString();
        QTest::newRow("the server drops the request's")
            << false << true << QStringLiteral("未加密");
        QTest::newRow("the peer answers without") << true << false << QStringLiteral("未加密");
    }
    void keysTravelInTheRecords() {
        QFETCH(bool, requestTail);
        QFETCH(bool, answerTail);
        QFETCH(QString, shown);
        Rig caller(
            {QStringLiteral("--device=1234"), QStringLiteral("--me=7"), QStringLiteral("--to=9")});
        caller.controller->Start(11, 22);
        QCOMPARE(caller.keys.size(), 1);
        ptl_sys_send_per_media request = caller.sent[1].record();
        QCOMPARE(MediaKeyTail::Read(request.addressA).kind, MediaKeyTail::Kind::Commit);
        QCOMPARE(QByteArray(request.addressA), QByteArray("10.1.2.3"));
        if (!requestTail) {
            std::memset(request.addressA + MediaKeyTail::kOffset, 0, MediaKeyTail::kBytes);
        }
        request.state = 2;
        Rig callee({QStringLiteral("--device=1234")});
        callee.controller->Start(11, 22);
        callee.deliver(1, KivMediaToMessage(request));
        QTRY_COMPARE(callee.sent.size(), 3);
        QCOMPARE(callee.keys.size(), 1);
        ptl_sys_send_per_media answer = callee.sent[1].record();
        QCOMPARE(QByteArray(answer.addressB), QByteArray("10.1.2.3"));
        QCOMPARE(MediaKeyTail::Read(answer.addressB).kind,
                 requestTail ? MediaKeyTail::Kind::Public : MediaKeyTail::Kind::None);
        if (!answerTail) {
            std::memset(answer.addressB + MediaKeyTail::kOffset, 0, MediaKeyTail::kBytes);
        }
        answer.state = 11;
        caller.deliver(1, KivMediaToMessage(answer));
        QTRY_VERIFY(caller.controller->CallSecurity() != CallViewController::Security::Agreeing);
        if (!shown.isEmpty()) {
            QCOMPARE(caller.controller->SecurityText(), shown);
            // The caller's audio and video still go to the answer's address.
            QVERIFY(caller.audio.calls.last().startsWith(QStringLiteral("SetRemoteAddress")));
            return;
        }
        QCOMPARE(callee.controller->CallSecurity(), CallViewController::Security::Agreeing);
        QVERIFY(callee.keys[0]->TakeReveal(caller.keys[0]->OwnPublic().data()));
        QTRY_COMPARE(callee.controller->CallSecurity(), CallViewController::Security::Encrypted);
        QCOMPARE(caller.controller->CallSecurity(), CallViewController::Security::Encrypted);
        QCOMPARE(callee.controller->ShortCode(), caller.controller->ShortCode());
        QVERIFY(caller.controller->SecurityText().contains(caller.controller->ShortCode()));
        QCOMPARE(caller.controller->ShortCode().size(), 7);
    }

    // With "only encrypted calls" chosen, a plain call ends on either side
    // with a message, and the starter hears that it ended.
    void encryptedOnlyRefusesPlainCalls_data() {
        QTest::addColumn<bool>("calling");
        QTest::newRow("caller") << true;
        QTest::newRow("callee") << false;
    }
    void encryptedOnlyRefusesPlainCalls() {
        QFETCH(bool, calling);
        QStringList arguments{QStringLiteral("--device=1234")};
        if (calling) {
            arguments << QStringLiteral("--me=7") << QStringLiteral("--to=9");
        }
        Rig rig(arguments);
        rig.controller->SetEncryptedOnly(true);
        QSignalSpy refused(rig.controller.get(), &CallViewController::Refused);
        rig.controller->Start(11, 22);
        rig.deliver(1, KivMediaToMessage(Request(calling ? 11 : 2)));
        QTRY_COMPARE(refused.size(), 1);
        QVERIFY(!refused[0][0].toString().isEmpty());
        QCOMPARE(rig.sent.last().kind, 2u);
        QVERIFY(!rig.video.calls.join(' ').contains(QStringLiteral("127.0.0.2")));
        QVERIFY(!rig.audio.calls.join(' ').contains(QStringLiteral("4100")));
    }

    void endsWhenTheStarterIsGone() {
        Rig rig({QStringLiteral("--device=1234")});
        QSignalSpy finished(rig.controller.get(), &CallViewController::Finished);
        rig.controller->Start(11, 22);
        QTest::qWait(1200);
        QCOMPARE(finished.size(), 0);
        rig.starterAlive = false;
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    }
};

KIV_TEST_CLASS(tst_CallViewController)
#include "tst_CallViewController.moc"
