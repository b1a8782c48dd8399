#include <QDirIterator>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QRegularExpression>
#include <QSettings>
#include <QWidget>
#include <QtTest>

#include "KivTestRegistry.h"

namespace {

QStringList* g_warnings = nullptr;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (g_warnings && type == QtWarningMsg)
        g_warnings->append(message);
}

QString readText(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

}  // namespace

// The style sheets, the font alias file and the configuration template.
class tst_KivDataSheets : public QObject {
    Q_OBJECT

private:
    const QDir m_root{QStringLiteral(KIV_DATA_ROOT)};
    const QDir m_source{QStringLiteral(KIV_DATA_SOURCE)};

    QStringList allSheets() const {
        QStringList sheets;
        QDirIterator it(m_root.filePath(QStringLiteral("Resources")), {QStringLiteral("*.qss")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            sheets << m_root.relativeFilePath(it.next());
        sheets.sort();
        return sheets;
    }

    // Applies `text` to a widget; the warnings Qt prints while parsing it.
    static QStringList parseWarnings(const QString& text) {
        QStringList warnings;
        g_warnings = &warnings;
        const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
        {
            QWidget widget;
            widget.setStyleSheet(text);
            widget.ensurePolished();
        }
        qInstallMessageHandler(previous);
        g_warnings = nullptr;
        return warnings;
    }

private slots:
    void namedSheet_data() {
        QTest::addColumn<QString>("path");
        for (const char* path : {"Resources/skin/kivimmaindlg/kivimmaindlg.qss",
                                 "Resources/skin/kivLoginDlg/kivLoginDlg.qss",
                                 "Resources/skin/kivMessageBox/kivMessagedlg.qss",
                                 "Resources/skin/kivchatmsgbox/kivchatmsgbox.qss",
                                 "Resources/skin/ImMediaCueDlg/ImMediaCueDlg.qss",
                                 "Resources/skin/kivIMChatDlg/IMChatDlg.qss",
                                 "Resources/skin/CKivIMfaceDlg/CKivIMfaceDlg.qss",
                                 "Resources/skin/CKivImChatRecordDlg/CKivImChatRecordDlg.qss",
                                 "Resources/skin/CKivIMAddFriendDlg/KivIMAddFriendDlg.qss",
                                 "Resources/skin/KivIMAddFriendTipDlg/KivIMAddFriendTipDlg.qss",
                                 "Resources/skin/kivCheckFriendDlg/kivCheckFriendDlg.qss",
                                 "Resources/skin/kivChoiceHeaddlg/kivChoiceHeaddlg.qss",
                                 "Resources/skin/kivPersonalInfoDlg/PersonalInfoDlg2.qss",
                                 "Resources/skin/CKivFriendSysSettingDlg/SysSettingDlg.qss",
                                 "Resources/skin/kivRegisterDlg/kivRegisterDlg.qss",
                                 "Resources/skin/kivRecoverPassWdDlg/kivrecoverpassworddlg.qss",
                                 "Resources/skin/kivimplaydlg/kivimplaydlg.qss"})
            QTest::newRow(path) << QString::fromLatin1(path);
    }
    // Each sheet the client opens is in the data tree, as its source reads now.
    void namedSheet() {
        QFETCH(QString, path);
        const QString built = readText(m_root.filePath(path));
        QVERIFY2(!built.isEmpty(), qPrintable(path));
        QCOMPARE(built, readText(m_source.filePath(path)));
    }

    void sheetParses_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        // The check itself must see a broken sheet.
        QTest::newRow("broken on purpose") << QStringLiteral("QWidget { color: red; } }") << false;
        for (const QString& sheet : allSheets())
            QTest::newRow(qPrintable(sheet)) << readText(m_root.filePath(sheet)) << true;
    }
    void sheetParses() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const QStringList warnings = parseWarnings(text);
        QCOMPARE(warnings.filter(QStringLiteral("parse")).isEmpty(), valid);
    }

    void sheetPictures_data() {
        QTest::addColumn<QString>("sheet");
        for (const QString& sheet : allSheets())
            QTest::newRow(qPrintable(sheet)) << sheet;
    }
    // Pictures are named relative to the data root (the client's working
    // directory); each exists, loads, and has its HiDPI twin.
    void sheetPictures() {
        QFETCH(QString, sheet);
        const QString text = readText(m_root.filePath(sheet));
        const QRegularExpression url(QStringLiteral("url\\(\\s*\"?([^\")]+)\"?\\s*\\)"));
        auto it = url.globalMatch(text);
        while (it.hasNext()) {
            const QString picture = it.next().captured(1).trimmed();
            QVERIFY2(picture.startsWith(QLatin1String("Resources/skin/")), qPrintable(picture));
            const QImage one(m_root.filePath(picture));
            QVERIFY2(!one.isNull(), qPrintable(picture));
            const QImage two(
                m_root.filePath(picture.left(picture.size() - 4) + QStringLiteral("@2x.png")));
            QVERIFY2(two.size() == one.size() * 2, qPrintable(picture));
        }
    }

    // With the alias file the skins' font name resolves to a CJK font.
    void fontAlias_data() {
        QTest::addColumn<QString>("family");
        QTest::newRow("Chinese name") << QStringLiteral("微软雅黑");
        QTest::newRow("English name") << QStringLiteral("Microsoft YaHei");
    }
    void fontAlias() {
        QFETCH(QString, family);
        QVERIFY(QFileInfo::exists(m_root.filePath(QStringLiteral("fonts.conf"))));
        if (qEnvironmentVariable("FONTCONFIG_FILE") !=
            m_root.filePath(QStringLiteral("fonts.conf")))
            QSKIP("FONTCONFIG_FILE does not name the data tree's fonts.conf");
        if (!QFontDatabase().families().contains(QStringLiteral("Noto Sans CJK SC")))
            QSKIP("Noto Sans CJK SC is not installed (package fonts-noto-cjk)");
        QCOMPARE(QFontInfo(QFont(family)).family(), QStringLiteral("Noto Sans CJK SC"));
    }

    // The template carries every key the client reads, with usable values.
    void configTemplate() {
        QVERIFY(QFileInfo::exists(m_root.filePath(QStringLiteral("Config/config.ini"))));
        QSettings ini(m_source.filePath(QStringLiteral("Config/config.ini")), QSettings::IniFormat);
        QCOMPARE(ini.status(), QSettings::NoError);
        const QRegularExpression ipv4(
            QStringLiteral("^((25[0-5]|2[0-4]\\d|1?\\d?\\d)\\.){3}(25[0-5]|2[0-4]\\d|1?\\d?\\d)$"));
        for (const char* key : {"base/ipaddr", "base/fileHostaddr"})
            QVERIFY2(ipv4.match(ini.value(QLatin1String(key)).toString()).hasMatch(), key);
        for (const char* key : {"base/port", "base/filehostport"}) {
            bool ok = false;
            const int port = ini.value(QLatin1String(key)).toInt(&ok);
            QVERIFY2(ok && port > 0 && port < 65536, key);
        }
        bool ok = false;
        QVERIFY(ini.value(QStringLiteral("base/version")).toInt(&ok) > 0 && ok);
        QCOMPARE(ini.value(QStringLiteral("base/needUpdate")).toInt(), 0);
        QCOMPARE(ini.value(QStringLiteral("base/UpdateMode")).toInt(), 0);
        // The template names no web site: the client's own account dialogs serve.
        for (const char* key : {"web/site", "web/download"}) {
            QVERIFY2(ini.contains(QLatin1String(key)), key);
            QVERIFY2(ini.value(QLatin1String(key)).toString().isEmpty(), key);
        }
        QVERIFY(ini.contains(QStringLiteral("web/playHost")));
        QVERIFY(ini.value(QStringLiteral("web/cryptKey")).toString().toULongLong(&ok) != 0 && ok);
    }
};

KIV_TEST_CLASS(tst_KivDataSheets)
#include "tst_KivDataSheets.moc"
