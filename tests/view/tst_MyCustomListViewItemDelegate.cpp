#include <QListView>
#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include "KivTestRegistry.h"
#include "MyCustomListViewItem.h"
#include "MyCustomListViewItemDelegate.h"
#include "MyListModel.h"

class tst_MyCustomListViewItemDelegate : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previous;

    static const int Width = 300;
    static const int Height = 45;

    static void writePicture(const QString& path, const QColor& color) {
        QDir().mkpath(QFileInfo(path).path());
        QImage image(64, 64, QImage::Format_RGB32);
        image.fill(color);
        QVERIFY(image.save(path));
    }

    static QImage paintRow(const MyCustomListViewItemDelegate& delegate, const QStringList& row,
                           QStyle::State state = QStyle::State_Enabled,
                           const QColor& ground = Qt::white) {
        MyListModel model;
        model.getData({row});
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, Width, Height);
        option.state = state;
        QImage image(Width, Height, QImage::Format_RGB32);
        image.fill(ground);
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0));
        return image;
    }

    static int inkIn(const QImage& image, const QRect& area, const QColor& ground) {
        int ink = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                ink += image.pixelColor(x, y) != ground ? 1 : 0;
            }
        }
        return ink;
    }

    // Head at x 10..49; the texts start at x 60, the name line above the middle.
    static QRect nameArea() { return QRect(60, 0, 180, 21); }
    static QRect lineArea() { return QRect(60, 23, 180, 20); }
    static QPoint headCentre() { return QPoint(30, 22); }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_previous = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        // The skin's tip picture, so styling the rows finds it.
        QDir().mkpath(QStringLiteral("Resources/skin/kivimmaindlg"));
        QImage tip(24, 16, QImage::Format_ARGB32);
        tip.fill(QColor(230, 60, 60));
        QVERIFY(tip.save(QStringLiteral("Resources/skin/kivimmaindlg/messageTipLabel.png")));
    }
    void cleanup() {
        QDir::setCurrent(m_previous);
        m_dir.reset();
    }

    void rowSize() {
        MyCustomListViewItemDelegate delegate;
        const QSize hint = delegate.sizeHint(QStyleOptionViewItem(), QModelIndex());
        QCOMPARE(hint, delegate.item()->minimumSize());
        QCOMPARE(hint.height(), Height);
        // The second line alone needs 180 pixels beside the head.
        QVERIFY(hint.width() >= 10 + 40 + 10 + 180);
        // Long texts must not widen the rows.
        paintRow(delegate,
                 {QString(200, QLatin1Char('W')), QString(), QString(300, QLatin1Char('W'))});
        QCOMPARE(delegate.sizeHint(QStyleOptionViewItem(), QModelIndex()), hint);
    }

    void paintsTheTexts() {
        MyCustomListViewItemDelegate delegate;
        const QColor white(Qt::white);
        const QImage blank = paintRow(delegate, {QString(), QString(), QString()});
        QCOMPARE(inkIn(blank, nameArea(), white), 0);
        QCOMPARE(inkIn(blank, lineArea(), white), 0);

        const QImage alice =
            paintRow(delegate, {QStringLiteral("Alice"), QString(), QStringLiteral("hello")});
        QVERIFY(inkIn(alice, nameArea(), white) > 0);
        QVERIFY(inkIn(alice, lineArea(), white) > 0);

        const QImage bob =
            paintRow(delegate, {QStringLiteral("Bob"), QString(), QStringLiteral("hello")});
        QVERIFY(bob != alice);
        QCOMPARE(bob.copy(lineArea()), alice.copy(lineArea()));
        const QImage otherLine =
            paintRow(delegate, {QStringLiteral("Alice"), QString(), QStringLiteral("bye")});
        QCOMPARE(otherLine.copy(nameArea()), alice.copy(nameArea()));
        QVERIFY(otherLine.copy(lineArea()) != alice.copy(lineArea()));
    }

    void staysInsideItsRow() {
        MyCustomListViewItemDelegate delegate;
        MyListModel model;
        model.getData({{QStringLiteral("Alice"), QString(), QStringLiteral("hello")}});
        QStyleOptionViewItem option;
        // Narrower and lower than the row's minimum size, placed in the middle.
        option.rect = QRect(20, 30, 150, 20);
        QImage image(Width, 100, QImage::Format_RGB32);
        image.fill(Qt::black);
        option.state = QStyle::State_Selected;
        {
            QPainter painter(&image);
            delegate.paint(&painter, option, model.index(0));
        }
        QCOMPARE(image.pixelColor(25, 35), QColor(253, 235, 169));
        QImage outside = image;
        QPainter cover(&outside);
        cover.fillRect(option.rect, Qt::black);
        cover.end();
        QCOMPARE(inkIn(outside, outside.rect(), Qt::black), 0);
    }

    void background_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("plain") << int(QStyle::State_Enabled) << QColor(Qt::white);
        QTest::newRow("hover") << int(QStyle::State_MouseOver) << QColor(247, 247, 247);
        QTest::newRow("selected") << int(QStyle::State_Selected) << QColor(253, 235, 169);
        QTest::newRow("selected under mouse")
            << int(QStyle::State_Selected | QStyle::State_MouseOver) << QColor(253, 235, 169);
    }
    void background() {
        QFETCH(int, state);
        QFETCH(QColor, colour);
        MyCustomListViewItemDelegate delegate;
        const QImage image = paintRow(delegate, {QStringLiteral("Alice"), QString(), QString()},
                                      QStyle::State(state));
        QCOMPARE(image.pixelColor(4, 20), colour);
        QCOMPARE(image.pixelColor(Width - 2, 30), colour);
    }

    void headPictures() {
        writePicture(QStringLiteral("image/head/head.png"), Qt::red);
        writePicture(QStringLiteral("image/head/head_7.png"), Qt::blue);
        QFile broken(QStringLiteral("image/head/broken.png"));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a picture");
        broken.close();
        MyCustomListViewItemDelegate delegate;
        auto headOf = [&](const QString& path) {
            return paintRow(delegate, {QStringLiteral("A"), path, QString()})
                .pixelColor(headCentre());
        };
        QCOMPARE(headOf(QStringLiteral("image/head/head_7.png")), QColor(Qt::blue));
        QCOMPARE(headOf(QStringLiteral("image/head/missing.png")), QColor(Qt::red));
        QCOMPARE(headOf(QString()), QColor(Qt::red));
        QCOMPARE(headOf(QStringLiteral("image/head/broken.png")), QColor(Qt::red));
        QCOMPARE(headOf(QStringLiteral("image/head")), QColor(Qt::red));

        // A picture replaced on disk (a downloaded head) shows its new look.
        QImage green(64, 64, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(green.save(QStringLiteral("image/head/head_7.png")));
        QFile replaced(QStringLiteral("image/head/head_7.png"));
        QVERIFY(replaced.open(QIODevice::ReadWrite));
        QVERIFY(replaced.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
        replaced.close();
        QCOMPARE(headOf(QStringLiteral("image/head/head_7.png")), QColor(Qt::green));
    }

    void tipCounts() {
        MyCustomListViewItem item;
        QVERIFY(!item.IsTipShown());
        item.ShowTip(3);
        QVERIFY(item.IsTipShown());
        QCOMPARE(item.TipText(), QStringLiteral("3"));
        item.ShowTip(120);
        QCOMPARE(item.TipText(), QStringLiteral("99+"));
        item.HideTip();
        QVERIFY(!item.IsTipShown());
    }

    void tipIsPainted() {
        MyCustomListViewItemDelegate delegate;
        const QStringList row{QStringLiteral("A"), QString(), QString()};
        const QColor ground(Qt::black);
        const QRect tipArea(Width - 30, 0, 30, 22);
        const QImage without = paintRow(delegate, row, QStyle::State_Enabled, ground);
        delegate.item()->ShowTip(8);
        const QImage with = paintRow(delegate, row, QStyle::State_Enabled, ground);
        QCOMPARE(inkIn(without, tipArea, ground), 0);
        QVERIFY(inkIn(with, tipArea, ground) > 0);
        // The tip sits beside the name line without moving it.
        QCOMPARE(with.copy(nameArea().adjusted(0, 0, -60, 0)),
                 without.copy(nameArea().adjusted(0, 0, -60, 0)));
    }

    void blinking() {
        MyCustomListViewItem item;
        QSignalSpy blinked(&item, &MyCustomListViewItem::Blinked);
        item.ShowTip(2);
        item.StartBlink();
        QVERIFY(item.IsBlinking());
        item.timeEnd();
        QVERIFY(!item.IsTipShown());
        item.timeEnd();
        QVERIFY(item.IsTipShown());
        item.timeEnd();
        QCOMPARE(blinked.count(), 3);
        // Stopping in the dark phase shows the tip again while messages wait.
        item.StopBlink();
        QVERIFY(!item.IsBlinking());
        QVERIFY(item.IsTipShown());
        // Without waiting messages a blink never shows an empty tip.
        item.HideTip();
        item.timeEnd();
        QVERIFY(!item.IsTipShown());
    }

    void blinkRepaintsTheView() {
        QListView view;
        MyListModel model;
        model.getData({{QStringLiteral("A"), QString(), QString()}});
        view.setModel(&model);
        auto* delegate = new MyCustomListViewItemDelegate(&view);
        view.setItemDelegate(delegate);
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                paints += event->type() == QEvent::Paint ? 1 : 0;
                return false;
            }
        } counter;
        view.viewport()->installEventFilter(&counter);
        QCoreApplication::processEvents();
        counter.paints = 0;
        delegate->item()->ShowTip(1);
        delegate->item()->timeEnd();
        QTRY_VERIFY(counter.paints > 0);
    }
};

KIV_TEST_CLASS(tst_MyCustomListViewItemDelegate)
#include "tst_MyCustomListViewItemDelegate.moc"
