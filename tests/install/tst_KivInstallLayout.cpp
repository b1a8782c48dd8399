#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "KivInstalledTree.h"
#include "KivTestRegistry.h"

namespace {

// Every file below `folder`, relative to it.
QStringList FilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    return files;
}

bool IsElf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray(
                                                           "\x7f"
                                                           "ELF");
}

}  // namespace

// What `cmake --install` puts below a prefix, checked as the desktop, the
// dynamic loader and GStreamer will see it.
class tst_KivInstallLayout : public QObject {
    Q_OBJECT
    std::unique_ptr<KivInstalledTree> m_tree;
    QTemporaryDir m_registry;

private slots:
    void initTestCase() {
        m_tree = std::make_unique<KivInstalledTree>();
        QString error;
        QVERIFY2(m_tree->install(&error), qPrintable(error));
    }

    void installedFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("executable");
        const QString libs = QStringLiteral(KIV_INSTALL_LIBDIR "/");
        const QString plugins = QStringLiteral(KIV_INSTALL_PLUGINDIR "/");
        const QString data = QStringLiteral(KIV_INSTALL_DATADIR "/");
        QTest::newRow("launcher") << "bin/kivim" << true;
        QTest::newRow("client") << QStringLiteral(KIV_INSTALL_PROGRAMDIR "/kivClient") << true;
        QTest::newRow("call window")
            << QStringLiteral(KIV_INSTALL_PROGRAMDIR "/media/CallView") << true;
        for (const char* library : {"kivCommon", "kivModel", "kivView", "kivPlatform", "qorbase",
                                    "PcmPacker", "AvcUnpack", "DeskGrabProperty", "SoundLink",
                                    "AacUnpacker", "SampleSink", "WireCore2", "PictureLink"})
            QTest::newRow(library)
                << libs + QStringLiteral("lib%1.so").arg(QLatin1String(library)) << false;
        QTest::newRow("netsou") << plugins + QStringLiteral("libgstnetsou.so") << false;
        QTest::newRow("deskgrab") << plugins + QStringLiteral("libgstdeskgrab.so") << false;
        QTest::newRow("chat template") << data + QStringLiteral("DB/CHAT_MESSAGE.db") << false;
        QTest::newRow("area database") << data + QStringLiteral("DB/location_list.db") << false;
        QTest::newRow("configuration") << data + QStringLiteral("Config/config.ini") << false;
        QTest::newRow("English texts")
            << data + QStringLiteral("Translations/kivim_en.qm") << false;
        QTest::newRow("fonts") << data + QStringLiteral("fonts.conf") << false;
        QTest::newRow("skin") << data + QStringLiteral("Resources/skin/kivLoginDlg/kivLoginDlg.qss")
                              << false;
        QTest::newRow("window icon")
            << data + QStringLiteral("Resources/skin/SysIcon.png") << false;
        QTest::newRow("head") << data + QStringLiteral("image/head/head_0.png") << false;
        QTest::newRow("gift") << data + QStringLiteral("image/gift/1.png") << false;
        QTest::newRow("menu entry") << "share/applications/kivim.desktop" << false;
        QTest::newRow("manual") << "share/man/man1/kivim.1.gz" << false;
        QTest::newRow("copyright") << "share/doc/kivim/copyright" << false;
    }
    void installedFiles() {
        QFETCH(QString, path);
        QFETCH(bool, executable);
        const QFileInfo file(m_tree->path(path));
        QVERIFY2(file.isFile(), qPrintable(path));
        QCOMPARE(file.isExecutable(), executable);
    }

    // A build tree that was run holds the run's own files; none of them ships.
    void nothingOfARunIsInstalled() {
        const QStringList files = FilesBelow(m_tree->prefix());
        const QRegularExpression runFiles(QStringLiteral(
            "(^|/)(login\\.ini|TarnLog\\.txt|User/|user/|run/|[^/]*-(wal|shm|journal)$)|"
            "(^|/)(tst_|bench_|fuzz_|kivDevServer|kivArtGen|kivIconGen|kivMakeChatTemplate)"));
        for (const QString& file : files)
            QVERIFY2(!runFiles.match(file).hasMatch(), qPrintable(file));
        QCOMPARE(QDir(m_tree->path(QStringLiteral(KIV_INSTALL_DATADIR "/Config")))
                     .entryList(QDir::Files),
                 QStringList{QStringLiteral("config.ini")});
        // The template is the source's, not the build tree's copy a run edited.
        QFile installed(m_tree->path(QStringLiteral(KIV_INSTALL_DATADIR "/Config/config.ini")));
        QFile source(QStringLiteral(KIV_SOURCE_DIR "/data/Config/config.ini"));
        QVERIFY(installed.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
        QCOMPARE(installed.readAll(), source.readAll());
    }

    // Every program, library and plug-in finds our own libraries inside the
    // installation, never in the build tree.
    void binariesFindTheirLibraries() {
        const QString ldd = QStandardPaths::findExecutable(QStringLiteral("ldd"));
        if (ldd.isEmpty())
            QSKIP("needs ldd");
        const QString privateLibs =
            QFileInfo(m_tree->path(QStringLiteral(KIV_INSTALL_LIBDIR))).canonicalFilePath();
        const QStringList ours = QDir(privateLibs).entryList({QStringLiteral("*.so")}, QDir::Files);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("LD_LIBRARY_PATH"));
        int binaries = 0;
        for (const QString& relative : FilesBelow(m_tree->prefix())) {
            const QString file = m_tree->path(relative);
            if (!IsElf(file))
                continue;
            ++binaries;
            QByteArray output;
            QCOMPARE(KivRun(ldd, {file}, environment, &output), 0);
            const QString text = QString::fromLocal8Bit(output);
            QVERIFY2(!text.contains(QStringLiteral("not found")),
                     qPrintable(relative + '\n' + text));
            for (const QString& line : text.split(QLatin1Char('\n'))) {
                const QStringList parts = line.trimmed().split(QStringLiteral(" => "));
                if (parts.size() != 2 || !ours.contains(parts.at(0)))
                    continue;
                // "name => path (0xaddress)"; the path may hold blanks.
                QString path = parts.at(1);
                path.remove(QRegularExpression(QStringLiteral(" \\(0x[0-9a-f]+\\)$")));
                const QString resolved = QFileInfo(path).canonicalFilePath();
                QVERIFY2(resolved.startsWith(privateLibs + QLatin1Char('/')),
                         qPrintable(relative + ": " + line));
            }
        }
        QVERIFY(binaries >= 17);
    }

    void pluginsLoadFromTheInstallation_data() {
        QTest::addColumn<QString>("element");
        QTest::newRow("netsou") << "netsou";
        QTest::newRow("deskgrab") << "deskgrab";
    }
    void pluginsLoadFromTheInstallation() {
        QFETCH(QString, element);
#ifdef KIV_SANITIZED
        QSKIP("a sanitizer build's plug-ins load only into instrumented programs");
#endif
        const QString inspect = QStandardPaths::findExecutable(QStringLiteral("gst-inspect-1.0"));
        if (inspect.isEmpty())
            QSKIP("needs gst-inspect-1.0");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // Only the installed folder, as the launcher sets it, in a registry of
        // its own: the first element's run fills it, the next one reads it.
        environment.insert(QStringLiteral("GST_PLUGIN_PATH"),
                           m_tree->path(QStringLiteral(KIV_INSTALL_PLUGINDIR)));
        environment.insert(QStringLiteral("GST_REGISTRY"),
                           m_registry.filePath(QStringLiteral("registry.bin")));
        QByteArray output;
        QCOMPARE(KivRun(inspect, {element}, environment, &output), 0);
        QVERIFY2(output.contains(QFileInfo(m_tree->prefix()).canonicalFilePath().toLocal8Bit()) ||
                     output.contains(m_tree->prefix().toLocal8Bit()),
                 output.constData());
    }

    void iconsForTheMenu_data() {
        QTest::addColumn<int>("side");
        for (int side : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::addRow("%dx%d", side, side) << side;
    }
    void iconsForTheMenu() {
        QFETCH(int, side);
        const QImage icon(
            m_tree->path(QStringLiteral("share/icons/hicolor/%1x%1/apps/kivim.png").arg(side)));
        QCOMPARE(icon.size(), QSize(side, side));
        QVERIFY(icon.hasAlphaChannel());
        // Opaque in the middle, clear in the corner (a rounded square).
        QCOMPARE(qAlpha(icon.pixel(side / 2, side / 2)), 255);
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    }
    void scalableIcon() {
        QSvgRenderer svg(
            m_tree->path(QStringLiteral("share/icons/hicolor/scalable/apps/kivim.svg")));
        QVERIFY(svg.isValid());
        QCOMPARE(svg.viewBox(), QRect(0, 0, 256, 256));
        QImage picture(64, 64, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        svg.render(&painter);
        painter.end();
        // It draws the same mark as the pictures: compare with the 64 px one.
        const QImage png(m_tree->path(QStringLiteral("share/icons/hicolor/64x64/apps/kivim.png")));
        const QImage a = picture.convertToFormat(QImage::Format_ARGB32);
        const QImage b = png.convertToFormat(QImage::Format_ARGB32);
        int far = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                far += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 40 ? 1 : 0;
        QVERIFY2(far < 64 * 64 / 50, qPrintable(QString::number(far)));
    }

    // The launcher runs under /bin/sh, which is dash on Debian, not bash.
    void launcherIsPlainShell() {
        const QString shellcheck = QStandardPaths::findExecutable(QStringLiteral("shellcheck"));
        if (shellcheck.isEmpty())
            QSKIP("needs shellcheck");
        QByteArray output;
        QCOMPARE(KivRun(shellcheck, {QStringLiteral("--shell=sh"), m_tree->launcher()},
                        QProcessEnvironment::systemEnvironment(), &output),
                 0);
        QVERIFY2(output.isEmpty(), output.constData());
    }

    // Software centres read it; warnings (the id is not a reverse domain
    // name) are accepted, errors are not.
    void softwareCentreEntry() {
        const QString appstream = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (appstream.isEmpty())
            QSKIP("needs appstreamcli");
        QByteArray output;
        KivRun(appstream,
               {QStringLiteral("validate"), QStringLiteral("--no-net"),
                m_tree->path(QStringLiteral("share/metainfo/kivim.metainfo.xml"))},
               QProcessEnvironment::systemEnvironment(), &output);
        for (const QByteArray& line : output.split('\n'))
            QVERIFY2(!line.startsWith("E:"), output.constData());
        QVERIFY2(output.contains("kivim"), output.constData());
    }

    void menuEntry() {
        const QString entry = m_tree->path(QStringLiteral("share/applications/kivim.desktop"));
        const QString validate =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (!validate.isEmpty()) {
            QByteArray output;
            QCOMPARE(KivRun(validate, {entry}, QProcessEnvironment::systemEnvironment(), &output),
                     0);
            QVERIFY2(output.trimmed().isEmpty(), output.constData());
        }
        QSettings desktop(entry, QSettings::IniFormat);
        desktop.setIniCodec("UTF-8");
        desktop.beginGroup(QStringLiteral("Desktop Entry"));
        // The menu finds the launcher on PATH and the icon in the theme.
        QCOMPARE(desktop.value(QStringLiteral("Exec")).toString(), QStringLiteral("kivim"));
        QVERIFY(QFileInfo(m_tree->path(QStringLiteral("bin/kivim"))).isExecutable());
        QCOMPARE(desktop.value(QStringLiteral("Icon")).toString(), QStringLiteral("kivim"));
        QCOMPARE(desktop.value(QStringLiteral("GenericName")).toString(),
                 QStringLiteral("Instant Messenger"));
        QCOMPARE(desktop.value(QStringLiteral("GenericName[zh_CN]")).toString(),
                 QStringLiteral("即时通讯"));
    }
};

KIV_TEST_CLASS(tst_KivInstallLayout)
#include "tst_KivInstallLayout.moc"
