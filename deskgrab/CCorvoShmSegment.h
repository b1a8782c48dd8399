#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <xcb/shm.h>

// A shared memory segment attached both here and in the X server, for
// grabbing without copying the picture through the socket.
class CCorvoShmSegment {
public:
    // nullptr with a reason when the server cannot share memory with us.
    static std::unique_ptr<CCorvoShmSegment> Create(xcb_connection_t* connection, std::size_t size,
                                                    std::string* error);
    ~CCorvoShmSegment();

    CCorvoShmSegment(const CCorvoShmSegment&) = delete;
    CCorvoShmSegment& operator=(const CCorvoShmSegment&) = delete;

    xcb_shm_seg_t Id() const { return m_segment; }
    std::uint8_t* Data() const { return m_data; }
    std::size_t Size() const { return m_size; }

private:
    CCorvoShmSegment(xcb_connection_t* connection, std::uint8_t* data, std::size_t size);

    xcb_connection_t* m_connection;
    std::uint8_t* m_data;
    std::size_t m_size;
    xcb_shm_seg_t m_segment = 0;
    bool m_attached = false;
};
