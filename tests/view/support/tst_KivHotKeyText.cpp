#include <QtTest>

#include "KivHotKey.h"
#include "KivTestRegistry.h"
#include "support/KivHotKeyText.h"

class tst_KivHotKeyText : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("empty");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<uint>("modifiers");
        QTest::addColumn<uint>("key");
        const uint ctrl = KivHotKey::ModControl;
        const uint alt = KivHotKey::ModAlt;
        const uint shift = KivHotKey::ModShift;
        QTest::newRow("nothing") << "" << true << false << 0u << 0u;
        QTest::newRow("modifier without key") << "Ctrl + " << true << false << 0u << 0u;
        QTest::newRow("one modifier") << "Ctrl + A" << false << true << ctrl << uint('A');
        QTest::newRow("pair") << "Ctrl + Alt + Z" << false << true << (ctrl | alt) << uint('Z');
        QTest::newRow("pair either order")
            << "Shift + Alt + 1" << false << true << (alt | shift) << uint('1');
        QTest::newRow("three") << "Ctrl + Alt + Shift + Q" << false << true << (ctrl | alt | shift)
                               << uint('Q');
        QTest::newRow("same word twice") << "Alt + Alt + Q" << false << false << 0u << uint('Q');
        QTest::newRow("unknown word") << "Win + Q" << false << false << 0u << uint('Q');
        QTest::newRow("small letter") << "Alt + q" << false << true << alt << uint('Q');
        QTest::newRow("F1") << "F1" << false << true << 0u << KivHotKey::kVirtualKeyF1;
        QTest::newRow("F12") << "F12" << false << true << 0u << KivHotKey::kVirtualKeyF1 + 11;
        QTest::newRow("F13") << "F13" << false << false << 0u << 0u;
        QTest::newRow("letter alone") << "Q" << false << false << 0u << 0u;
        QTest::newRow("wide key") << "Ctrl + 中" << false << false << ctrl << 0u;
    }
    void parse() {
        QFETCH(QString, text);
        QFETCH(bool, empty);
        QFETCH(bool, valid);
        QFETCH(uint, modifiers);
        QFETCH(uint, key);
        const KivHotKeyText parsed = KivHotKeyText::Parse(text);
        QCOMPARE(parsed.empty, empty);
        QCOMPARE(parsed.valid, valid);
        if (valid) {
            QCOMPARE(parsed.modifiers, modifiers);
            QCOMPARE(parsed.virtualKey, key);
        }
    }
};

KIV_TEST_CLASS(tst_KivHotKeyText)
#include "tst_KivHotKeyText.moc"
