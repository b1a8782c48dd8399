#include <QDialog>
#include <QWidget>
#include <QtTest>

#include "KivTestRegistry.h"
#include "QMessageBroadCast.h"
#include "QMessageBroadCastEvent.h"

namespace {

class CountingDialog : public QDialog {
public:
    explicit CountingDialog(QWidget* parent = nullptr) : QDialog(parent) {}

    int received = 0;
    tagBROADCASTInfo* last = nullptr;

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == QMessageBroadCastEvent::EventType) {
            ++received;
            last = static_cast<QMessageBroadCastEvent*>(event)->info();
        }
    }
};

}  // namespace

class tst_QMessageBroadCast : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QMessageBroadCast::ReleaseInstance(); }

    void duplicatesAndOrder() {
        QMessageBroadCast* registry = QMessageBroadCast::GetInstance();
        QObject a;
        QObject b;
        QStringList calls;
        registry->RegisterWnd(5, &a, [&](tagBROADCASTInfo*) { calls << "a"; });
        registry->RegisterWnd(5, &b, [&](tagBROADCASTInfo*) { calls << "b"; });
        registry->RegisterWnd(5, &a, [&](tagBROADCASTInfo*) { calls << "a2"; });
        registry->RegisterWnd(6, &b, [&](tagBROADCASTInfo*) { calls << "other"; });
        tagBROADCASTInfo info;
        info.topic = 5;
        registry->NotifyRegWnd(&info);
        QCOMPARE(calls, (QStringList{"a", "b", "a2"}));

        calls.clear();
        registry->UnRegisterWnd(5, &a);
        registry->NotifyRegWnd(&info);
        QCOMPARE(calls, (QStringList{"b", "a2"}));
    }

    void emptyAndUnknownTopics() {
        QMessageBroadCast* registry = QMessageBroadCast::GetInstance();
        QObject a;
        int calls = 0;
        registry->RegisterWnd(1, &a, [&](tagBROADCASTInfo*) { ++calls; });
        registry->UnRegisterWnd(1, &a);
        registry->UnRegisterWnd(1, &a);
        registry->UnRegisterWnd(99, &a);
        tagBROADCASTInfo info;
        info.topic = 1;
        registry->NotifyRegWnd(&info);
        info.topic = 2;
        registry->NotifyRegWnd(&info);
        registry->NotifyRegWnd(nullptr);
        QCOMPARE(calls, 0);
    }

    void receiverMayUnregisterWhileNotified() {
        QMessageBroadCast* registry = QMessageBroadCast::GetInstance();
        QObject a;
        QObject b;
        int calls = 0;
        registry->RegisterWnd(3, &a, [&](tagBROADCASTInfo*) {
            ++calls;
            registry->UnRegisterWnd(3, &b);
        });
        registry->RegisterWnd(3, &b, [&](tagBROADCASTInfo*) { ++calls; });
        tagBROADCASTInfo info;
        info.topic = 3;
        registry->NotifyRegWnd(&info);
        QCOMPARE(calls, 2);
        registry->NotifyRegWnd(&info);
        QCOMPARE(calls, 3);
    }

    void notifyAllReachesEveryDialog() {
        CountingDialog first;
        CountingDialog second;
        CountingDialog child(&first);
        QWidget plain;
        tagBROADCASTInfo info;
        info.topic = 42;
        QMessageBroadCast::GetInstance()->NotifyAllWnd(&info);
        QCOMPARE(first.received, 1);
        QCOMPARE(second.received, 1);
        QCOMPARE(child.received, 1);
        QCOMPARE(first.last, &info);
    }
};

KIV_TEST_CLASS(tst_QMessageBroadCast)
#include "tst_QMessageBroadCast.moc"
