#include "CFrameQueue.h"

#include <cstring>
#include <new>

#include "NetSourceKeyUnit.h"

CFrameQueue::PushResult CFrameQueue::Push(const std::uint8_t* data, int length, int tag) {
    if (data == nullptr || length <= 0) {
        return PushResult::Empty;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (length > m_unitLimit) {
            return PushResult::TooLarge;
        }
        Slot& slot = m_slots[static_cast<size_t>(m_write)];
        if (slot.ready) {
            m_haveKey = false;
            return PushResult::SlotBusy;
        }
        if (IsNetSourceKeyUnit(data, length)) {
            m_haveKey = true;
        }
        if (!m_haveKey) {
            return PushResult::NoKey;
        }
        if (slot.bytes.size() < static_cast<size_t>(length)) {
            try {
                slot.bytes.resize(static_cast<size_t>(length));
            } catch (const std::bad_alloc&) {
                // The stream now has a hole: wait for the next key unit.
                m_haveKey = false;
                return PushResult::NoMemory;
            }
        }
        std::memcpy(slot.bytes.data(), data, static_cast<size_t>(length));
        slot.length = length;
        slot.tag = tag;
        slot.ready = true;
        m_write = (m_write + 1) % kSlots;
    }
    m_changed.notify_all();
    return PushResult::Queued;
}

bool CFrameQueue::Pop(std::vector<std::uint8_t>& unit, int& tag) {
    std::unique_lock<std::mutex> guard(m_lock);
    const std::uint64_t resets = m_resets;
    m_changed.wait(guard, [&] {
        return m_released || m_resets != resets || m_slots[static_cast<size_t>(m_read)].ready;
    });
    Slot& slot = m_slots[static_cast<size_t>(m_read)];
    if (m_released || m_resets != resets || !slot.ready) {
        return false;
    }
    unit.assign(slot.bytes.begin(), slot.bytes.begin() + slot.length);
    tag = slot.tag;
    slot.length = 0;
    slot.ready = false;
    m_read = (m_read + 1) % kSlots;
    return true;
}

void CFrameQueue::SetUnitLimit(int bytes) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_unitLimit = bytes;
    // Slots that grew for larger units give their memory back.
    for (Slot& slot : m_slots) {
        if (!slot.ready && slot.bytes.size() > static_cast<size_t>(bytes)) {
            std::vector<std::uint8_t>().swap(slot.bytes);
        }
    }
}

void CFrameQueue::Reset() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (Slot& slot : m_slots) {
            slot.length = 0;
            slot.ready = false;
        }
        m_read = 0;
        m_write = 0;
        m_haveKey = false;
        ++m_resets;
    }
    m_changed.notify_all();
}

void CFrameQueue::Release() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_released = true;
    }
    m_changed.notify_all();
}

void CFrameQueue::Resume() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_released = false;
}
