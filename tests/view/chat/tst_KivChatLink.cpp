#include <QDesktopServices>
#include <QtTest>

#include "KivTestRegistry.h"
#include "chat/CTextDocument.h"
#include "chat/KivChatLink.h"

namespace {

// Stands in for the desktop's browser: records what would have been opened.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

}  // namespace

// Links in received texts: only web pages reach the desktop.
class tst_KivChatLink : public QObject {
    Q_OBJECT
    UrlRecorder m_recorder;

private slots:
    void init() {
        m_recorder.opened.clear();
        for (const char* scheme : {"http", "https", "file", "javascript", "smb", "ftp", "mailto"})
            QDesktopServices::setUrlHandler(QLatin1String(scheme), &m_recorder, "open");
    }
    void cleanup() {
        for (const char* scheme : {"http", "https", "file", "javascript", "smb", "ftp", "mailto"})
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }

    void clickedLinks_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("opened");
        QTest::newRow("http") << "http://example.com/a?b=1"
                              << "http://example.com/a?b=1";
        QTest::newRow("https") << "HTTPS://example.com"
                               << "https://example.com";
        QTest::newRow("bare www") << "www.example.com/x"
                                  << "http://www.example.com/x";
        QTest::newRow("file") << "file:///etc/passwd"
                              << "";
        QTest::newRow("javascript") << "javascript:alert(1)"
                                    << "";
        QTest::newRow("desktop file") << "file:///usr/share/applications/x.desktop"
                                      << "";
        QTest::newRow("relative desktop file") << "evil.desktop"
                                               << "";
        QTest::newRow("smb") << "smb://host/share"
                             << "";
        QTest::newRow("mail address") << "someone@example.com"
                                      << "";
        QTest::newRow("http without host") << "http:/etc/passwd"
                                           << "";
    }
    void clickedLinks() {
        QFETCH(QString, link);
        QFETCH(QString, opened);
        CTextDocument body(nullptr, false);
        emit body.anchorClicked(QUrl(link));
        if (opened.isEmpty()) {
            QVERIFY(m_recorder.opened.isEmpty());
        } else {
            QCOMPARE(m_recorder.opened, QList<QUrl>{QUrl(opened)});
        }
    }
};

KIV_TEST_CLASS(tst_KivChatLink)
#include "tst_KivChatLink.moc"
