#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

#include "CKivSession.h"
#include "KivAttachment.h"
#include "KivLocalQuery.h"
#include "KivLoggedInSession.h"
#include "KivModalCloser.h"
#include "KivTestRegistry.h"
#include "KivUploadQueries.h"
#include "chat/CChatItem.h"
#include "chat/CKivIMChatDlg.h"
#include "chat/CTextDocument.h"
#include "chat/KivAttachmentCards.h"
#include "chat/KivChatAttachments.h"
#include "chat/KivTransfers.h"

namespace {

constexpr quint32 kFriend = 10002;

// The announcements the user sent, wherever the outbox has got them to.
QStringList SentAnnouncements() {
    QStringList texts;
    for (const char* table : {"chat_outbox_table", "chat_message_table"}) {
        QSqlQuery query;
        if (!KivRunLocalQuery(QStringLiteral("select message from %1 where senderuid=10001 and "
                                             "message like '【附件】%' order by id")
                                  .arg(QLatin1String(table)),
                              {}, query))
            continue;
        while (query.next())
            texts << query.value(0).toString();
    }
    return texts;
}

QImage Shown(CChatItem* card) {
    return card ? qvariant_cast<QImage>(card->Body()->document()->resource(
                      QTextDocument::ImageResource, QUrl(QStringLiteral("kivpicture:shown"))))
                : QImage();
}

QString CardText(CChatItem* card) {
    return card ? card->Body()->toPlainText() : QString();
}

}  // namespace

// Pictures and files in a chat window: what the input holds leaves in order,
// and what a friend announces shows as a card, fetched only as the rules say.
class tst_KivChatAttachments : public QObject {
    Q_OBJECT
    std::unique_ptr<KivLoggedInSession> m_session;
    std::unique_ptr<KivModalCloser> m_closer;
    QTemporaryDir m_config;
    CKivIMChatDlg* m_chat = nullptr;

    // Uploads a file of ours and gives its announcement, as a friend's would be.
    QString Announce(const QString& name, const QByteArray& content) {
        QTemporaryDir dir;
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return QString();
        file.close();
        KivTransfers transfers(m_session->session());
        QSignalSpy announced(&transfers, &KivTransfers::Announced);
        QString error;
        if (transfers.SendFile(kFriend, file.fileName(), &error) == 0 || !announced.wait(20000))
            return QString();
        return announced.first().at(3).toString();
    }

private slots:
    void initTestCase() {
        // Downloads go to a folder of the test's own, named as the desktop names it.
        QDir(m_config.path()).mkpath(QStringLiteral("downloads"));
        QFile dirs(m_config.filePath(QStringLiteral("user-dirs.dirs")));
        QVERIFY(dirs.open(QIODevice::WriteOnly));
        dirs.write(
            QStringLiteral("XDG_DOWNLOAD_DIR=\"%1/downloads\"\n").arg(m_config.path()).toUtf8());
        dirs.close();
        qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8());
    }
    void cleanupTestCase() { qunsetenv("XDG_CONFIG_HOME"); }
    void init() {
        m_closer = std::make_unique<KivModalCloser>();
        m_session = std::make_unique<KivLoggedInSession>();
        QVERIFY(m_session->start());
        m_chat = m_session->mainWindow()->ChatDialog(kFriend);
        QVERIFY(m_chat->Attachments()->CanSend());
    }
    void cleanup() {
        m_session.reset();
        m_closer.reset();
    }

    // Text, a pasted picture and more text leave in the order they stand:
    // the texts at once, the picture once the file server holds it.
    void pastedPictureLeavesInOrderAndArrivesAsAThumbnail() {
        QImage picture(320, 200, QImage::Format_RGB32);
        picture.fill(QColor(200, 40, 40));
        m_chat->Input()->insertPlainText(QStringLiteral("看这个"));
        QApplication::clipboard()->setImage(picture);
        m_chat->Input()->paste();
        QCOMPARE(m_chat->Attachments()->Waiting(), 1);
        m_chat->Input()->insertPlainText(QStringLiteral("好看吗"));
        const QVector<KivChatText::Part> parts = KivChatText::ToParts(m_chat->Input()->document());
        QCOMPARE(parts.size(), 3);
        QVERIFY(!parts.at(1).attachment.isEmpty());
        m_chat->SendMessage();
        QVERIFY(m_chat->Input()->toPlainText().isEmpty());
        // The texts are kept at once, each a message of its own (the outbox
        // keeps their order).
        QSqlQuery texts;
        QVERIFY(KivRunLocalQuery(QStringLiteral("select message from chat_outbox_table union all "
                                                "select message from chat_message_table where "
                                                "senderuid=10001"),
                                 {}, texts));
        QStringList kept;
        while (texts.next())
            kept << texts.value(0).toString();
        QVERIFY2(
            kept.count(QStringLiteral("看这个")) == 1 && kept.count(QStringLiteral("好看吗")) == 1,
            qPrintable(kept.join(QLatin1Char('|'))));
        QTRY_COMPARE_WITH_TIMEOUT(SentAnnouncements().size(), 1, 20000);
        QVERIFY(KivUploadQueries::Waiting(10001).isEmpty());
        const std::optional<KivAttachment> sent =
            KivAttachment::FromText(SentAnnouncements().first());
        QVERIFY(sent);
        QVERIFY(sent->IsPicture());

        // The same announcement as the friend's: the picture comes by itself.
        m_chat->ShowFriendMessage(SentAnnouncements().first());
        KivAttachmentCards* cards = m_chat->Attachments()->Cards();
        QTRY_VERIFY_WITH_TIMEOUT(!Shown(cards->ReceivedCard(sent->id)).isNull(), 20000);
        QCOMPARE(Shown(cards->ReceivedCard(sent->id)).size(), QSize(240, 150));
        QVERIFY(QDir(cards->PictureFolder()).entryList(QDir::Files).size() == 1);
    }

    // A file that is no picture waits for the click, then lands whole in the
    // download folder; a "picture" that is none shows no thumbnail.
    void filesWaitForTheClickAndFakePicturesShowNothing() {
        const QByteArray content(300000, 'x');
        const QString file = Announce(QStringLiteral("文档.txt"), content);
        const QString svg =
            Announce(QStringLiteral("evil.png"),
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"/>");
        QVERIFY(!file.isEmpty() && !svg.isEmpty());
        const QString downloads = m_config.filePath(QStringLiteral("downloads"));

        m_chat->ShowFriendMessage(file);
        m_chat->ShowFriendMessage(svg);
        KivAttachmentCards* cards = m_chat->Attachments()->Cards();
        CChatItem* fileCard = cards->ReceivedCard(KivAttachment::FromText(file)->id);
        CChatItem* svgCard = cards->ReceivedCard(KivAttachment::FromText(svg)->id);
        QVERIFY(fileCard && svgCard);
        QTRY_VERIFY_WITH_TIMEOUT(CardText(svgCard).contains(QStringLiteral("无法显示")), 20000);
        QVERIFY(Shown(svgCard).isNull());
        // Fetched without a click as a picture, it is gone again.
        QVERIFY(QDir(cards->PictureFolder()).entryList(QDir::Files).isEmpty());
        QVERIFY(CardText(fileCard).contains(QStringLiteral("接收")));
        QVERIFY(QDir(downloads).entryList(QDir::Files).isEmpty());

        emit fileCard->ActionClicked(fileCard, QStringLiteral("receive"));
        QTRY_VERIFY_WITH_TIMEOUT(CardText(fileCard).contains(QStringLiteral("已保存")), 20000);
        QFile got(QDir(downloads).filePath(QStringLiteral("文档.txt")));
        QVERIFY(got.open(QIODevice::ReadOnly));
        QCOMPARE(got.readAll(), content);
        QVERIFY(!(got.permissions() & (QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther)));
    }

    // Files dropped or chosen that cannot be read are refused at once and
    // nothing waits in the input.
    // A file dropped anywhere on the window joins the input.
    void droppedFilesJoinTheInput() {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("drop.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("dropped") == 7);
        file.close();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file.fileName())});
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(m_chat, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_chat, &drop);
        QCOMPARE(m_chat->Attachments()->Waiting(), 1);
        QCOMPARE(KivChatText::ToParts(m_chat->Input()->document()).size(), 1);
    }

    void unreadableFilesAreRefused() {
        m_chat->Attachments()->AddFiles({QStringLiteral("/nonexistent/file.bin")});
        QCOMPARE(m_chat->Attachments()->Waiting(), 0);
        QTRY_COMPARE(m_closer->texts().size(), 1);
        QVERIFY(m_closer->texts().first().contains(QStringLiteral("file.bin")));
    }
};

KIV_TEST_CLASS(tst_KivChatAttachments)
#include "tst_KivChatAttachments.moc"
