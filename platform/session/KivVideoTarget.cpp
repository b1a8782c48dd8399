#include "KivVideoTarget.h"

#include <map>
#include <mutex>

#include "KivDisplay.h"

namespace {

// The targets of this process by id. Sinks deliver from their streaming
// threads, so the table and each target's lifetime are guarded together:
// a target leaves the table before it is destroyed.
struct Targets {
    std::mutex lock;
    std::map<std::uintptr_t, KivVideoTarget*> byId;
    std::uintptr_t next = 1;
};

Targets& AllTargets() {
    static Targets targets;
    return targets;
}

std::uintptr_t Enter(KivVideoTarget* target) {
    Targets& targets = AllTargets();
    std::lock_guard<std::mutex> locker(targets.lock);
    const std::uintptr_t id = targets.next++;
    targets.byId.emplace(id, target);
    return id;
}

}  // namespace

KivVideoTarget::KivVideoTarget(QObject* parent) : QObject(parent), m_id(Enter(this)) {}

KivVideoTarget::~KivVideoTarget() {
    Targets& targets = AllTargets();
    std::lock_guard<std::mutex> locker(targets.lock);
    targets.byId.erase(m_id);
}

bool KivVideoDrawsNatively() {
    return KivCurrentDisplay() == KivDisplayKind::X11;
}

QImage KivVideoTarget::Latest() const {
    std::lock_guard<std::mutex> locker(m_lock);
    return m_latest;
}

bool KivVideoDeliver(std::uintptr_t id, const std::uint8_t* rgbx, int width, int height,
                     int stride) {
    if (rgbx == nullptr || width <= 0 || height <= 0 || stride < width * 4) {
        return false;
    }
    // Copied before the table is locked: the copy is the slow part.
    QImage picture = QImage(rgbx, width, height, stride, QImage::Format_RGBX8888)
                         .convertToFormat(QImage::Format_RGB32);
    Targets& targets = AllTargets();
    std::lock_guard<std::mutex> locker(targets.lock);
    const auto found = targets.byId.find(id);
    if (found == targets.byId.end()) {
        return false;
    }
    found->second->Take(std::move(picture));
    return true;
}

void KivVideoTarget::Take(QImage picture) {
    {
        std::lock_guard<std::mutex> locker(m_lock);
        m_latest = std::move(picture);
    }
    // One queued announcement at a time: a slow painter sees the newest
    // picture instead of a backlog.
    if (!m_announced.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_announced = false;
                emit PictureArrived();
            },
            Qt::QueuedConnection);
    }
}
