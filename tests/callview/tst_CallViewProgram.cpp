#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>

#include "KivMediaRecord.h"
#include "KivTestRegistry.h"
#include "KivWindowMessage.h"

// The call window program itself, started as the calling side: whatever ends
// the call while it still announces itself and its ports ends the program.
class tst_CallViewProgram : public QObject {
    Q_OBJECT
private slots:
    void endsWhileStarting_data() {
        QTest::addColumn<quint32>("during");
        QTest::addColumn<bool>("hangUp");
        for (const quint32 kind : {1u, 10u, 11u}) {
            QTest::addRow("hang-up during kind %u", kind) << kind << true;
            QTest::addRow("other record during kind %u", kind) << kind << false;
        }
    }
    void endsWhileStarting() {
        QFETCH(quint32, during);
        QFETCH(bool, hangUp);
        ptl_sys_send_per_media notMedia;
        KivInitRecord(notMedia, Media);
        notMedia.head.command = ChatMessage;
        const quint32 kind = hangUp ? 2 : 1;
        const QByteArray data = hangUp ? QByteArray(1, '\0') : KivMediaToMessage(notMedia);

        bool injected = false;
        QElapsedTimer sinceEnd;
        std::unique_ptr<KivMessageWindow> starter;
        starter = std::make_unique<KivMessageWindow>(
            KivWindowIdFor(0), [&](const KivWindowMessage& message) {
                // Sent while the program waits for this very message to be handled.
                if (message.kind != during || injected)
                    return;
                injected = KivSendMessage(message.wParam, kind, starter->id(), data, 2000);
                sinceEnd.start();
            });
        QVERIFY(starter->isListening());

        // The video session draws into real windows.
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X display");
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(QStringLiteral(KIV_CALLVIEW_BINARY),
                      {QStringLiteral("--device=%1").arg(starter->id()), QStringLiteral("--me=7"),
                       QStringLiteral("--to=9"),
                       QStringLiteral("--starter-pid=%1").arg(QCoreApplication::applicationPid())});
        QVERIFY(program.waitForStarted());
        const bool ended = QTest::qWaitFor(
            [&] { return injected && program.state() == QProcess::NotRunning; }, 30000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY(injected);
        QVERIFY2(ended, "the call window went on running");
        QVERIFY2(sinceEnd.elapsed() < 3000, qPrintable(QString::number(sinceEnd.elapsed())));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    }
};

KIV_TEST_CLASS(tst_CallViewProgram)
#include "tst_CallViewProgram.moc"
