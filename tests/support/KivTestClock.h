#pragma once

#include <QObject>
#include <QPointer>
#include <algorithm>
#include <vector>

#include "KivTimerSource.h"

// A clock the test moves by hand: its timers fire inside Advance, in the
// order they fall due, and never on their own.
class KivTestClock : public KivTimerSource {
public:
    std::unique_ptr<KivTimer> Make(QObject* context, std::function<void()> fire) override {
        auto entry = std::make_shared<Entry>();
        entry->context = context;
        entry->fire = std::move(fire);
        m_entries.push_back(entry);
        return std::make_unique<Timer>(*this, entry);
    }

    // Moves time on by `ms`, firing what falls due meanwhile.
    void Advance(qint64 ms) {
        const qint64 until = m_now + ms;
        for (;;) {
            std::shared_ptr<Entry> next;
            for (const std::weak_ptr<Entry>& weak : m_entries) {
                std::shared_ptr<Entry> entry = weak.lock();
                if (entry && entry->active && entry->due <= until &&
                    (!next || entry->due < next->due ||
                     (entry->due == next->due && entry->order < next->order)))
                    next = entry;
            }
            if (!next)
                break;
            m_now = std::max(m_now, next->due);
            next->active = false;
            if (next->context)
                next->fire();
        }
        m_now = until;
        m_entries.erase(
            std::remove_if(m_entries.begin(), m_entries.end(),
                           [](const std::weak_ptr<Entry>& weak) { return weak.expired(); }),
            m_entries.end());
    }
    qint64 Now() const { return m_now; }
    // How long until the next timer falls due; -1 when none waits.
    qint64 NextDue() const {
        qint64 next = -1;
        for (const std::weak_ptr<Entry>& weak : m_entries) {
            const std::shared_ptr<Entry> entry = weak.lock();
            if (entry && entry->active && (next < 0 || entry->due - m_now < next))
                next = entry->due - m_now;
        }
        return next;
    }

private:
    struct Entry {
        QPointer<QObject> context;
        std::function<void()> fire;
        qint64 due = 0;
        quint64 order = 0;
        bool active = false;
    };
    class Timer : public KivTimer {
    public:
        Timer(KivTestClock& clock, std::shared_ptr<Entry> entry)
            : m_clock(clock), m_entry(std::move(entry)) {}
        void Start(int ms) override {
            m_entry->due = m_clock.m_now + std::max(0, ms);
            m_entry->order = ++m_clock.m_order;
            m_entry->active = true;
        }
        void Stop() override { m_entry->active = false; }
        bool IsActive() const override { return m_entry->active; }

    private:
        KivTestClock& m_clock;
        std::shared_ptr<Entry> m_entry;
    };

    qint64 m_now = 0;
    quint64 m_order = 0;
    std::vector<std::weak_ptr<Entry>> m_entries;
};
