#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <memory>

#include "KivInstalledTree.h"
#include "KivTestRegistry.h"

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& file, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Readable and writable by its owner, by nobody else.
bool PrivateToOwner(const QString& path) {
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions permissions = QFileInfo(path).permissions();
    return (permissions & others) == 0 && permissions.testFlag(QFile::ReadOwner) &&
           permissions.testFlag(QFile::WriteOwner);
}

QString DataRoot(const QString& home) {
    return home + QStringLiteral("/.local/share/kivim");
}

}  // namespace

// The launcher as users meet it: where each user's data root is, what the
// first start puts there, and that nothing a user changed is ever replaced.
class tst_KivLauncher : public QObject {
    Q_OBJECT
    std::unique_ptr<KivInstalledTree> m_tree;

    int prepare(const QString& home) {
        QByteArray output;
        const int code =
            KivRun(m_tree->launcher(), {QStringLiteral("--prepare")},
                   KivInstalledTree::userEnvironment(home, QStringLiteral("offscreen")), &output);
        if (code != 0)
            qWarning() << output;
        return code;
    }
    // The data root's entries after a start: its own folders and one link
    // per installed data entry (and the media programs when there are any).
    QStringList rootEntries() const {
        QStringList entries =
            QDir(installed(QString())).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        entries << QStringLiteral("User");
        if (QFileInfo::exists(m_tree->path(QStringLiteral(KIV_INSTALL_PROGRAMDIR "/media"))))
            entries << QStringLiteral("media");
        entries.sort();
        return entries;
    }
    QString installed(const QString& relative) const {
        return m_tree->path(QStringLiteral(KIV_INSTALL_DATADIR "/") + relative);
    }

private slots:
    void initTestCase() {
        m_tree = std::make_unique<KivInstalledTree>();
        QString error;
        QVERIFY2(m_tree->install(&error), qPrintable(error));
    }

    void dataRoot_data() {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("dataHome");
        QTest::addColumn<QString>("expected");
        // Empty home or data home: the variable is not set; empty expected: refused.
        QTest::newRow("default") << "/home/ann"
                                 << ""
                                 << "/home/ann/.local/share/kivim";
        QTest::newRow("XDG_DATA_HOME") << "/home/ann"
                                       << "/srv/ann"
                                       << "/srv/ann/kivim";
        QTest::newRow("relative XDG_DATA_HOME is ignored") << "/home/ann"
                                                           << "data"
                                                           << "/home/ann/.local/share/kivim";
        QTest::newRow("XDG_DATA_HOME without HOME") << ""
                                                    << "/srv/ann"
                                                    << "/srv/ann/kivim";
        QTest::newRow("no HOME") << ""
                                 << ""
                                 << "";
    }
    void dataRoot() {
        QFETCH(QString, home);
        QFETCH(QString, dataHome);
        QFETCH(QString, expected);
        QProcessEnvironment environment =
            KivInstalledTree::userEnvironment(home, QStringLiteral("offscreen"));
        if (home.isEmpty())
            environment.remove(QStringLiteral("HOME"));
        if (!dataHome.isEmpty())
            environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        QByteArray output;
        const int code =
            KivRun(m_tree->launcher(), {QStringLiteral("--data-root")}, environment, &output);
        if (expected.isEmpty()) {
            QCOMPARE(code, 1);
            QVERIFY2(output.contains("HOME is not set"), output.constData());
        } else {
            QCOMPARE(code, 0);
            QCOMPARE(QString::fromLocal8Bit(output.trimmed()), expected);
        }
    }

    void firstStartPreparesTheDataRoot() {
        const QString home = m_tree->newHome();
        QCOMPARE(prepare(home), 0);
        const QDir root(DataRoot(home));

        // Chats and remembered passwords: for the user's eyes only.
        QVERIFY(PrivateToOwner(root.path()));
        QCOMPARE(ReadAll(root.filePath(QStringLiteral("Config/config.ini"))),
                 ReadAll(installed(QStringLiteral("Config/config.ini"))));
        QVERIFY(PrivateToOwner(root.filePath(QStringLiteral("Config/config.ini"))));
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("User"))).isDir());
        QVERIFY(QDir(root.filePath(QStringLiteral("User"))).isEmpty());

        // Everything else of the installed data is linked, not copied.
        const QDir share(installed(QString()));
        for (const QString& name : share.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            if (name == QLatin1String("Config"))
                continue;
            const QFileInfo link(root.filePath(name));
            QVERIFY2(link.isSymLink(), qPrintable(name));
            QCOMPARE(link.canonicalFilePath(), QFileInfo(share.filePath(name)).canonicalFilePath());
        }
        const QStringList expected = rootEntries();
        for (const char* needed : {"Resources", "image", "DB", "fonts.conf"})
            QVERIFY2(expected.contains(QLatin1String(needed)), needed);
        if (expected.contains(QStringLiteral("media")))
            QVERIFY(QFileInfo(root.filePath(QStringLiteral("media"))).isSymLink());
        // The client reads its pictures and template through the links.
        QVERIFY(
            QFileInfo(root.filePath(QStringLiteral("Resources/skin/SysIcon.png"))).isReadable());
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("DB/CHAT_MESSAGE.db"))).isReadable());

        // No half-made copies or links are left behind.
        QStringList actual =
            root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
        actual.sort();
        QCOMPARE(actual, expected);
        QCOMPARE(
            QDir(root.filePath(QStringLiteral("Config"))).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("config.ini")});
    }

    void laterStartsAndUpgradesKeepWhatTheUserChanged() {
        const QString home = m_tree->newHome();
        QCOMPARE(prepare(home), 0);
        const QDir root(DataRoot(home));

        // The user points the client at a server, logs in, keeps a skin of their own.
        const QMap<QString, QByteArray> userFiles = {
            {QStringLiteral("Config/config.ini"), "[base]\nipaddr=10.1.2.3\nport=7000\n"},
            {QStringLiteral("Config/login.ini"), "[10001]\nUserName=10001\n"},
            {QStringLiteral("User/10001/Settingconfig/setconfig.ini"),
             "[BaseSetting]\nAutoLogin=1\n"},
            {QStringLiteral("User/10001/DB/CHAT_MESSAGE.db"), QByteArray("SQLite format 3\0", 16)},
        };
        for (auto it = userFiles.cbegin(); it != userFiles.cend(); ++it)
            QVERIFY(WriteAll(root.filePath(it.key()), it.value()));
        QVERIFY(QFile::remove(root.filePath(QStringLiteral("image"))));
        QVERIFY(WriteAll(root.filePath(QStringLiteral("image/head/head.png")), "own picture"));
        // The installation moved since the last start.
        QVERIFY(QFile::remove(root.filePath(QStringLiteral("Resources"))));
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/kivim/Resources"),
                            root.filePath(QStringLiteral("Resources"))));

        // An upgrade brings a new configuration template.
        const QString templatePath = installed(QStringLiteral("Config/config.ini"));
        const QByteArray oldTemplate = ReadAll(templatePath);
        const QByteArray newTemplate = oldTemplate + "\n; a key of the next version\n";
        QVERIFY(WriteAll(templatePath, newTemplate));

        // A data root opened to others (by an older version or by hand) is
        // closed again at the next start.
        QVERIFY(QFile::setPermissions(root.path(), QFile::permissions(root.path()) |
                                                       QFile::ReadGroup | QFile::ExeGroup |
                                                       QFile::ReadOther | QFile::ExeOther));
        QVERIFY(!PrivateToOwner(root.path()));

        QCOMPARE(prepare(home), 0);
        QVERIFY(PrivateToOwner(root.path()));
        for (auto it = userFiles.cbegin(); it != userFiles.cend(); ++it)
            QCOMPARE(ReadAll(root.filePath(it.key())), it.value());
        QCOMPARE(ReadAll(root.filePath(QStringLiteral("image/head/head.png"))),
                 QByteArray("own picture"));
        QCOMPARE(QFileInfo(root.filePath(QStringLiteral("Resources"))).canonicalFilePath(),
                 QFileInfo(installed(QStringLiteral("Resources"))).canonicalFilePath());

        // A second user gets a data root of their own, from the new template.
        const QString otherHome = m_tree->newHome();
        QCOMPARE(prepare(otherHome), 0);
        QCOMPARE(ReadAll(DataRoot(otherHome) + QStringLiteral("/Config/config.ini")), newTemplate);
        QVERIFY(!QFileInfo::exists(DataRoot(otherHome) + QStringLiteral("/Config/login.ini")));
        QCOMPARE(ReadAll(root.filePath(QStringLiteral("Config/config.ini"))),
                 userFiles.value(QStringLiteral("Config/config.ini")));
        QVERIFY(WriteAll(templatePath, oldTemplate));
    }

    // A site's template wins over the installed one, for new users only.
    void siteTemplate() {
        const QString home = m_tree->newHome();
        const QString site = home + QStringLiteral("/site");
        const QByteArray siteConfig = "[base]\nipaddr=192.0.2.7\nport=7100\n";
        QVERIFY(WriteAll(site + QStringLiteral("/kivim/Config/config.ini"), siteConfig));
        QProcessEnvironment environment =
            KivInstalledTree::userEnvironment(home, QStringLiteral("offscreen"));
        // Relative and empty entries are skipped; the first folder holding the file wins.
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                           QStringLiteral("etc/xdg::%1/empty:%2:%1/later").arg(home, site));
        QVERIFY(WriteAll(home + QStringLiteral("/later/kivim/Config/config.ini"), "later"));
        QCOMPARE(KivRun(m_tree->launcher(), {QStringLiteral("--prepare")}, environment), 0);
        QCOMPARE(ReadAll(DataRoot(home) + QStringLiteral("/Config/config.ini")), siteConfig);
    }

    // Two starts at the same moment (a double click in the menu) both succeed
    // and leave one complete configuration.
    void simultaneousFirstStarts() {
        const QString home = m_tree->newHome();
        std::vector<std::unique_ptr<QProcess>> starts;
        for (int i = 0; i < 4; ++i) {
            starts.push_back(std::make_unique<QProcess>());
            starts.back()->setProcessEnvironment(
                KivInstalledTree::userEnvironment(home, QStringLiteral("offscreen")));
            starts.back()->setProcessChannelMode(QProcess::ForwardedChannels);
            starts.back()->start(m_tree->launcher(), {QStringLiteral("--prepare")});
        }
        for (auto& start : starts) {
            QVERIFY(start->waitForFinished(60000));
            QCOMPARE(start->exitCode(), 0);
        }
        const QDir root(DataRoot(home));
        QCOMPARE(ReadAll(root.filePath(QStringLiteral("Config/config.ini"))),
                 ReadAll(installed(QStringLiteral("Config/config.ini"))));
        QCOMPARE(
            QDir(root.filePath(QStringLiteral("Config"))).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("config.ini")});
        QStringList actual =
            root.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden);
        actual.sort();
        QCOMPARE(actual, rootEntries());
        QVERIFY(
            QFileInfo(root.filePath(QStringLiteral("Resources/skin/SysIcon.png"))).isReadable());
    }
};

KIV_TEST_CLASS(tst_KivLauncher)
#include "tst_KivLauncher.moc"
