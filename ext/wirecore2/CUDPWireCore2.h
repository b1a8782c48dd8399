#pragma once

#include <memory>
#include <mutex>
#include <thread>

#include "IUDPWireCore2.h"

class KivUdpSocket;

class CUDPWireCore2 : public IUDPWireCore2 {
public:
    CUDPWireCore2() = default;
    ~CUDPWireCore2() override;

    int Start() override;
    void Stop() override;
    void Configure(int bufferSize, std::uint16_t localPort, int reserved) override;
    void SetEventSink(INetEvent2* sink) override;
    int SendTo(std::uint32_t ipv4, std::uint16_t port, const void* data, int length) override;
    int SendCommandTo(std::uint32_t ipv4, std::uint16_t port, const void* data,
                      int length) override;

private:
    void ReceiveLoop(KivUdpSocket* socket, int bufferSize, INetEvent2* sink);

    // Guards the socket pointer against a Stop while another thread sends.
    std::mutex m_lock;
    std::shared_ptr<KivUdpSocket> m_socket;
    std::thread m_receiver;
    int m_bufferSize = 4096;
    std::uint16_t m_localPort = 0;
    INetEvent2* m_sink = nullptr;
};
