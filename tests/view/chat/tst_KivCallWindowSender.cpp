#include <QFile>
#include <QWidget>
#include <QtTest>

#include <signal.h>

#include <memory>

#include "KivMediaRecord.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivViewTestTree.h"
#include "KivWindowMessage.h"
#include "chat/KivChatCallLink.h"
#include "shell/ImMeaidCueDlg.h"

namespace {

// Both windows that start a call window program, behind one face: the chat
// dialog's call link (the calling side) and the call cue (the called side).
class CallStarter {
public:
    virtual ~CallStarter() = default;
    virtual bool start() = 0;
    virtual quint64 messageWindow() const = 0;
    virtual quint64 callWindow() const = 0;
    virtual qint64 callProcess() const = 0;
    // The call ended for the starter.
    int ended = 0;
    // Records the starter took from the call window (chat: a request it
    // tried to send; cue: an acceptance or answer handed to the main window).
    int taken = 0;
};

class ChatStarter : public CallStarter {
public:
    ChatStarter() : m_link(new KivChatCallLink(&m_dialog, *m_session)) {
        m_link->SetUsers(10001, 10002);
        QObject::connect(m_link, &KivChatCallLink::CallEnded, [this] { ++ended; });
        // There is no server: a request taken is one that could not be sent.
        QObject::connect(m_link, &KivChatCallLink::RequestNotSent, [this] { ++taken; });
    }
    bool start() override { return m_link->Open(); }
    quint64 messageWindow() const override { return m_link->MessageWindowId(); }
    quint64 callWindow() const override { return m_link->CallWindow(); }
    qint64 callProcess() const override { return m_link->CallProcess(); }

private:
    const std::unique_ptr<CKivSession> m_session = KivNewTestSession();
    QWidget m_dialog;
    KivChatCallLink* m_link;
};

class CueStarter : public CallStarter {
public:
    CueStarter() : m_cue(Request(), nullptr) {
        QObject::connect(&m_cue, &ImMeaidCueDlg::SndCallHungUp, [this] { ++ended; });
        QObject::connect(&m_cue, &ImMeaidCueDlg::SndCueaccept, [this] { ++taken; });
    }
    bool start() override {
        m_cue.CueAccept();
        return m_cue.CallProcess() != 0;
    }
    quint64 messageWindow() const override { return m_cue.MessageWindowId(); }
    quint64 callWindow() const override { return m_cue.CallWindow(); }
    qint64 callProcess() const override { return m_cue.CallProcess(); }

private:
    static ptl_sys_send_per_media Request() {
        ptl_sys_send_per_media media;
        KivInitRecord(media, Media);
        media.callerUid = 10002;
        media.calleeUid = 10001;
        media.state = 1;
        return media;
    }
    ImMeaidCueDlg m_cue;
};

ptl_sys_send_per_media Answer() {
    ptl_sys_send_per_media media;
    KivInitRecord(media, Media);
    media.callerUid = 10001;
    media.calleeUid = 10002;
    media.state = 2;
    std::strcpy(media.addressA, "127.0.0.1");
    media.videoPortA = 4000;
    media.audioPortA = 4100;
    media.videoPortB = 5000;
    return media;
}

}  // namespace

// X hands a closed window's id to the next window, so a call window is the
// program its starter started, not any window that has its id: a late word
// from another process under the same id changes nothing, and a call window
// that died is noticed even when a new window took its id at once. The call
// window program here is KivFakeCallWindow, started as media/CallView.
class tst_KivCallWindowSender : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<CallStarter> m_starter;
    quint64 m_window = 0;
    qint64 m_pid = 0;

    static void starters() {
        QTest::addColumn<QString>("starter");
        QTest::newRow("chat dialog") << "chat";
        QTest::newRow("call cue") << "cue";
    }

    // Starts the call window program under a window id no window of this
    // process has, and waits for its kind 1.
    bool startCall() {
        QFETCH(QString, starter);
        static quint64 next = 0;
        m_window = (quint64(1) << 40) + (++next);
        m_tree->writeFile(QStringLiteral("media/CallView"),
                          QByteArray("#!/bin/sh\nexec '" KIV_FAKE_CALL_WINDOW "' --window=") +
                              QByteArray::number(m_window) + " \"$@\"\n");
        QFile::setPermissions(m_tree->path() + QStringLiteral("/media/CallView"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (starter == QLatin1String("chat"))
            m_starter = std::make_unique<ChatStarter>();
        else
            m_starter = std::make_unique<CueStarter>();
        if (!m_starter->start())
            return false;
        m_pid = m_starter->callProcess();
        if (QTest::qWaitFor([&] { return m_starter->callWindow() == m_window; }, 15000))
            return true;
        qWarning("no kind 1: program %lld, window %llu, ended %d", m_starter->callProcess(),
                 m_starter->callWindow(), m_starter->ended);
        return false;
    }
    // Has the call window program send `kind` to its starter.
    bool fromCallWindow(quint32 kind, const QByteArray& data) {
        return KivSendMessage(m_window, 1000 + kind, 0, data, 5000);
    }

private slots:
    void init() { m_tree = std::make_unique<KivViewTestTree>(); }
    void cleanup() {
        m_starter.reset();
        // A call window program still running is this test's.
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(m_pid));
        if (m_pid > 0 && command.open(QIODevice::ReadOnly) &&
            command.readAll().contains("KivFakeCallWindow"))
            kill(pid_t(m_pid), SIGKILL);
        m_pid = 0;
        m_tree.reset();
    }

    // Another process says kinds 1, 2, 10 and 11 under the call window's id:
    // none of it is taken; the call window's own hang-up still ends the call.
    void aWordFromAnotherProcessIsIgnored_data() { starters(); }
    void aWordFromAnotherProcessIsIgnored() {
        QVERIFY(startCall());
        const int taken = m_starter->taken;
        const QByteArray answer = KivMediaToMessage(Answer());
        const QByteArray one(1, '\0');
        // This test is the other process: an old call window with the same id,
        // or anyone who names it.
        QVERIFY(KivSendMessage(m_starter->messageWindow(), 1, m_window + 1, one));
        QVERIFY(KivSendMessage(m_starter->messageWindow(), 10, m_window, answer));
        QVERIFY(KivSendMessage(m_starter->messageWindow(), 11, m_window, answer));
        QVERIFY(KivSendMessage(m_starter->messageWindow(), 2, m_window, one));
        QTest::qWait(300);
        QCOMPARE(m_starter->callWindow(), m_window);
        QCOMPARE(m_starter->taken, taken);
        QCOMPARE(m_starter->ended, 0);

        // The same words from the call window program are taken.
        QVERIFY(fromCallWindow(10, answer));
        QVERIFY(fromCallWindow(11, answer));
        QTRY_COMPARE(m_starter->taken, taken + 1);
        if (m_starter->ended == 0) {
            // (The chat dialog ended the call itself: no server took the request.)
            QVERIFY(fromCallWindow(2, one));
        }
        QTRY_COMPARE(m_starter->ended, 1);
    }

    // The call window program dies and a new window takes its id within the
    // watch's second: the call ends all the same, once.
    void aDeadCallWindowReplacedAtOnceIsNoticed_data() { starters(); }
    void aDeadCallWindowReplacedAtOnceIsNoticed() {
        QVERIFY(startCall());
        QVERIFY(kill(pid_t(m_starter->callProcess()), SIGKILL) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(!KivWindowExists(m_window), 5000);
        KivMessageWindow replacement(m_window, [](const KivWindowMessage&) {});
        QVERIFY(replacement.isListening());
        QTRY_COMPARE_WITH_TIMEOUT(m_starter->ended, 1, 3000);
        QCOMPARE(m_starter->callProcess(), qint64(0));
        QTest::qWait(1200);
        QCOMPARE(m_starter->ended, 1);
    }
};

KIV_TEST_CLASS(tst_KivCallWindowSender)
#include "tst_KivCallWindowSender.moc"
