#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

// Compressed units handed from the pushing thread to the streaming thread
// through 15 slots. Nothing is queued until a key unit arrives; a slot still
// unread when the writer comes round drops the unit and asks for a new key,
// so the reader never gets a stream with a hole in it.
class CFrameQueue {
public:
    static constexpr int kSlots = 15;

    enum class PushResult { Queued, Empty, NoKey, SlotBusy, TooLarge, NoMemory };

    PushResult Push(const std::uint8_t* data, int length, int tag);

    // Waits for the unit in the read slot and moves it to unit. False when
    // the queue was reset or released before one came.
    bool Pop(std::vector<std::uint8_t>& unit, int& tag);

    // Units longer than this are refused; slots grow at most to it.
    void SetUnitLimit(int bytes);

    // Empties every slot, forgets the key and wakes a waiting Pop.
    void Reset();

    // Release makes Pop return false at once until Resume.
    void Release();
    void Resume();

private:
    struct Slot {
        std::vector<std::uint8_t> bytes;  // grows, never shrinks
        int length = 0;
        int tag = 0;
        bool ready = false;
    };

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::array<Slot, kSlots> m_slots;
    int m_read = 0;
    int m_write = 0;
    bool m_haveKey = false;
    bool m_released = false;
    int m_unitLimit = 0x7FFFFFFF;
    std::uint64_t m_resets = 0;
};
