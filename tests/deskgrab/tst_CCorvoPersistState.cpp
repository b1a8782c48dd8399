#include <QtTest>
#include <memory>

#include "CCorvoCaptureSettings.h"
#include "CCorvoPersistState.h"
#include "KivTestRegistry.h"

namespace {

std::unique_ptr<CCorvoCaptureSettings> MakeSettings() {
    return std::make_unique<CCorvoCaptureSettings>([] { return CorvoScreenSize{1280, 800}; });
}

QVector<int> StateOf(CCorvoCaptureSettings& settings) {
    int left = 0, top = 0, right = 0, bottom = 0, width = 0, height = 0, fps = 0, enable = 0;
    settings.GetCaptureRect(&left, &top, &right, &bottom, &width, &height);
    settings.GetFrameRate(&fps);
    settings.GetCaptureEnable(&enable);
    return {left, top, right, bottom, width, height, fps, enable};
}

QByteArray Words(const QVector<int>& values) {
    QByteArray bytes;
    for (const int value : values) {
        const auto word = static_cast<quint32>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.append(static_cast<char>(word >> shift & 0xff));
        }
    }
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

}  // namespace

class TestPersistState : public QObject {
    Q_OBJECT

private slots:
    void roundTripRestoresTheParameters() {
        QTemporaryDir dir;
        const std::string path = dir.filePath(QStringLiteral("sub/deskgrab.state")).toStdString();
        auto saved = MakeSettings();
        saved->SetCaptureRect(100, 50, 740, 530, 320, 240);
        saved->SetFrameRate(15);
        saved->SetCaptureEnable(0);
        std::string error;
        QVERIFY2(CCorvoPersistState::Save(*saved, path, &error), error.c_str());

        auto loaded = MakeSettings();
        QVERIFY2(CCorvoPersistState::Load(*loaded, path, &error), error.c_str());
        QCOMPARE(StateOf(*loaded), StateOf(*saved));
        QCOMPARE(StateOf(*loaded), (QVector<int>{100, 50, 740, 530, 320, 240, 15, 0}));
    }

    void fileHoldsVersionThenEightIntegersInTheirOrder() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("deskgrab.state"));
        auto settings = MakeSettings();
        settings->SetCaptureRect(1, 2, 300, 400, 64, 48);
        settings->SetFrameRate(30);
        std::string error;
        QVERIFY(CCorvoPersistState::Save(*settings, path.toStdString(), &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        // left, right, top, bottom, width, height, fps, capture enabled.
        QCOMPARE(file.readAll(), Words({0, 1, 300, 2, 400, 64, 48, 30, 1}));
    }

    void loadingAppliesTheRectangleRules() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("deskgrab.state"));
        WriteFile(path, Words({0, 0, 0, 0, 0, 0, 0, 7, 1}));
        auto settings = MakeSettings();
        std::string error;
        QVERIFY(CCorvoPersistState::Load(*settings, path.toStdString(), &error));
        QCOMPARE(StateOf(*settings), (QVector<int>{0, 0, 1280, 800, 1280, 800, 25, 1}));
    }

    void damagedFilesAreRefusedAndChangeNothing_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut short") << Words({0, 5, 100, 5, 100, 64, 64, 10}).left(30);
        QTest::newRow("too long") << Words({0, 5, 100, 5, 100, 64, 64, 10, 0, 0});
        QTest::newRow("unknown version") << Words({3, 5, 100, 5, 100, 64, 64, 10, 0});
    }

    void damagedFilesAreRefusedAndChangeNothing() {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("deskgrab.state"));
        WriteFile(path, bytes);
        auto settings = MakeSettings();
        const QVector<int> before = StateOf(*settings);
        std::string error;
        QVERIFY(!CCorvoPersistState::Load(*settings, path.toStdString(), &error));
        QVERIFY(!error.empty());
        QCOMPARE(StateOf(*settings), before);
    }

    void aMissingFileIsAnError() {
        auto settings = MakeSettings();
        std::string error;
        QVERIFY(!CCorvoPersistState::Load(*settings, "/nonexistent/deskgrab.state", &error));
        QVERIFY(!error.empty());
    }

    void defaultPathIsInTheUserConfigFolder() {
        const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", "/tmp/kiv-config");
        const std::string path = CCorvoPersistState::DefaultPath();
        if (previous.isNull()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", previous);
        }
        QCOMPARE(QString::fromStdString(path),
                 QStringLiteral("/tmp/kiv-config/kivim/deskgrab.state"));
    }
};

KIV_TEST_CLASS(TestPersistState)
#include "tst_CCorvoPersistState.moc"
