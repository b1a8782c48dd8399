#pragma once

#include <unistd.h>

// A file descriptor that is closed with its owner.
class CCorvoUniqueFd {
public:
    CCorvoUniqueFd() = default;
    explicit CCorvoUniqueFd(int fd) : m_fd(fd) {}
    ~CCorvoUniqueFd() { Reset(); }

    CCorvoUniqueFd(const CCorvoUniqueFd&) = delete;
    CCorvoUniqueFd& operator=(const CCorvoUniqueFd&) = delete;

    int Get() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    void Reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};
