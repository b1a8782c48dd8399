#include <QListView>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "shell/MyCustomListViewItem.h"
#include "shell/MyCustomListViewItemDelegate.h"
#include "shell/MyListModel.h"

class tst_MyCustomListViewItemDelegate : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;
    static const int Width = 300;

    static void writePicture(const QString& path, const QColor& color) {
        QDir().mkpath(QFileInfo(path).path());
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(color);
        QVERIFY(image.save(path));
    }

    static QImage paintRow(const MyCustomListViewItemDelegate& delegate, const QStringList& row,
                           QStyle::State state = QStyle::State_Enabled) {
        MyListModel model;
        model.getData({row});
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, Width, 45);
        option.state = state;
        QImage image(Width, 45, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0));
        return image;
    }

    static bool inked(const QImage& image, const QRect& area) {
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (image.pixelColor(x, y) != Qt::white) {
                    return true;
                }
            }
        }
        return false;
    }

    // The head takes x 10..49; the texts start at x 60, the name line on top.
    static QRect nameArea() { return QRect(60, 0, 180, 21); }
    static QRect lineArea() { return QRect(60, 23, 180, 20); }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        writePicture(QStringLiteral("Resources/skin/kivimmaindlg/messageTipLabel.png"), Qt::red);
    }
    void cleanup() {
        QDir::setCurrent(m_previous);
        m_dir.reset();
    }

    void paintsTheTexts() {
        MyCustomListViewItemDelegate delegate;
        QCOMPARE(delegate.sizeHint({}, {}), delegate.item()->minimumSize());
        QCOMPARE(delegate.sizeHint({}, {}).height(), 45);
        const QImage blank = paintRow(delegate, {QString(), QString(), QString()});
        QVERIFY(!inked(blank, nameArea()) && !inked(blank, lineArea()));
        const QImage alice = paintRow(delegate, {"Alice", QString(), "hello"});
        QVERIFY(inked(alice, nameArea()) && inked(alice, lineArea()));
        const QImage bob = paintRow(delegate, {"Bob", QString(), "hello"});
        QVERIFY(bob.copy(nameArea()) != alice.copy(nameArea()));
        QCOMPARE(bob.copy(lineArea()), alice.copy(lineArea()));
        const QImage bye = paintRow(delegate, {"Alice", QString(), "bye"});
        QVERIFY(bye.copy(lineArea()) != alice.copy(lineArea()));

        // A name that fits is drawn whole, not squeezed by the space beside it.
        const QString name = QStringLiteral("Carol Carolsson");
        const int end =
            60 + QFontMetrics(QFont(QStringLiteral("微软雅黑"), 10)).horizontalAdvance(name);
        QVERIFY(inked(paintRow(delegate, {name, QString(), QString()}), QRect(end - 8, 0, 8, 21)));
        QCOMPARE(delegate.sizeHint({}, {}).height(), 45);
    }

    void background_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("plain") << int(QStyle::State_Enabled) << QColor(Qt::white);
        QTest::newRow("hover") << int(QStyle::State_MouseOver) << QColor(247, 247, 247);
        QTest::newRow("selected") << int(QStyle::State_Selected | QStyle::State_MouseOver)
                                  << QColor(253, 235, 169);
    }
    void background() {
        QFETCH(int, state);
        QFETCH(QColor, colour);
        MyCustomListViewItemDelegate delegate;
        const QImage image = paintRow(delegate, {"A", QString(), QString()}, QStyle::State(state));
        QCOMPARE(image.pixelColor(4, 20), colour);
        QCOMPARE(image.pixelColor(Width - 40, 30), colour);
    }

    void headPictures() {
        writePicture(QStringLiteral("image/head/head.png"), Qt::red);
        writePicture(QStringLiteral("image/head/head_7.png"), Qt::blue);
        QFile broken(QStringLiteral("image/head/broken.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a picture") > 0);
        broken.close();
        MyCustomListViewItemDelegate delegate;
        auto headOf = [&](const QString& path) {
            return paintRow(delegate, {"A", path, QString()}).pixelColor(30, 22);
        };
        QCOMPARE(headOf(QStringLiteral("image/head/head_7.png")), QColor(Qt::blue));
        QCOMPARE(headOf(QStringLiteral("image/head/missing.png")), QColor(Qt::red));
        QCOMPARE(headOf(QStringLiteral("image/head/broken.png")), QColor(Qt::red));
        QCOMPARE(headOf(QString()), QColor(Qt::red));

        // A picture replaced on disk (a downloaded head) shows its new look.
        writePicture(QStringLiteral("image/head/head_7.png"), Qt::green);
        QFile replaced(QStringLiteral("image/head/head_7.png"));
        QVERIFY(replaced.open(QIODevice::ReadWrite));
        QVERIFY(replaced.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
        replaced.close();
        QCOMPARE(headOf(QStringLiteral("image/head/head_7.png")), QColor(Qt::green));
    }

    void tipBlinks() {
        MyCustomListViewItemDelegate delegate;
        MyCustomListViewItem* item = delegate.item();
        const QRect tipArea(Width - 30, 0, 30, 22);
        QVERIFY(!inked(paintRow(delegate, {"A", QString(), QString()}), tipArea));
        item->ShowTip(120);
        QCOMPARE(item->TipText(), QStringLiteral("9+"));
        QVERIFY(inked(paintRow(delegate, {"A", QString(), QString()}), tipArea));

        QSignalSpy blinked(item, &MyCustomListViewItem::Blinked);
        item->StartBlink();
        item->timeEnd();
        QVERIFY(!item->IsTipShown());
        item->timeEnd();
        QVERIFY(item->IsTipShown());
        item->timeEnd();
        QCOMPARE(blinked.count(), 3);
        // Stopping in the dark phase shows the tip again while messages wait.
        item->StopBlink();
        QVERIFY(!item->IsBlinking() && item->IsTipShown());
        item->HideTip();
        item->timeEnd();
        QVERIFY(!item->IsTipShown());
    }

    void blinkRepaintsTheView() {
        QListView view;
        MyListModel model;
        model.getData({{"A", QString(), QString()}});
        view.setModel(&model);
        auto* delegate = new MyCustomListViewItemDelegate(&view);
        view.setItemDelegate(delegate);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                paints += event->type() == QEvent::Paint ? 1 : 0;
                return false;
            }
        } counter;
        QCoreApplication::processEvents();
        view.viewport()->installEventFilter(&counter);
        delegate->item()->ShowTip(1);
        delegate->item()->timeEnd();
        QTRY_VERIFY(counter.paints > 0);
    }
};

KIV_TEST_CLASS(tst_MyCustomListViewItemDelegate)
#include "tst_MyCustomListViewItemDelegate.moc"
