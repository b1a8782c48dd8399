#pragma once

#include <memory>

// Cuts the server's byte stream into records: a 20-byte header whose first
// word is the record length and whose bytes 8..11 carry the signature
// 1C 1F 1E 1D (one matching byte is enough). A cut record is copied into a
// delivery buffer that reads as zero past the record's end.
class CKivRecordCutter {
public:
    static constexpr int kPendingCapacity = 40960;
    static constexpr int kDeliveryCapacity = 16384;
    static constexpr int kHeaderSize = 20;

    enum class Status {
        Delivered,  // record() holds a complete record
        NeedMore,   // the next record has not fully arrived
        Broken      // the stream can never yield a valid record again
    };

    CKivRecordCutter();

    // Appends received bytes; false (and the stream is broken) when they would
    // take the pending bytes over kPendingCapacity.
    bool append(const char* data, int length);
    // Cuts the next record out of the pending bytes into the delivery buffer.
    Status next();

    // The delivery buffer: kDeliveryCapacity bytes, the last record first.
    char* record() { return m_delivery.get(); }
    int recordLength() const { return m_recordLength; }
    int pending() const { return m_count; }
    bool broken() const { return m_broken; }
    void clear();

private:
    std::unique_ptr<char[]> m_pending;
    std::unique_ptr<char[]> m_delivery;
    int m_start = 0;  // first pending byte
    int m_count = 0;  // pending bytes from m_start
    int m_recordLength = 0;
    // Bytes of the delivery buffer that may be non-zero; everything above is zero,
    // so a shorter record only has to clear what the previous one left behind.
    int m_dirty = 0;
    bool m_broken = false;
};
