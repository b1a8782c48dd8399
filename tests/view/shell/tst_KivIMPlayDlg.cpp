#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "KivModalCloser.h"
#include "KivTestRegistry.h"
#include "KivViewTestTree.h"
#include "shell/KivIMPlayDlg.h"
#include "shell/QPlayItem.h"

namespace {

// Takes the addresses the desktop would open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

}  // namespace

// The game hall finds the game program on PATH or where the configuration
// says, starts it, or sends the user to the web site to download it.
class tst_KivIMPlayDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivViewTestTree> m_tree;
    std::unique_ptr<QTemporaryDir> m_bin;
    std::unique_ptr<KivModalCloser> m_closer;
    UrlRecorder m_recorder;
    QByteArray m_path;

    void configure(const QString& playHost) {
        m_tree->writeFile(QStringLiteral("Config/config.ini"),
                          QStringLiteral("[web]\nsite=http://games.example/hall\nplayHost=%1\n")
                              .arg(playHost)
                              .toUtf8());
    }
    // A game program that leaves a mark when it runs.
    QString addProgram(const QString& folder) {
        const QString program = folder + QStringLiteral("/PlayHost");
        QFile file(program);
        file.open(QIODevice::WriteOnly);
        file.write(QStringLiteral("#!/bin/sh\necho started > '%1/started'\n").arg(folder).toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        return program;
    }
    static QPushButton* button(QPlayItem* item) {
        return item->findChild<QPushButton*>(QStringLiteral("m_pTooltip"));
    }
    // The heading a tile stands under.
    static QString headingOf(KivIMPlayDlg& hall, QPlayItem* item) {
        QString heading;
        for (QLabel* label : hall.findChildren<QLabel*>(QStringLiteral("labelHeading"))) {
            if (label->geometry().bottom() <= item->geometry().top())
                heading = label->text();
        }
        return heading;
    }

private slots:
    void init() {
        m_tree = std::make_unique<KivViewTestTree>();
        m_bin = std::make_unique<QTemporaryDir>();
        m_path = qgetenv("PATH");
        qputenv("PATH", m_bin->path().toLocal8Bit());
        m_closer = std::make_unique<KivModalCloser>();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_recorder, "open");
        m_recorder.urls.clear();
    }
    void cleanup() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        qputenv("PATH", m_path);
        m_closer.reset();
        m_bin.reset();
        m_tree.reset();
    }

    void withoutTheProgramTheTileOffersTheDownload() {
        configure(QString());
        KivIMPlayDlg hall(nullptr);
        hall.resize(280, 400);
        hall.show();
        QCOMPARE(hall.Items().size(), size_t(1));
        QPlayItem* hallTile = hall.Items().front();
        QCOMPARE(hallTile->State(), int(QPlayItem::NotDownloaded));
        QVERIFY(hall.ProgramPath().isEmpty());
        QTRY_COMPARE(headingOf(hall, hallTile), QStringLiteral("未下载的游戏"));
        QVERIFY(button(hallTile)->styleSheet().contains(QStringLiteral("kivimplaydlg/Down.png")));
        QVERIFY(button(hallTile)->styleSheet().contains(QStringLiteral("Down_hover.png")));

        button(hallTile)->click();
        QCOMPARE(m_recorder.urls, QList<QUrl>{QUrl(QStringLiteral("http://games.example/hall"))});
        QTest::mouseClick(hall.findChild<QLabel*>(QStringLiteral("labelLogo")), Qt::LeftButton);
        QCOMPARE(m_recorder.urls.size(), 2);
        QVERIFY(m_closer->texts().isEmpty());
    }

    void withoutAWebSiteTheUserIsTold() {
        m_tree->writeFile(QStringLiteral("Config/config.ini"), "[web]\nsite=\n");
        KivIMPlayDlg hall(nullptr);
        button(hall.Items().front())->click();
        QCOMPARE(m_closer->texts(), QStringList{"无法打开游戏下载网站"});
        QVERIFY(m_recorder.urls.isEmpty());
    }

    void programOnPathIsStarted() {
        configure(QString());
        const QString program = addProgram(m_bin->path());
        KivIMPlayDlg hall(nullptr);
        hall.resize(280, 400);
        hall.show();
        QPlayItem* hallTile = hall.Items().front();
        QCOMPARE(hallTile->State(), int(QPlayItem::Downloaded));
        QCOMPARE(hallTile->ProgramPath(), program);
        QTRY_COMPARE(headingOf(hall, hallTile), QStringLiteral("已下载的游戏"));
        QVERIFY(button(hallTile)->styleSheet().contains(QStringLiteral("kivimplaydlg/Start.png")));

        button(hallTile)->click();
        QTRY_VERIFY(QFile::exists(m_bin->path() + QStringLiteral("/started")));
        QVERIFY(m_recorder.urls.isEmpty());
        QVERIFY(m_closer->texts().isEmpty());
    }

    void configuredPathComesFirst_data() {
        QTest::addColumn<bool>("usable");
        QTest::newRow("an executable file") << true;
        QTest::newRow("not executable: PATH instead") << false;
    }
    void configuredPathComesFirst() {
        QFETCH(bool, usable);
        QTemporaryDir elsewhere;
        const QString configured = addProgram(elsewhere.path());
        if (!usable)
            QFile::setPermissions(configured, QFile::ReadOwner | QFile::WriteOwner);
        const QString onPath = addProgram(m_bin->path());
        configure(configured);
        KivIMPlayDlg hall(nullptr);
        QVERIFY(hall.CheckIsInstall());
        QCOMPARE(hall.ProgramPath(), usable ? configured : onPath);
    }

    void aProgramThatCannotStartIsReported() {
        configure(QString());
        const QString program = addProgram(m_bin->path());
        KivIMPlayDlg hall(nullptr);
        QFile::remove(program);
        button(hall.Items().front())->click();
        QTRY_COMPARE(m_closer->texts().size(), 1);
        QVERIFY(
            m_closer->texts().front().startsWith(QStringLiteral("游戏启动失败：找不到游戏程序")));
    }
};

KIV_TEST_CLASS(tst_KivIMPlayDlg)
#include "tst_KivIMPlayDlg.moc"
