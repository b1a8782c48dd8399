#include "KivTimerSource.h"

#include <QPointer>
#include <QTimer>

namespace {

class KivLoopTimer : public KivTimer {
public:
    KivLoopTimer(QObject* context, std::function<void()> fire) : m_timer(new QTimer(context)) {
        m_timer->setSingleShot(true);
        QObject::connect(m_timer, &QTimer::timeout, context, std::move(fire));
    }
    // Later: the timer may be going from inside its own firing.
    ~KivLoopTimer() override {
        if (!m_timer)
            return;
        m_timer->stop();
        m_timer->disconnect();
        m_timer->deleteLater();
    }
    void Start(int ms) override {
        if (m_timer)
            m_timer->start(ms);
    }
    void Stop() override {
        if (m_timer)
            m_timer->stop();
    }
    bool IsActive() const override { return m_timer && m_timer->isActive(); }

private:
    // A child of the context: it goes with it when the context goes first.
    QPointer<QTimer> m_timer;
};

class KivLoopTimers : public KivTimerSource {
public:
    std::unique_ptr<KivTimer> Make(QObject* context, std::function<void()> fire) override {
        return std::make_unique<KivLoopTimer>(context, std::move(fire));
    }
};

}  // namespace

KivTimerSource& KivTimerSource::EventLoop() {
    static KivLoopTimers timers;
    return timers;
}
