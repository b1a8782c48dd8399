#include "CallViewOwnAddress.h"

#include "KivUdpSocket.h"

QByteArray CallViewOwnAddress() {
    const QByteArray server = qgetenv("KIV_CALL_ROUTE_HOST");
    std::string address;
    if (!server.isEmpty()) {
        address = KivUdpSocket::localAddressToward(server.constData());
    }
    if (address.empty()) {
        // A documentation address: only the route to it is looked up.
        address = KivUdpSocket::localAddressToward("192.0.2.1");
    }
    return address.empty() ? QByteArray("127.0.0.1") : QByteArray::fromStdString(address);
}
