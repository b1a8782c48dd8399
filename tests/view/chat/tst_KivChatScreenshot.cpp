#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

#include "KivScreenGrab.h"
#include "KivTestRegistry.h"
#include "chat/CChatHistoryList.h"
#include "chat/KivChatAttachments.h"
#include "chat/KivChatInput.h"
#include "chat/KivScreenshotPicker.h"
#include "chat/KivTransfers.h"

namespace {

KivScreenshotPicker* OpenPicker() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* picker = qobject_cast<KivScreenshotPicker*>(widget);
            picker && picker->isVisible())
            return picker;
    }
    return nullptr;
}

}  // namespace

// The chat window's screenshot: the window steps aside while the screen's
// picture comes, the picker opens once it is there, and whatever way it ends
// (a region, a cancel, a failure of the desktop) the window comes back.
class tst_KivChatScreenshot : public QObject {
    Q_OBJECT
    std::unique_ptr<QWidget> m_desktop;
    std::unique_ptr<QWidget> m_window;
    KivChatInput* m_input = nullptr;
    KivChatAttachments* m_attachments = nullptr;

private slots:
    void init() {
        // The offscreen platform reads only what a window of ours covers.
        m_desktop = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
        m_desktop->setStyleSheet(QStringLiteral("background: #48c"));
        m_desktop->setGeometry(QGuiApplication::primaryScreen()->geometry());
        m_desktop->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_desktop.get()));
        m_window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(m_window.get());
        auto* history = new CChatHistoryList(m_window.get());
        m_input = new KivChatInput(m_window.get());
        layout->addWidget(history);
        layout->addWidget(m_input);
        m_attachments = new KivChatAttachments(m_window.get(), m_input, history);
        m_window->show();
    }
    void cleanup() {
        if (KivScreenshotPicker* picker = OpenPicker())
            picker->close();
        m_window.reset();
        m_desktop.reset();
    }

    void pickerEnds_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("waiting");
        QTest::newRow("region dragged") << 0 << 1;
        QTest::newRow("Esc") << 1 << 0;
    }
    void pickerEnds() {
        QFETCH(int, how);
        QFETCH(int, waiting);
        m_attachments->TakeScreenshot();
        QVERIFY(!m_window->isVisible());
        // A second press while the first is on its way opens no second picker.
        m_attachments->TakeScreenshot();
        QTRY_VERIFY(OpenPicker());
        KivScreenshotPicker* picker = OpenPicker();
        QCOMPARE(m_attachments->findChildren<KivScreenGrab*>().size(), 1);
        QVERIFY(!m_window->isVisible());
        if (how == 0) {
            QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(10, 10));
            QTest::mouseMove(picker, QPoint(60, 50));
            QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(60, 50));
        } else {
            QTest::keyClick(picker, Qt::Key_Escape);
        }
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_attachments->Waiting(), waiting);
        QTRY_VERIFY(!OpenPicker());
        // Ready for the next one.
        QTRY_COMPARE(m_attachments->findChildren<KivScreenGrab*>().size(), 0);
        m_attachments->TakeScreenshot();
        QTRY_VERIFY(OpenPicker());
    }

    // The desktop gives no picture (a refused or unanswered portal): the user
    // is told, the window comes back and no picker opens.
    void failedGrabIsTold() {
        QSignalSpy refused(m_attachments, &KivChatAttachments::Refused);
        m_attachments->TakeScreenshot();
        KivScreenGrab* grab = m_attachments->findChild<KivScreenGrab*>();
        QVERIFY(grab);
        emit grab->Failed(QStringLiteral("截图被取消"));
        QVERIFY(m_window->isVisible());
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused.first().first().toString(), QStringLiteral("截图失败：截图被取消"));
        QTest::qWait(400);
        QVERIFY(!OpenPicker());
        QCOMPARE(m_attachments->findChildren<KivScreenGrab*>().size(), 0);
    }
};

KIV_TEST_CLASS(tst_KivChatScreenshot)
#include "tst_KivChatScreenshot.moc"
