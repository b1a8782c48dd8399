#include "CCorvoShmSegment.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include "CorvoXcbReply.h"

std::unique_ptr<CCorvoShmSegment> CCorvoShmSegment::Create(xcb_connection_t* connection,
                                                           std::size_t size, std::string* error) {
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(connection, &xcb_shm_id);
    if (extension == nullptr || extension->present == 0) {
        *error = "the X server has no MIT-SHM";
        return nullptr;
    }
    const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (id < 0) {
        *error = "cannot create a shared memory segment";
        return nullptr;
    }
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        *error = "cannot map the shared memory segment";
        return nullptr;
    }
    std::unique_ptr<CCorvoShmSegment> segment(
        new CCorvoShmSegment(connection, static_cast<std::uint8_t*>(address), size));
    segment->m_segment = xcb_generate_id(connection);
    const xcb_void_cookie_t cookie =
        xcb_shm_attach_checked(connection, segment->m_segment, static_cast<std::uint32_t>(id), 0);
    CorvoXcbReply<xcb_generic_error_t> failure(xcb_request_check(connection, cookie));
    // Both sides hold the segment now (or the server refused it); it goes
    // away with the last detach.
    shmctl(id, IPC_RMID, nullptr);
    if (failure != nullptr) {
        *error = "the X server cannot attach our shared memory (remote display?)";
        return nullptr;
    }
    segment->m_attached = true;
    return segment;
}

CCorvoShmSegment::CCorvoShmSegment(xcb_connection_t* connection, std::uint8_t* data,
                                   std::size_t size)
    : m_connection(connection), m_data(data), m_size(size) {}

CCorvoShmSegment::~CCorvoShmSegment() {
    if (m_attached) {
        xcb_shm_detach(m_connection, m_segment);
        xcb_flush(m_connection);
    }
    shmdt(m_data);
}
