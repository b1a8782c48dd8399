#include <QtTest>
#include <memory>

#include "CKivFriendHearbeatModel.h"
#include "CKivFriendNetModel.h"
#include "CKivSession.h"
#include "KivScriptedServer.h"
#include "KivTestRegistry.h"
#include "KivThreadSpy.h"
#include "KivUploadSessions.h"

namespace {

constexpr quint32 kOwn = 601;

QByteArray Answer(const QByteArray& text) {
    auto reply = std::make_unique<UploadFileReply>();
    KivInitRecord(*reply, UploadFile);
    KivWriteText(reply->text, text);
    return bytesOf(*reply);
}

}  // namespace

// The untagged answers to upload requests reach the request they belong to,
// in order, whoever else listens and whatever the server says.
class tst_KivUploadSessions : public QObject {
    Q_OBJECT
    std::unique_ptr<KivNetModelHome> m_home;
    std::unique_ptr<CKivSession> m_session;

    bool logIn() {
        if (!m_home->server().connectClient(m_home->net()))
            return false;
        ::LoginResult login;
        KivInitRecord(login, Login);
        login.uid = kOwn;
        KivWriteText(login.account, "601");
        return m_home->server().logIn(m_home->net(), bytesOf(login));
    }

private slots:
    void init() {
        m_home = std::make_unique<KivNetModelHome>();
        QVERIFY(m_home->isValid());
        m_session =
            std::make_unique<CKivSession>(m_home->net(), *CKivFriendHearbeatModel::GetInstance());
        QVERIFY(logIn());
        m_home->server().received.clear();
    }
    void cleanup() {
        m_session.reset();
        m_home.reset();
    }

    void answersGoInOrder() {
        KivUploadSessions& uploads = m_session->Uploads();
        QList<quint32> head, first, second;
        auto goneContext = std::make_unique<QObject>();
        QVERIFY(uploads.Ask(KivUploadHead, this, [&](quint32 s) { head << s; }));
        QVERIFY(
            uploads.Ask(KivUploadAttachment, goneContext.get(), [&](quint32 s) { first << s; }));
        QVERIFY(uploads.Ask(KivUploadAttachment, this, [&](quint32 s) { second << s; }));
        QCOMPARE(uploads.Waiting(), 3);
        QTRY_COMPARE(m_home->server().received.size(), 3);
        QCOMPARE(m_home->server().commands(), (QList<quint32>{30, 30, 30}));
        // A window that went away still takes its answer out of the line.
        goneContext.reset();
        // The server's words: a refusal, anything that is no number, a number.
        m_home->server().send(Answer("41") + Answer("x7") + Answer("0043"));
        QTRY_COMPARE(uploads.Waiting(), 0);
        QCOMPARE(head, QList<quint32>{41});
        QCOMPARE(first, QList<quint32>{});
        QCOMPARE(second, QList<quint32>{43});
        // An answer nobody waits for goes nowhere: it is not kept for the
        // next request.
        // Queued after the owner's own delivery of the same answer.
        KivThreadSpy heard(&m_home->net(), &CKivFriendNetModel::UpLoadFile);
        m_home->server().send(Answer("44"));
        QTRY_COMPARE(heard.size(), 1);
        QVERIFY(uploads.Ask(KivUploadAttachment, this, [&](quint32 s) { second << s; }));
        QTRY_COMPARE(m_home->server().received.size(), 4);
        m_home->server().send(Answer("45"));
        QTRY_COMPARE(second, (QList<quint32>{43, 45}));
        QCOMPARE(head, QList<quint32>{41});
    }

    void refusalsAndGarbageAreNoSession() {
        QList<quint32> got;
        for (int i = 0; i < 3; ++i)
            QVERIFY(
                m_session->Uploads().Ask(KivUploadAttachment, this, [&](quint32 s) { got << s; }));
        m_home->server().send(Answer("0") + Answer("-5") + Answer("99999999999"));
        QTRY_COMPARE(got, (QList<quint32>{0, 0, 0}));
    }

    // A lost connection never answers: the requests fail at once instead of
    // taking the answers of the next connection's requests.
    void lostConnectionFailsWhatWaits() {
        QList<quint32> got;
        QVERIFY(m_session->Uploads().Ask(KivUploadHead, this, [&](quint32 s) { got << s; }));
        QTRY_COMPARE(m_home->server().received.size(), 1);
        m_home->server().peer->abort();
        QTRY_COMPARE(got, QList<quint32>{0});
        QCOMPARE(m_session->Uploads().Waiting(), 0);
        QVERIFY(logIn());
        QVERIFY(m_session->Uploads().Ask(KivUploadAttachment, this, [&](quint32 s) { got << s; }));
        QTRY_VERIFY(!m_home->server().received.isEmpty());
        m_home->server().send(Answer("77"));
        QTRY_COMPARE(got, (QList<quint32>{0, 77}));
    }

    void nothingWaitsWithoutAConnection() {
        m_home->net().Delete_Socket();
        bool called = false;
        QVERIFY(!m_session->Uploads().Ask(KivUploadHead, this, [&](quint32) { called = true; }));
        QCOMPARE(m_session->Uploads().Waiting(), 0);
        QVERIFY(!called);
    }
};

KIV_TEST_CLASS(tst_KivUploadSessions)
#include "tst_KivUploadSessions.moc"
