#include <QDirIterator>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "KivTestRegistry.h"

// The pictures of the data tree: the ones the client opens by name with the
// sizes its layout relies on, the HiDPI twins, the folders the client lists
// file by file, and a generator that always writes the same bytes.
class tst_KivDataPictures : public QObject {
    Q_OBJECT

private:
    const QDir m_root{QStringLiteral(KIV_DATA_ROOT)};

    static QImage load(const QString& file) {
        QImageReader reader(file);
        reader.setAutoTransform(false);
        return reader.read();
    }

    static QString twin(const QString& file) {
        return file.left(file.size() - 4) + QStringLiteral("@2x.png");
    }

    QStringList pngFiles(const QString& folder) const {
        QStringList files;
        QDirIterator it(m_root.filePath(folder), {QStringLiteral("*.png")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        return files;
    }

    static bool hasInk(const QImage& image) {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < argb.height(); ++y) {
            const QRgb* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < argb.width(); ++x) {
                if (qAlpha(line[x]) > 0)
                    return true;
            }
        }
        return false;
    }

private slots:
    void namedPicture_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        const auto row = [](const char* path, QSize size) {
            QTest::newRow(path) << QString::fromLatin1(path) << size;
        };
        const QSize any;
        row("Resources/skin/SysIcon.png", QSize(64, 64));
        row("Resources/skin/kivimmaindlg/glint.png", QSize(64, 64));
        for (const char* stem : {"closeBt", "minBt", "maxBt"}) {
            for (const char* state : {"_general", "_hover", "_press"}) {
                const QByteArray path = QByteArray("Resources/skin/") + stem + state + ".png";
                QTest::newRow(path.constData()) << QString::fromLatin1(path) << QSize(32, 26);
            }
        }
        row("Resources/skin/kivimmaindlg/messageTipLabel.png", QSize(18, 18));
        for (const char* tab : {"pushButton", "pushButton_2", "pushButton_3"}) {
            for (const char* state : {"", "_press"}) {
                const QByteArray path =
                    QByteArray("Resources/skin/kivimmaindlg/") + tab + state + ".png";
                QTest::newRow(path.constData()) << QString::fromLatin1(path) << QSize(93, 36);
            }
        }
        row("Resources/skin/kivLoginDlg/backgroung_Image.png", QSize(430, 330));
        row("Resources/skin/kivLoginDlg/Account.png", QSize(16, 16));
        row("Resources/skin/kivLoginDlg/passWd.png", QSize(16, 16));
        // The row delete button is placed 27 x 25 and stretched to its picture.
        row("Resources/skin/kivLoginDlg/a.png", QSize(27, 25));
        row("Resources/skin/kivLoginDlg/b.png", QSize(27, 25));
        row("Resources/skin/kivLoginDlg/c.png", QSize(27, 25));
        row("Resources/skin/kivLoginDlg/v.png", any);
        row("Resources/skin/kivLoginDlg/v1.png", any);
        row("Resources/skin/kivLoginDlg/eye_on.png", QSize(20, 20));
        row("Resources/skin/kivLoginDlg/eye_off.png", QSize(20, 20));
        row("Resources/skin/kivMessageBox/backImage.png", QSize(320, 180));
        row("Resources/skin/kivMessageBox/bBtn1Name.png", QSize(81, 31));
        row("Resources/skin/kivMessageBox/bBtn2Name.png", QSize(81, 31));
        row("Resources/skin/kivchatmsgbox/messageBoxTitle.png", QSize(212, 38));
        row("Resources/skin/kivchatmsgbox/titleLabel.png", any);
        row("Resources/skin/ImMediaCueDlg/backImage.png", QSize(300, 160));
        row("Resources/skin/kivIMChatDlg/backImage.png", QSize(573, 533));
        row("Resources/skin/kivIMChatDlg/sKeyBackImage.png", QSize(184, 42));
        row("Resources/skin/kivIMChatDlg/IsSelect.png", any);
        for (const char* style : {"fontBoldfaceBtn", "fontItalicBtn", "fontUnderlineBtn"}) {
            for (const char* state : {"", "_press"}) {
                const QByteArray path =
                    QByteArray("Resources/skin/kivIMChatDlg/") + style + state + ".png";
                QTest::newRow(path.constData()) << QString::fromLatin1(path) << any;
            }
        }
        for (const char* part : {"LT", "LB", "RT", "RB", "line"}) {
            const QByteArray path =
                QByteArray("Resources/skin/kivIMChatDlg/HistoryList/") + part + ".png";
            QTest::newRow(path.constData()) << QString::fromLatin1(path) << any;
        }
        row("Resources/skin/CKivIMfaceDlg/bottom.png", QSize(450, 40));
        row("Resources/skin/CKivImChatRecordDlg/dataitimeLineL.png", any);
        row("Resources/skin/CKivImChatRecordDlg/dataitimeLineR.png", any);
        row("Resources/skin/CKivIMAddFriendDlg/backImage.png", any);
        row("Resources/skin/KivIMAddFriendTipDlg/AddFriendTipDlgBackImage.png", any);
        row("Resources/skin/KivIMAddFriendTipDlg/ItemBackImage.png", any);
        for (const char* button : {"m_pAccept", "m_pRef"}) {
            for (const char* state : {"", "_hover", "_press"}) {
                const QByteArray path =
                    QByteArray("Resources/skin/KivIMAddFriendTipDlg/") + button + state + ".png";
                QTest::newRow(path.constData()) << QString::fromLatin1(path) << any;
            }
        }
        row("Resources/skin/kivChoiceHeaddlg/bkground.png", any);
        row("Resources/skin/kivChoiceHeaddlg/HeadBk.png", any);
        row("Resources/skin/kivChoiceHeaddlg/HeadBkSel.png", any);
        row("Resources/skin/kivChoiceHeaddlg/SwitchBtSel.png", any);
        row("Resources/skin/kivChoiceHeaddlg/HeaderViewLarge.png", QSize(124, 124));
        row("Resources/skin/kivChoiceHeaddlg/HeaderViewSmall.png", QSize(53, 53));
        row("Resources/skin/kivPersonalInfoDlg/nikeName_Hover.png", any);
        row("Resources/skin/kivPersonalInfoDlg/Sign_Hover.png", any);
        row("Resources/skin/CKivFriendSysSettingDlg/Set.png", any);
        row("Resources/skin/CKivFriendSysSettingDlg/SysSettingDlgBackImage1.png", any);
        row("Resources/skin/kivRegisterDlg/backgroung_Image.png", any);
        row("Resources/skin/kivRecoverPassWdDlg/backImage.png", any);
        row("Resources/skin/kivimplaydlg/banner.png", any);
        for (const char* button : {"Down", "Start"}) {
            for (const char* state : {"", "_hover", "_press"}) {
                const QByteArray path =
                    QByteArray("Resources/skin/kivimplaydlg/") + button + state + ".png";
                QTest::newRow(path.constData()) << QString::fromLatin1(path) << any;
            }
        }
    }
    void namedPicture() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image = load(m_root.filePath(path));
        QVERIFY2(!image.isNull(), qPrintable(path));
        if (size.isValid())
            QCOMPARE(image.size(), size);
        QVERIFY2(hasInk(image), "the picture is fully transparent");
    }

    // Every skin picture has a twin drawn at twice its size, and no twin is
    // left without its 1x picture.
    void skinPicturesHaveHiDpiTwins() {
        const QStringList files = pngFiles(QStringLiteral("Resources"));
        QVERIFY(files.size() > 100);
        for (const QString& file : files) {
            if (file.endsWith(QLatin1String("@2x.png"))) {
                const QString base = file.left(file.size() - 7) + QStringLiteral(".png");
                QVERIFY2(QFileInfo::exists(base), qPrintable(file));
                continue;
            }
            const QImage one = load(file);
            const QImage two = load(twin(file));
            QVERIFY2(!one.isNull() && !two.isNull(), qPrintable(file));
            QCOMPARE(two.size(), one.size() * 2);
            QVERIFY2(hasInk(one), qPrintable(file));
        }
    }

    // The client lists these folders file by file (the head choice shows
    // every head_<n>.png and parses n; the picker turns every face and gift
    // into an item and reads a gift's name as its price), so they hold only
    // such pictures, drawn large enough for 2x screens.
    void listedFolder_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("minimumSide");
        QTest::addColumn<int>("minimumCount");
        QTest::newRow("heads") << QStringLiteral("image/head")
                               << QStringLiteral("^head(_(0|[1-9][0-9]*))?$") << 150 << 13;
        QTest::newRow("faces") << QStringLiteral("image/face") << QStringLiteral("^[^@\\[\\]/]+$")
                               << 120 << 20;
        QTest::newRow("gifts") << QStringLiteral("image/gift") << QStringLiteral("^[1-9][0-9]*$")
                               << 120 << 6;
    }
    void listedFolder() {
        QFETCH(QString, folder);
        QFETCH(QString, pattern);
        QFETCH(int, minimumSide);
        QFETCH(int, minimumCount);
        const QFileInfoList entries =
            QDir(m_root.filePath(folder)).entryInfoList(QDir::Files | QDir::NoDotAndDotDot);
        QVERIFY(entries.size() >= minimumCount);
        // The picker grid holds 7 x 9 items.
        QVERIFY(entries.size() <= 63 || folder == QLatin1String("image/head"));
        const QRegularExpression name(pattern);
        for (const QFileInfo& entry : entries) {
            QCOMPARE(entry.suffix(), QStringLiteral("png"));
            QVERIFY2(name.match(entry.completeBaseName()).hasMatch(), qPrintable(entry.fileName()));
            const QImage image = load(entry.filePath());
            QVERIFY2(!image.isNull(), qPrintable(entry.fileName()));
            QCOMPARE(image.width(), image.height());
            QVERIFY(image.width() >= minimumSide);
            QVERIFY2(hasInk(image), qPrintable(entry.fileName()));
        }
    }

    // Stock heads are numbered from 0 without gaps, so any head index the
    // server hands out below their count has a picture; head.png is the default.
    void stockHeadsAreContiguous() {
        QVERIFY(QFileInfo::exists(m_root.filePath(QStringLiteral("image/head/head.png"))));
        const int count = QDir(m_root.filePath(QStringLiteral("image/head")))
                              .entryList({QStringLiteral("head_*.png")}, QDir::Files)
                              .size();
        QVERIFY(count >= 12);
        for (int n = 0; n < count; ++n)
            QVERIFY2(
                QFileInfo::exists(m_root.filePath(QStringLiteral("image/head/head_%1.png").arg(n))),
                qPrintable(QString::number(n)));
    }

    // Heads fill their square, so they look right both cut round (the round
    // head button) and shown square (lists, tiles).
    void headsFillTheirSquare() {
        for (const QString& file : pngFiles(QStringLiteral("image/head"))) {
            const QImage head = load(file).convertToFormat(QImage::Format_ARGB32);
            const int last = head.width() - 1;
            for (const QPoint& corner :
                 {QPoint(0, 0), QPoint(last, 0), QPoint(0, last), QPoint(last, last)})
                QVERIFY2(qAlpha(head.pixel(corner)) == 255, qPrintable(file));
        }
    }

    // Stock heads must tell people apart: no two are the same picture.
    void stockHeadsDiffer() {
        QSet<QByteArray> seen;
        for (const QString& file : pngFiles(QStringLiteral("image/head"))) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray bytes = f.readAll();
            QVERIFY2(!seen.contains(bytes), qPrintable(file));
            seen.insert(bytes);
        }
    }

    // A second run of the generator writes exactly the files of the data tree.
    void generatorIsDeterministic() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QProcess generator;
        generator.start(QStringLiteral(KIV_ARTGEN), {out.path()});
        QVERIFY(generator.waitForFinished(60000));
        QCOMPARE(generator.exitStatus(), QProcess::NormalExit);
        QCOMPARE(generator.exitCode(), 0);
        int compared = 0;
        QDirIterator it(out.path(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString fresh = it.next();
            const QString relative = QDir(out.path()).relativeFilePath(fresh);
            QFile a(fresh);
            QFile b(m_root.filePath(relative));
            QVERIFY(a.open(QIODevice::ReadOnly));
            QVERIFY2(b.open(QIODevice::ReadOnly), qPrintable(relative));
            QVERIFY2(a.readAll() == b.readAll(), qPrintable(relative));
            ++compared;
        }
        QVERIFY(compared > 100);
    }
};

KIV_TEST_CLASS(tst_KivDataPictures)
#include "tst_KivDataPictures.moc"
