#include "CPictureTransport.h"

#include <QtGlobal>

#include <cerrno>
#include <cstring>

#include "KivUdpSocket.h"
#include "MediaDatagram.h"
#include "PictureFragment.h"
#include "SoundLinkThreadPriority.h"

namespace {

// A key frame at once is several fragments; the kernel keeps a few of them.
constexpr int kSocketBufferBytes = 1 << 20;
constexpr int kReceivePollMs = 100;

}  // namespace

CPictureTransport::CPictureTransport(std::unique_ptr<KivUdpSocket> socket,
                                     CPictureReassembler::FrameSink sink,
                                     std::shared_ptr<CMediaCallKeys> keys)
    : m_socket(std::move(socket)),
      m_guard(std::move(keys), MediaKind::Video),
      m_reassembler(std::move(sink)) {
    m_socket->setBufferSizes(kSocketBufferBytes);
    m_receiver = std::thread([this] { Receive(); });
}

CPictureTransport::~CPictureTransport() {
    m_stop = true;
    m_receiver.join();
    const std::string dropped = m_guard.DropSummary();
    if (!dropped.empty()) {
        qInfo("PictureLink: %s", dropped.c_str());
    }
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
    PictureFragment::Cut(frame, length, m_sequence++, [&](const std::uint8_t* fragment, int size) {
        // Nothing goes out before the call's keys are agreed.
        const CMediaGuard::Span datagram = m_guard.Seal(fragment, size);
        if (datagram.length > 0) {
            m_socket->sendTo(address, port, datagram.data, datagram.length);
        }
    });
}

void CPictureTransport::Receive() {
    SoundLinkPrioritize(SoundLinkThreadId(), SoundLinkThreadKind::VideoReceive);
    std::uint8_t datagram[PictureFragment::kDatagramBytes + MediaDatagram::kMaxOverhead + 1];
    while (!m_stop) {
        std::uint32_t from = 0;
        std::uint16_t fromPort = 0;
        const int length =
            m_socket->receive(datagram, sizeof(datagram), kReceivePollMs, &from, &fromPort);
        if (length > 0) {
            // A stranger's fragment far ahead would otherwise freeze the picture.
            const CMediaGuard::Span fragment = m_guard.Open(from, fromPort, datagram, length);
            if (fragment.length > 0) {
                m_reassembler.Add(fragment.data, fragment.length);
            }
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
