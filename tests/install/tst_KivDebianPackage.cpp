#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "KivInstalledTree.h"
#include "KivTestRegistry.h"

namespace {

QString Tool(const char* name) {
    return QStandardPaths::findExecutable(QLatin1String(name));
}

QString Run(const QString& program, const QStringList& arguments, int* code = nullptr) {
    QByteArray output;
    const int result =
        KivRun(program, arguments, QProcessEnvironment::systemEnvironment(), &output, 300000);
    if (code)
        *code = result;
    return QString::fromUtf8(output);
}

// The run paths an ELF file's dynamic section names ("RUNPATH" and "RPATH").
QString RunPaths(const QString& path) {
    QString paths;
    for (const QString& line : Run(Tool("readelf"), {QStringLiteral("-d"), path})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.contains(QLatin1String("(RUNPATH)")) || line.contains(QLatin1String("(RPATH)")))
            paths += line;
    }
    return paths;
}

}  // namespace

// The package `make package` builds, checked with Debian's own tools.
class tst_KivDebianPackage : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_package;

    QString field(const QString& name) const {
        return Run(Tool("dpkg-deb"), {QStringLiteral("--field"), m_package, name}).trimmed();
    }

private slots:
    void initTestCase() {
        for (const char* tool : {"dpkg-deb", "dpkg-shlibdeps"})
            if (Tool(tool).isEmpty())
                QSKIP(qPrintable(QStringLiteral("needs %1").arg(QLatin1String(tool))));
        int code = 0;
        const QString output =
            Run(QStringLiteral(KIV_CPACK),
                {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                 QStringLiteral(KIV_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"),
                 m_dir.path()},
                &code);
        QVERIFY2(code == 0, qPrintable(output));
        const QStringList packages =
            QDir(m_dir.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
        QCOMPARE(packages.size(), 1);
        m_package = QDir(m_dir.path()).filePath(packages.first());
    }

    void control() {
        QCOMPARE(field(QStringLiteral("Package")), QStringLiteral("kivim"));
        QCOMPARE(field(QStringLiteral("Version")), QStringLiteral(KIV_PACKAGE_VERSION));
        QCOMPARE(field(QStringLiteral("Architecture")),
                 Run(Tool("dpkg"), {QStringLiteral("--print-architecture")}).trimmed());
        QVERIFY(!field(QStringLiteral("Description")).isEmpty());
        QVERIFY(!field(QStringLiteral("Maintainer")).isEmpty());
        QCOMPARE(QFileInfo(m_package).fileName(), QStringLiteral("kivim_%1_%2.deb")
                                                      .arg(QStringLiteral(KIV_PACKAGE_VERSION),
                                                           field(QStringLiteral("Architecture"))));
    }

    void dependencies() {
        const QStringList depends = field(QStringLiteral("Depends")).split(QStringLiteral(", "));
        QStringList names;
        for (const QString& dependency : depends)
            names << dependency.section(QLatin1Char(' '), 0, 0);
        // Computed from the binaries: the libraries they link.
        for (const char* linked : {"libc6", "libqt5widgets5", "libqt5network5", "libqt5sql5",
                                   "libgstreamer1.0-0", "libxcb1"})
            QVERIFY2(names.contains(QLatin1String(linked)), linked);
        QVERIFY(names.filter(QRegularExpression(QStringLiteral("^libavcodec[0-9]+$"))).size() == 1);
        // Loaded at run time, so named by hand.
        QVERIFY(names.contains(QStringLiteral("libqt5sql5-sqlite")));
        // Our own libraries travel inside the package.
        for (const QString& name : names)
            QVERIFY2(!name.contains(QStringLiteral("kiv"), Qt::CaseInsensitive), qPrintable(name));
        // The call pipelines' encoder and video sink.
        QVERIFY(names.contains(QStringLiteral("gstreamer1.0-plugins-ugly")));
        QVERIFY(names.contains(QStringLiteral("gstreamer1.0-x")));
        QVERIFY(field(QStringLiteral("Recommends")).contains(QStringLiteral("fonts-noto-cjk")));
    }

    void contents() {
        QStringList paths;
        for (const QString& line : Run(Tool("dpkg-deb"), {QStringLiteral("--contents"), m_package})
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList columns = line.simplified().split(QLatin1Char(' '));
            QVERIFY(columns.size() >= 6);
            QCOMPARE(columns.at(1), QStringLiteral("root/root"));
            paths << columns.at(5);
            if (columns.at(5) == QLatin1String("./usr/bin/kivim"))
                QCOMPARE(columns.at(0), QStringLiteral("-rwxr-xr-x"));
        }
        for (const QString& expected :
             {QStringLiteral("./usr/bin/kivim"),
              QStringLiteral("./usr/" KIV_INSTALL_PROGRAMDIR "/kivClient"),
              QStringLiteral("./usr/" KIV_INSTALL_LIBDIR "/libkivView.so"),
              QStringLiteral("./usr/" KIV_INSTALL_PLUGINDIR "/libgstnetsou.so"),
              QStringLiteral("./usr/" KIV_INSTALL_DATADIR "/DB/CHAT_MESSAGE.db"),
              QStringLiteral("./usr/" KIV_INSTALL_DATADIR "/Config/config.ini"),
              QStringLiteral("./usr/share/applications/kivim.desktop"),
              QStringLiteral("./usr/share/icons/hicolor/48x48/apps/kivim.png"),
              QStringLiteral("./usr/share/icons/hicolor/scalable/apps/kivim.svg"),
              QStringLiteral("./usr/share/doc/kivim/copyright"),
              QStringLiteral("./usr/share/doc/kivim/changelog.gz")})
            QVERIFY2(paths.contains(expected), qPrintable(expected));
        for (const QString& path : paths) {
            QVERIFY2(path.startsWith(QLatin1String("./usr/")) || path == QLatin1String("./"),
                     qPrintable(path));
            QVERIFY2(!path.contains(QLatin1String(KIV_BUILD_DIR)), qPrintable(path));
        }
    }

    // The unpacked package is a working installation of its own: its launcher
    // prepares a data root that reaches the package's files.
    void unpackedPackageRuns() {
        QTemporaryDir root;
        int code = 0;
        Run(Tool("dpkg-deb"), {QStringLiteral("-x"), m_package, root.path()}, &code);
        QCOMPARE(code, 0);
        // Nothing leads back into the build tree: no run path of a program or
        // library, no script or text. A program may name the sources it was
        // built from (instrumented builds do), which leads nowhere at run time.
        QDirIterator files(root.path(), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            const bool elf = content.startsWith("\x7f\x45LF");
            const QString leads = elf ? RunPaths(file.fileName()) : QString::fromUtf8(content);
            QVERIFY2(!leads.contains(QLatin1String(KIV_BUILD_DIR)), qPrintable(file.fileName()));
        }
        const QString home = root.filePath(QStringLiteral("home"));
        QVERIFY(QDir().mkpath(home));
        QByteArray output;
        QCOMPARE(
            KivRun(root.filePath(QStringLiteral("usr/bin/kivim")), {QStringLiteral("--prepare")},
                   KivInstalledTree::userEnvironment(home, QStringLiteral("offscreen")), &output),
            0);
        QCOMPARE(QFileInfo(home + QStringLiteral("/.local/share/kivim/DB")).canonicalFilePath(),
                 QFileInfo(root.filePath(QStringLiteral("usr/" KIV_INSTALL_DATADIR "/DB")))
                     .canonicalFilePath());
        QByteArray version;
        QCOMPARE(
            KivRun(root.filePath(QStringLiteral("usr/bin/kivim")), {QStringLiteral("--version")},
                   QProcessEnvironment::systemEnvironment(), &version),
            0);
        QCOMPARE(version.trimmed(), QByteArray("kivim " KIV_PACKAGE_VERSION));
    }

    void lintianFindsNoErrors() {
        if (Tool("lintian").isEmpty())
            QSKIP("needs lintian");
        const QString report = Run(Tool("lintian"), {QStringLiteral("--tag-display-limit"),
                                                     QStringLiteral("0"), m_package});
        QStringList errors;
        for (const QString& line : report.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("E: ")))
                errors << line;
            else if (line.startsWith(QLatin1String("W: ")))
                qInfo().noquote() << line;
        }
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join(QLatin1Char('\n'))));
    }
};

KIV_TEST_CLASS(tst_KivDebianPackage)
#include "tst_KivDebianPackage.moc"
