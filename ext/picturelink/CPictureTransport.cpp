#include "CPictureTransport.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>

#include "KivUdpSocket.h"
#include "PictureFragment.h"

namespace {

// A key frame at once is several fragments; the kernel keeps a few of them.
constexpr int kSocketBufferBytes = 1 << 20;
constexpr int kReceivePollMs = 100;

}  // namespace

CPictureTransport::CPictureTransport(std::unique_ptr<KivUdpSocket> socket,
                                     CPictureReassembler::FrameSink sink)
    : m_socket(std::move(socket)), m_reassembler(std::move(sink)) {
    m_socket->setBufferSizes(kSocketBufferBytes);
    m_receiver = std::thread([this] { Receive(); });
}

CPictureTransport::~CPictureTransport() {
    m_stop = true;
    m_receiver.join();
}

void CPictureTransport::SetRemote(std::uint32_t address, int port) {
    std::lock_guard<std::mutex> lock(m_remoteLock);
    m_remoteAddress = address;
    m_remotePort = port;
}

void CPictureTransport::SendFrame(const std::uint8_t* frame, int length) {
    std::uint32_t address = 0;
    int port = 0;
    {
        std::lock_guard<std::mutex> lock(m_remoteLock);
        address = m_remoteAddress;
        port = m_remotePort;
    }
    if (port <= 0 || port > 65535) {
        return;
    }
    PictureFragment::Cut(frame, length, m_sequence++, [&](const std::uint8_t* datagram, int size) {
        m_socket->sendTo(address, port, datagram, size);
    });
}

void CPictureTransport::Receive() {
    std::uint8_t datagram[PictureFragment::kDatagramBytes + 1];
    while (!m_stop) {
        const int length = m_socket->receive(datagram, sizeof(datagram), kReceivePollMs);
        if (length > 0) {
            m_reassembler.Add(datagram, length);
        } else if (length < 0) {
            // Retrying a socket that failed for good would only spin.
            const int error = errno;
            m_receiveFailed = true;
            qWarning("PictureLink: the call's video socket failed (%s); no more pictures arrive",
                     std::strerror(error));
            return;
        }
    }
}
