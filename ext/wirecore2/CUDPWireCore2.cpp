#include "CUDPWireCore2.h"

#include <algorithm>
#include <vector>

#include "KivUdpSocket.h"
#include "WireCore2.h"

namespace {

// The largest datagram UDP over IPv4 can carry.
constexpr int kMaxDatagram = 65507;
// Room for bursts of media while the receive thread is busy decoding.
constexpr int kSocketBufferBytes = 512 * 1024;

}  // namespace

CUDPWireCore2::~CUDPWireCore2() {
    Stop();
}

int CUDPWireCore2::Start() {
    Stop();
    std::shared_ptr<KivUdpSocket> socket = KivUdpSocket::bindAny(m_localPort);
    if (!socket) {
        return -1;
    }
    socket->setBufferSizes(kSocketBufferBytes);
    // The playout measures jitter from when datagrams arrived, not from when
    // this thread got to them.
    socket->enableArrivalStamps();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_socket = socket;
    }
    m_receiver = std::thread(&CUDPWireCore2::ReceiveLoop, this, socket.get(), m_bufferSize, m_sink);
    return 0;
}

void CUDPWireCore2::Stop() {
    std::shared_ptr<KivUdpSocket> socket;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        socket.swap(m_socket);
    }
    if (socket) {
        socket->wake();
    }
    if (m_receiver.joinable()) {
        m_receiver.join();
    }
}

void CUDPWireCore2::Configure(int bufferSize, std::uint16_t localPort, int) {
    m_bufferSize = std::clamp(bufferSize, 1, kMaxDatagram);
    m_localPort = localPort;
}

void CUDPWireCore2::SetEventSink(INetEvent2* sink) {
    m_sink = sink;
}

int CUDPWireCore2::SendTo(std::uint32_t ipv4, std::uint16_t port, const void* data, int length) {
    std::shared_ptr<KivUdpSocket> socket;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        socket = m_socket;
    }
    if (!socket || data == nullptr || length < 0) {
        return -1;
    }
    return socket->sendTo(ipv4, port, data, length);
}

int CUDPWireCore2::SendCommandTo(std::uint32_t ipv4, std::uint16_t port, const void* data,
                                 int length) {
    return SendTo(ipv4, port, data, length);
}

void CUDPWireCore2::ReceiveLoop(KivUdpSocket* socket, int bufferSize, INetEvent2* sink) {
    std::vector<std::uint8_t> buffer(static_cast<size_t>(bufferSize));
    while (true) {
        int length = 0;
        WireSource source;
        const KivUdpSocket::Wait result = socket->receiveUntilWoken(
            buffer.data(), bufferSize, &length, &source.ipv4, &source.port, &source.arrivalUs);
        if (result == KivUdpSocket::Wait::Failed && sink != nullptr) {
            sink->OnReceiveFailed(socket->lastError());
        }
        if (result != KivUdpSocket::Wait::Datagram) {
            return;
        }
        // A datagram cut to the buffer would reach the sink with a false size.
        if (length <= bufferSize && sink != nullptr) {
            sink->OnRecvFrom(source, buffer.data(), length);
        }
    }
}

IUDPWireCore2* A_CreateUDPWireCore2() {
    return new CUDPWireCore2;
}
