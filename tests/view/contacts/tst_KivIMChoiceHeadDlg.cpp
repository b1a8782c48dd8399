#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPainter>
#include <QPushButton>
#include <QSqlQuery>
#include <QTcpServer>
#include <QUrlQuery>
#include <QtTest>

#include "CKivFriendDBModel.h"
#include "CKivFriendNetModel.h"
#include "CKivFriendSqlUtilCommon.h"
#include "KivContactQueries.h"
#include "KivLoggedInSession.h"
#include "KivModalCloser.h"
#include "KivRecordSink.h"
#include "KivTestRegistry.h"
#include "KivTestSession.h"
#include "KivThreadSpy.h"
#include "KivViewTestTree.h"
#include "contacts/CHeadItem.h"
#include "contacts/CHeaderView.h"
#include "contacts/CImageEditWid.h"
#include "contacts/KivIMChoiceDefultHeadDlg.h"
#include "contacts/KivIMChoiceHeadDlg.h"
#include "contacts/KivImChoiceCustomHeadDlg.h"
#include "support/KivDeploymentConfig.h"

namespace {

QString WritePicture(const QString& name, const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(0, 0), size / 2), Qt::yellow);
    painter.end();
    image.save(name, "PNG");
    return QDir::current().filePath(name);
}

}  // namespace

// The head choice: built-in heads, the crop editor, and the upload to the
// development server's file server.
class tst_KivIMChoiceHeadDlg : public QObject {
    Q_OBJECT
    std::unique_ptr<KivModalCloser> m_closer;

private slots:
    void init() { m_closer = std::make_unique<KivModalCloser>(); }
    void cleanup() { m_closer.reset(); }

    void headNumbersComeFromFileNames_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("number");
        QTest::newRow("plain") << "image/head/head_12.png" << 12;
        QTest::newRow("no number") << "image/head/head.png" << -1;
        QTest::newRow("none") << "image/head/head_-1.png" << -1;
        QTest::newRow("letters") << "image/head/head_x.png" << -1;
    }
    void headNumbersComeFromFileNames() {
        QFETCH(QString, path);
        QFETCH(int, number);
        QCOMPARE(CHeadItem::HeadNumberOf(path), number);
    }

    void uploadAddressCarriesThePngByteCount() {
        KivViewTestTree tree;
        tree.writeFile(QStringLiteral("Config/config.ini"),
                       "[base]\nfileHostaddr=127.0.0.1\nfilehostport=8123\n");
        const QUrl url = KivIMChoiceHeadDlg::UploadUrl(10001, QStringLiteral("10007"), 1234);
        QCOMPARE(url.host(), QStringLiteral("127.0.0.1"));
        QCOMPARE(url.port(), 8123);
        const QUrlQuery query(url);
        QCOMPARE(query.queryItemValue(QStringLiteral("UserID")), QStringLiteral("10001"));
        QCOMPARE(query.queryItemValue(QStringLiteral("Session")), QStringLiteral("10007"));
        QCOMPARE(query.queryItemValue(QStringLiteral("FileSize")), QStringLiteral("1234"));
        const QByteArray png("\x89PNG\r\n\x1a\n-not-really", 19);
        const QByteArray body = KivIMChoiceHeadDlg::UploadBody(png);
        QVERIFY(body.startsWith("Content:"));
        QVERIFY(body.endsWith("\r\n\r\n"));
        QCOMPARE(QByteArray::fromBase64(body.mid(8, body.size() - 12)), png);
    }

    void cropEditorKeepsASquareInsideThePicture() {
        KivViewTestTree tree;
        CImageEditWid editor;
        editor.resize(300, 243);
        editor.show();
        QImage picture(800, 400, QImage::Format_RGB32);
        picture.fill(Qt::white);
        QSignalSpy cut(&editor, &CImageEditWid::mouseRelease);
        editor.SetImage(picture);
        QCOMPARE(cut.count(), 1);
        const QRectF image = editor.ImageRect();
        QCOMPARE(image.width(), 300.0);
        QRectF selection = editor.Selection();
        QCOMPARE(selection.width(), selection.height());
        QVERIFY(image.contains(selection));

        // Drag the bottom-right handle far out: the square grows to the picture's height.
        const QPoint corner = selection.bottomRight().toPoint();
        QCOMPARE(editor.HandleAt(corner), CImageEditWid::BottomRight);
        QTest::mousePress(&editor, Qt::LeftButton, {}, corner);
        QMouseEvent move(QEvent::MouseMove, QPointF(299, 242), Qt::LeftButton, Qt::LeftButton, {});
        QApplication::sendEvent(&editor, &move);
        QTest::mouseRelease(&editor, Qt::LeftButton, {}, QPoint(299, 242));
        selection = editor.Selection();
        QCOMPARE(selection.width(), selection.height());
        QCOMPARE(selection.height(), image.height());
        QVERIFY(image.contains(selection));
        QCOMPARE(cut.count(), 2);

        // Moving past the left edge stops at the edge; the cut is the picture's own pixels.
        const QPoint inside = selection.center().toPoint();
        QCOMPARE(editor.HandleAt(inside), CImageEditWid::Move);
        QTest::mousePress(&editor, Qt::LeftButton, {}, inside);
        QMouseEvent drag(QEvent::MouseMove, QPointF(inside.x() - 500, inside.y()), Qt::LeftButton,
                         Qt::LeftButton, {});
        QApplication::sendEvent(&editor, &drag);
        QTest::mouseRelease(&editor, Qt::LeftButton, {}, inside);
        QCOMPARE(editor.Selection().left(), image.left());
        QCOMPARE(editor.CutImage().size(), QSize(400, 400));
    }

    void customPagePreviewsTheCutAndRefusesBombs() {
        KivViewTestTree tree;
        KivImChoiceCustomHeadDlg page;
        page.show();
        QVERIFY(page.CustomImage().isNull());
        QImage bomb(7000, 7000, QImage::Format_Mono);
        bomb.fill(0);
        bomb.save(QStringLiteral("bomb.png"), "PNG");
        QVERIFY(!page.LoadImage(QStringLiteral("bomb.png")));
        QVERIFY(m_closer->texts().contains(QStringLiteral("图片尺寸过大")));
        QVERIFY(page.CustomImage().isNull());

        QVERIFY(page.LoadImage(WritePicture(QStringLiteral("me.png"), QSize(640, 480))));
        QVERIFY(!page.CustomImage().isNull());
        QCOMPARE(page.LargePreview()->Shown().size(), QSize(124, 124));
        QCOMPARE(page.SmallPreview()->Shown().size(), QSize(53, 53));
        QVERIFY(!page.findChild<QPushButton*>(QStringLiteral("AddImageBt"))->isVisible());
    }

    void builtInHeadIsSentByNumber() {
        KivLoggedInSession session;
        QVERIFY(session.start());
        KivIMChoiceHeadDlg dialog(nullptr, session.session());
        dialog.show();
        QVERIFY(dialog.DefaultPage()->Items().size() > 7);
        for (CHeadItem* item : dialog.DefaultPage()->Items())
            QVERIFY(CHeadItem::HeadNumberOf(item->ImagePath()) >= 0);
        dialog.DefaultPage()->Select(12);
        QSignalSpy changed(&dialog, &KivIMChoiceHeadDlg::AllHeaderChange);
        dialog.findChild<QPushButton*>(QStringLiteral("SaveBt"))->click();
        QVERIFY(!dialog.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 10000);
        QCOMPARE(changed.first().first().toString(), QStringLiteral("image/head/head_12.png"));
        QCOMPARE(KivContactQueries::ByUid(10001).head, 12);
        QCOMPARE(session.mainWindow()->m_headIndex, 12);
        // A head change is a profile save: the main window says it worked.
        QTRY_COMPARE(m_closer->texts(), QStringList{QStringLiteral("修改成功")});
    }

    // The record carries the whole profile: a head change keeps the rest of
    // the stored profile byte for byte, or sends nothing and says why.
    void builtInHeadKeepsTheRestOfTheProfile_data() {
        QTest::addColumn<QString>("sign");
        QTest::addColumn<bool>("ownRow");
        QTest::addColumn<QString>("message");
        QTest::newRow("long signature that fits") << QString(120, QLatin1Char('s')) << true << "";
        QTest::newRow("signature beyond the field")
            << QString(50, QChar(0x4E2D)) << true << "个性签名过长，无法保存，请先在个人资料中删减";
        QTest::newRow("no own row") << "" << false << "未能读取个人资料，请稍后再试";
    }
    void builtInHeadKeepsTheRestOfTheProfile() {
        QFETCH(QString, sign);
        QFETCH(bool, ownRow);
        QFETCH(QString, message);
        KivLoggedInSession session;
        QVERIFY(session.start());
        KivContactProfile own = KivContactQueries::ByUid(10001);
        QVERIFY(own.found);
        own.sign = sign;
        own.area = QStringLiteral("Beijing Chaoyang District");
        QVERIFY(KivContactQueries::StoreProfile(own));
        if (!ownRow) {
            QSqlQuery drop(CKivFriendSqlUtilCommon::CreateSqlUtil(
                               CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                               ->database());
            QVERIFY(drop.exec(QStringLiteral("delete from chat_userinfor_table where uid=10001")));
        }
        KivIMChoiceHeadDlg dialog(nullptr, session.session());
        dialog.show();
        dialog.DefaultPage()->Select(12);
        KivThreadSpy results(CKivFriendNetModel::GetInstance(),
                             &CKivFriendNetModel::UpdateUserInfoResult);
        const int sent = session.session().RecordsSent();
        dialog.findChild<QPushButton*>(QStringLiteral("SaveBt"))->click();
        if (!message.isEmpty()) {
            QVERIFY(m_closer->texts().contains(message));
            QVERIFY(dialog.isVisible());
            QCOMPARE(session.session().RecordsSent(), sent);
            return;
        }
        QVERIFY(results.wait(10000));
        // The server's copy, read back the way a search brings it.
        QSqlQuery forget(CKivFriendSqlUtilCommon::CreateSqlUtil(
                             CKivFriendDBModel::GetInstance()->GetDatabaseFile())
                             ->database());
        QVERIFY(
            forget.exec(QStringLiteral("update chat_userinfor_table set sign='', area='' "
                                       "where uid=10001")));
        KivThreadSpy answered(CKivFriendNetModel::GetInstance(),
                              &CKivFriendNetModel::AccountSearchResult);
        SearchRequest search;
        KivInitRecord(search, Search);
        search.uid = 10001;
        KivWriteText(search.account, QByteArray("10001"));
        search.param1 = 1;
        CKivFriendNetModel::GetInstance()->Send_Msg(reinterpret_cast<const char*>(&search),
                                                    int(sizeof(search)));
        QVERIFY(answered.wait(10000));
        const KivContactProfile back = KivContactQueries::ByUid(10001);
        QCOMPARE(back.head, 12);
        QCOMPARE(back.sign, sign);
        QCOMPARE(back.area, own.area);
        QCOMPARE(back.nickName, own.nickName);
    }

    void customHeadIsUploadedAndBecomesTheProfileHead() {
        KivLoggedInSession session;
        QVERIFY(session.start());
        KivIMChoiceHeadDlg dialog(nullptr, session.session());
        dialog.show();
        dialog.CustomBtClicked();
        QVERIFY(dialog.CustomPage()->LoadImage(
            WritePicture(QStringLiteral("me.png"), QSize(900, 600))));
        QSignalSpy changed(&dialog, &KivIMChoiceHeadDlg::AllHeaderChange);
        dialog.findChild<QPushButton*>(QStringLiteral("SaveBt"))->click();
        QVERIFY(dialog.IsUploading());
        QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("SaveBt"))->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(changed.count() == 1, 10000);
        QVERIFY(dialog.NewHead() >= 10000);
        QCOMPARE(KivContactQueries::ByUid(10001).head, dialog.NewHead());
        const QString own = changed.first().first().toString();
        QCOMPARE(own, QStringLiteral("User/10001/image/head.png"));
        QCOMPARE(QImage(own).size(),
                 QSize(KivIMChoiceHeadDlg::kUploadSide, KivIMChoiceHeadDlg::kUploadSide));

        // The file server hands the same picture out.
        QNetworkAccessManager http;
        QNetworkReply* reply = http.get(QNetworkRequest(KivDeploymentConfig().HeadUrl(10001)));
        QSignalSpy done(reply, &QNetworkReply::finished);
        QVERIFY(done.wait(10000));
        QCOMPARE(QImage::fromData(reply->readAll()).size(), QImage(own).size());
        reply->deleteLater();
    }

    void customPageWithoutPictureSendsNothing() {
        KivLoggedInSession session;
        QVERIFY(session.start());
        KivIMChoiceHeadDlg dialog(nullptr, session.session());
        dialog.show();
        dialog.CustomBtClicked();
        const int sent = session.session().RecordsSent();
        dialog.SaveBtClicked();
        QVERIFY(!dialog.IsUploading());
        QCOMPARE(session.session().RecordsSent(), sent);
    }

    void silentServerEndsInUploadErrorAfterTheWatchdog() {
        KivViewTestTree tree;
        // Logs the client in, then never answers an upload.
        KivRecordSink silent;
        const std::unique_ptr<CKivSession> dialogSession = KivNewTestSession();
        QVERIFY(silent.LogIn(10001, "10001"));
        CKivFriendNetModel* net = CKivFriendNetModel::GetInstance();
        {
            KivIMChoiceHeadDlg dialog(nullptr, *dialogSession);
            dialog.SetUploadWatchdog(300);
            dialog.show();
            dialog.CustomBtClicked();
            QVERIFY(dialog.CustomPage()->LoadImage(
                WritePicture(QStringLiteral("me.png"), QSize(64, 64))));
            dialog.SaveBtClicked();
            QVERIFY(dialog.IsUploading());
            QTRY_VERIFY_WITH_TIMEOUT(m_closer->texts().contains(QStringLiteral("upload error")),
                                     10000);
            QVERIFY(!dialog.IsUploading());
            QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("SaveBt"))->isEnabled());
        }
        net->Delete_Socket();
    }
};

KIV_TEST_CLASS(tst_KivIMChoiceHeadDlg)
#include "tst_KivIMChoiceHeadDlg.moc"
