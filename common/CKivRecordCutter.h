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
    // take the pending bytes over kPendingCapacity. While nothing is pending
    // the bytes are not copied: records are cut straight out of them, and only
    // an incomplete record at their end is kept. So `data` must stay valid
    // until next() has returned something other than Delivered, or until the
    // next append().
    bool append(const char* data, int length);
    // Cuts the next record out of the pending bytes into the delivery buffer.
    Status next();

    // The delivery buffer: kDeliveryCapacity bytes, the last record first.
    char* record() { return m_buffers->delivery; }
    int recordLength() const { return m_recordLength; }
    // Bytes received and not yet cut.
    int pending() const { return m_count + m_borrowedLength; }
    bool broken() const { return m_broken; }
    void clear();

private:
    // Copies a record into the delivery buffer and clears what the previous
    // one left behind it.
    void deliver(const char* record, int size);
    void copyToPending(const char* data, int length);
    // Copies what is left of the caller's bytes into the pending buffer.
    void keepBorrowed();
    // How many of `data` the pending record needs to be whole (all of them
    // when its length is not known yet or is invalid).
    int bytesToComplete(const char* data, int length) const;

    // Both buffers in one page-aligned block, the pending bytes starting half a
    // page from the delivery buffer modulo 4 KB. Two separate heap blocks tend
    // to put the destination a few bytes above the source modulo 4 KB; the
    // loads of a forward copy then share page offsets with the stores just
    // issued (4K aliasing) and both vector loops and rep movsb run several
    // times slower, on Intel and AMD alike. Half a page is as far from that as
    // the layout can get, and records of 64-byte multiples keep both ends of
    // every copy equally aligned.
    struct alignas(4096) Buffers {
        char delivery[kDeliveryCapacity];
        char gap[2048];
        char pending[kPendingCapacity];
    };
    std::unique_ptr<Buffers> m_buffers;
    int m_start = 0;  // first pending byte
    int m_count = 0;  // pending bytes from m_start
    int m_recordLength = 0;
    // Bytes of the delivery buffer that may be non-zero; everything above is zero,
    // so a shorter record only has to clear what the previous one left behind.
    int m_dirty = 0;
    // The caller's bytes not cut yet; they follow the pending bytes, which
    // then hold at most one record, a whole one.
    const char* m_borrowed = nullptr;
    int m_borrowedLength = 0;
    bool m_broken = false;
};
