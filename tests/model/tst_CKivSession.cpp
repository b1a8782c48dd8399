#include <QtTest>
#include <cstring>
#include <vector>

#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivScriptedServer.h"
#include "KivTestRegistry.h"

namespace {

constexpr quint32 kOwn = 601;

// A record written field by field at the offsets the server reads, apart
// from the structs the client builds it with.
class Bytes {
public:
    Bytes(quint32 command, int length) : m_bytes(size_t(length), '\0') {
        u32(0, quint32(length)).u32(4, command).u32(8, 0x1D1E1F1Cu).u32(12, quint32(length));
    }
    Bytes& u32(int offset, quint32 value) {
        for (int i = 0; i < 4; ++i)
            m_bytes.at(size_t(offset + i)) = char((value >> (8 * i)) & 0xFF);
        return *this;
    }
    Bytes& u16(int offset, quint16 value) {
        m_bytes.at(size_t(offset)) = char(value & 0xFF);
        m_bytes.at(size_t(offset + 1)) = char(value >> 8);
        return *this;
    }
    Bytes& text(int offset, const QByteArray& text) {
        for (int i = 0; i < text.size(); ++i)
            m_bytes.at(size_t(offset + i)) = text.at(i);
        return *this;
    }
    operator QByteArray() const { return QByteArray(m_bytes.data(), int(m_bytes.size())); }

private:
    std::vector<char> m_bytes;
};

ptl_sys_send_per_media Call(quint32 command, quint32 length2) {
    ptl_sys_send_per_media media{};
    media.head.length = sizeof(media);
    media.head.command = command;
    media.head.magic = 0x1D1E1F1Cu;
    media.head.length2 = length2;
    media.callerUid = 602;
    media.calleeUid = kOwn;
    media.state = 1;
    std::strcpy(media.addressA, "10.0.0.2");
    media.videoPortA = 5000;
    media.audioPortA = 5002;
    return media;
}

// The call record as the server reads it: users, state, address A and ports.
Bytes CallBytes(quint32 command, quint32 length2, quint32 state) {
    Bytes bytes(command, 176);
    return bytes.u32(12, length2)
        .u32(20, 602)
        .u32(24, kOwn)
        .u32(28, state)
        .text(32, "10.0.0.2")
        .u32(96, 5000)
        .u32(168, 5002);
}

}  // namespace

Q_DECLARE_METATYPE(std::function<bool(CKivSession&)>)

// Every verb of the session puts the record the server reads, byte for byte,
// and nothing while there is no connection.
class tst_CKivSession : public QObject {
    Q_OBJECT
    using Verb = std::function<bool(CKivSession&)>;

private slots:
    void verbs_data() {
        QTest::addColumn<Verb>("verb");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("signature") << Verb([](CKivSession& s) { return s.SendSign("新签名"); })
                                   << QByteArray(Bytes(36, 540).u32(20, kOwn).text(24, "新签名"));
        QTest::newRow("VIP list") << Verb([](CKivSession& s) { return s.AskVipList(); })
                                  << QByteArray(Bytes(14, 8216).u32(20, 3).text(24, "601"));
        QTest::newRow("logout") << Verb([](CKivSession& s) { return s.SendLogout(); })
                                << QByteArray(Bytes(28, 28).u32(20, kOwn).u16(24, 5));
        QTest::newRow("search") << Verb([](CKivSession& s) {
            return s.SearchUser(" 100  05 ");
        }) << QByteArray(Bytes(18, 164).u32(20, kOwn).text(24, "100 05").u32(152, 1));
        QTest::newRow("ask a friend")
            << Verb([](CKivSession& s) { return s.AskFriend(10005, "你好"); })
            << QByteArray(Bytes(19, 80).u32(20, kOwn).u32(24, 10005).text(28, "你好"));
        QTest::newRow("accept a request")
            << Verb([](CKivSession& s) { return s.AnswerFriend(10005, KivFriendAccepted); })
            << QByteArray(Bytes(20, 32).u32(20, 10005).u32(24, kOwn).u32(28, 1));
        QTest::newRow("a friend already")
            << Verb([](CKivSession& s) { return s.AnswerFriend(10005, KivFriendAlready); })
            << QByteArray(Bytes(20, 32).u32(20, 10005).u32(24, kOwn).u32(28, 3));
        QTest::newRow("delete a friend")
            << Verb([](CKivSession& s) { return s.AskDeleteFriend(10002); })
            << QByteArray(Bytes(22, 28).u32(20, kOwn).u32(24, 10002));
        QTest::newRow("head upload")
            << Verb([](CKivSession& s) { return s.AskUpload(KivUploadHead); })
            << QByteArray(Bytes(30, 28).u32(20, kOwn).u32(24, 1));
        QTest::newRow("attachment upload")
            << Verb([](CKivSession& s) { return s.AskUpload(KivUploadAttachment); })
            << QByteArray(Bytes(30, 28).u32(20, kOwn).u32(24, 2));
        QTest::newRow("check number") << Verb([](CKivSession& s) {
            return s.RequestCheckNumber("13800000001", KivCheckForNewPassword);
        }) << QByteArray(Bytes(34, 36).u32(20, 2).text(24, "13800000001"));
        QTest::newRow("register") << Verb([](CKivSession& s) {
            return s.Register(77, "13800000001", "pw", "1234");
        })
                                  << QByteArray(Bytes(21, 276)
                                                    .u32(20, 77)
                                                    .text(24, "13800000001")
                                                    .text(88, "PC")
                                                    .u32(216, 1)
                                                    .text(220, "pw")
                                                    .text(252, "13800000001")
                                                    .text(264, "1234")
                                                    .u32(272, 1));
        QTest::newRow("new password")
            << Verb([](CKivSession& s) { return s.SetNewPassword(77, "secret"); })
            << QByteArray(Bytes(23, 88).u32(20, 77).text(24, "secret"));
        // A hang-up gets a fresh header whatever the record brought.
        QTest::newRow("hang up") << Verb([](CKivSession& s) {
            return s.SendCall(Call(99, 7), KivMediaClosedByCallee);
        }) << QByteArray(CallBytes(16, 176, 5));
        // A refusal answers the request as it came, its state changed.
        QTest::newRow("refusal") << Verb([](CKivSession& s) {
            return s.AnswerCall(Call(16, 7), KivMediaDeclined);
        }) << QByteArray(CallBytes(16, 7, 3));
        QTest::newRow("acceptance") << Verb([](CKivSession& s) {
            ptl_sys_send_per_media answer = Call(99, 7);
            answer.state = KivMediaAccepted;
            return s.AcceptCall(answer);
        }) << QByteArray(CallBytes(16, 7, 2));
    }
    void verbs() {
        QFETCH(Verb, verb);
        QFETCH(QByteArray, expected);
        KivNetModelHome home;
        QVERIFY(home.isValid());
        CKivSession session(home.net(), *CKivFriendHearbeatModel::GetInstance());
        // Not connected: nothing goes out, and the verb says so.
        QVERIFY(!verb(session));
        QVERIFY(home.server().connectClient(home.net()));
        ::LoginResult login;
        KivInitRecord(login, Login);
        login.uid = kOwn;
        KivWriteText(login.account, "601");
        QVERIFY(home.server().logIn(home.net(), bytesOf(login)));
        home.server().received.clear();
        QVERIFY(verb(session));
        QTRY_COMPARE(home.server().received.size(), 1);
        QCOMPARE(home.server().received.first().toHex(), expected.toHex());
    }
};

KIV_TEST_CLASS(tst_CKivSession)
#include "tst_CKivSession.moc"
