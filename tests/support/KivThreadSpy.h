#pragma once

#include <QList>
#include <QObject>
#include <QTest>
#include <QVariant>
#include <type_traits>

// A signal spy for signals emitted on another thread, such as the net model's
// receive thread. QSignalSpy records on the emitting thread while the test
// reads its list on its own; here every call is queued to the spy's thread,
// so only the test's thread ever touches the list.
class KivThreadSpy : public QObject, public QList<QList<QVariant>> {
public:
    template <class Sender, class... Args>
    KivThreadSpy(const Sender* sender, void (Sender::*signal)(Args...)) {
        connect(
            sender, signal, this,
            [this](std::decay_t<Args>... args) {
                append(QList<QVariant>{QVariant::fromValue(args)...});
            },
            Qt::QueuedConnection);
    }

    // True once one more call than now has arrived within `timeout` ms.
    bool wait(int timeout = 5000) {
        const int before = count();
        return QTest::qWaitFor([this, before] { return count() > before; }, timeout);
    }
};
