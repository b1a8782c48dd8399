#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include "KivLanguage.h"
#include "KivTestRegistry.h"

Q_DECLARE_METATYPE(KivLanguage::Language)
Q_DECLARE_METATYPE(KivLanguage::Choice)

namespace {

using Env = QMap<QString, QString>;

KivLanguage::Environment From(const Env& env) {
    return [env](const char* name) { return env.value(QLatin1String(name)); };
}

}  // namespace

// Which language the interface speaks, and where the choice is kept.
class tst_KivLanguage : public QObject {
    Q_OBJECT
private slots:
    void desktopLanguage_data() {
        QTest::addColumn<Env>("env");
        QTest::addColumn<KivLanguage::Language>("expected");
        const auto en = KivLanguage::Language::English;
        const auto zh = KivLanguage::Language::Chinese;
        QTest::newRow("nothing set") << Env{} << zh;
        QTest::newRow("C") << Env{{"LANG", "C"}} << zh;
        QTest::newRow("C.UTF-8") << Env{{"LANG", "C.UTF-8"}} << zh;
        QTest::newRow("POSIX") << Env{{"LC_ALL", "POSIX"}, {"LANG", "en_US.UTF-8"}} << zh;
        QTest::newRow("LANG en_US") << Env{{"LANG", "en_US.UTF-8"}} << en;
        QTest::newRow("LANG en_GB@euro") << Env{{"LANG", "en_GB@euro"}} << en;
        QTest::newRow("LANG en") << Env{{"LANG", "en"}} << en;
        QTest::newRow("LANG zh_CN") << Env{{"LANG", "zh_CN.UTF-8"}} << zh;
        QTest::newRow("LANG de_DE") << Env{{"LANG", "de_DE.UTF-8"}} << zh;
        QTest::newRow("not en: eo") << Env{{"LANG", "eo"}} << zh;
        QTest::newRow("LC_MESSAGES over LANG")
            << Env{{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "zh_CN.UTF-8"}} << en;
        QTest::newRow("LC_ALL over LC_MESSAGES")
            << Env{{"LC_ALL", "zh_TW.UTF-8"}, {"LC_MESSAGES", "en_US.UTF-8"}} << zh;
        QTest::newRow("LANGUAGE first")
            << Env{{"LANGUAGE", "en_US:zh_CN"}, {"LANG", "zh_CN.UTF-8"}} << en;
        QTest::newRow("LANGUAGE skips others")
            << Env{{"LANGUAGE", "fr:de:en"}, {"LANG", "fr_FR.UTF-8"}} << en;
        QTest::newRow("LANGUAGE zh before en")
            << Env{{"LANGUAGE", "zh_CN:en"}, {"LANG", "en_US.UTF-8"}} << zh;
        QTest::newRow("LANGUAGE none of ours")
            << Env{{"LANGUAGE", "fr"}, {"LANG", "en_US.UTF-8"}} << en;
        // A user who names English in LANGUAGE gets it, whatever the locale.
        QTest::newRow("LANGUAGE over C") << Env{{"LANGUAGE", "en"}, {"LANG", "C.UTF-8"}} << en;
        QTest::newRow("LANGUAGE alone") << Env{{"LANGUAGE", "en_GB"}} << en;
    }
    void desktopLanguage() {
        QFETCH(Env, env);
        QFETCH(KivLanguage::Language, expected);
        QCOMPARE(KivLanguage::FromEnvironment(From(env)), expected);
    }

    // The choice takes one line of the deployment's file; its comments and
    // values stay, and an unknown value counts as following the system.
    void choiceKeptInConfiguration() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        const QByteArray original = "; deployment notes\n[base]\nipaddr=10.0.0.1\nport=6800\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(original);
        file.close();
        QCOMPARE(KivLanguage::ReadChoice(path), KivLanguage::Choice::System);
        QVERIFY(KivLanguage::WriteChoice(path, KivLanguage::Choice::English));
        QCOMPARE(KivLanguage::ReadChoice(path), KivLanguage::Choice::English);
        QVERIFY(KivLanguage::WriteChoice(path, KivLanguage::Choice::Chinese));
        QCOMPARE(KivLanguage::ReadChoice(path), KivLanguage::Choice::Chinese);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        file.close();
        QVERIFY2(written.startsWith(original), written.constData());
        QCOMPARE(written.count("language="), 1);
        QVERIFY(KivLanguage::WriteChoice(path, KivLanguage::Choice::System));
        QCOMPARE(KivLanguage::ReadChoice(path), KivLanguage::Choice::System);
        QCOMPARE(KivLanguage::ReadChoice(dir.filePath(QStringLiteral("missing.ini"))),
                 KivLanguage::Choice::System);
    }

    // English without its file falls back to Chinese and says so; the locale
    // of dates follows what was installed.
    void missingEnglishFileFallsBack() {
        QTemporaryDir empty;
        QVERIFY(!KivLanguage::Install(qApp, KivLanguage::Language::English, empty.path()));
        QCOMPARE(KivLanguage::Current(), KivLanguage::Language::Chinese);
        QCOMPARE(qgetenv("KIV_LANGUAGE"), QByteArray("zh"));
        QLocale::setDefault(QLocale::c());
    }
};

KIV_TEST_CLASS(tst_KivLanguage)
#include "tst_KivLanguage.moc"
