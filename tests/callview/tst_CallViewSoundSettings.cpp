#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <string>

#include "CallViewSoundSettings.h"
#include "ISoundLinkSetup.h"
#include "KivTestRegistry.h"

namespace {

class RecordingSetup : public ISoundLinkSetup {
public:
    void SetEchoCancellation(bool on) override { echo = on; }
    void SetMicrophone(std::string name) override { microphone = name; }
    void SetSpeaker(std::string name) override { speaker = name; }
    void SetCallKeys(std::shared_ptr<CMediaCallKeys>) override {}
    void SetEncoder(SoundLinkEncoder chosen) override { encoder = chosen; }
    void SetNoiseSuppression(bool on) override { noiseSuppression = on; }

    bool echo = false;
    std::string microphone = "unset";
    std::string speaker = "unset";
    SoundLinkEncoder encoder = SoundLinkEncoder::LowDelay;
    bool noiseSuppression = false;
};

}  // namespace

// The call window takes the account's sound choices from the file the
// client names, and plain defaults when it names none.
class tst_CallViewSoundSettings : public QObject {
    Q_OBJECT
private slots:
    void choicesReachTheSession_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QString>("microphone");
        QTest::addColumn<QString>("speaker");
        QTest::addColumn<bool>("encryptedOnly");
        QTest::addColumn<bool>("libavcodec");
        QTest::newRow("no file") << QString() << true << QString() << QString() << false << false;
        QTest::newRow("nothing chosen") << QStringLiteral("[Voice]\nFriend=ture\nEncoder=faac\n")
                                        << true << QString() << QString() << false << false;
        QTest::newRow("all chosen")
            << QStringLiteral(
                   "[Voice]\nEchoCancel=0\nMicrophone=usb_mic\nSpeaker=hdmi_out\nEncryptedOnly=1\n"
                   "Encoder=libavcodec\nNoiseSuppression=0\n")
            << false << QStringLiteral("usb_mic") << QStringLiteral("hdmi_out") << true << true;
    }

    void choicesReachTheSession() {
        QFETCH(QString, file);
        QFETCH(bool, echo);
        QFETCH(QString, microphone);
        QFETCH(QString, speaker);
        QFETCH(bool, encryptedOnly);
        QFETCH(bool, libavcodec);
        QTemporaryDir dir;
        QString path;
        if (!file.isNull()) {
            path = dir.filePath(QStringLiteral("setconfig.ini"));
            QFile ini(path);
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write(file.toUtf8());
        }
        qputenv(CallViewSoundSettings::kEnvironment, path.toUtf8());
        RecordingSetup setup;
        const CallViewSoundSettings settings = CallViewSoundSettings::FromEnvironment();
        settings.ApplyTo(&setup);
        QCOMPARE(settings.encryptedOnly, encryptedOnly);
        qunsetenv(CallViewSoundSettings::kEnvironment);
        QCOMPARE(setup.echo, echo);
        QCOMPARE(QString::fromStdString(setup.microphone), microphone);
        QCOMPARE(QString::fromStdString(setup.speaker), speaker);
        QCOMPARE(setup.encoder == SoundLinkEncoder::Libavcodec, libavcodec);
        // Chosen together with the encoder in the table's rows.
        QCOMPARE(setup.noiseSuppression, !libavcodec);
    }
};

KIV_TEST_CLASS(tst_CallViewSoundSettings)
#include "tst_CallViewSoundSettings.moc"
