#pragma once

#include <QImage>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <mutex>

#include "KivVideoDelivery.h"

// Where a call's pictures are drawn. Under X11 a video sink draws straight
// into a native window by its id. Wayland gives a client no window ids to
// hand around, so there the window owns a target under an id of this
// process, and the sink delivers each picture to it as an image, which the
// window paints itself.
class KivVideoTarget : public QObject {
    Q_OBJECT
public:
    explicit KivVideoTarget(QObject* parent = nullptr);
    ~KivVideoTarget() override;

    // The id to hand to a video session in place of a native window id.
    std::uintptr_t Id() const { return m_id; }
    // The newest picture; null before the first.
    QImage Latest() const;

signals:
    // On the target's thread, at most once per delivered picture.
    void PictureArrived();

private:
    friend bool KivVideoDeliver(std::uintptr_t, const std::uint8_t*, int, int, int);
    void Take(QImage picture);

    const std::uintptr_t m_id;
    mutable std::mutex m_lock;
    QImage m_latest;
    std::atomic<bool> m_announced{false};
};
