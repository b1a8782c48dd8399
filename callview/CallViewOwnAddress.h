#pragma once

#include <QByteArray>

// The own IPv4 address the peer can reach: the one facing the messaging
// server (whose address the client passes in KIV_CALL_ROUTE_HOST), else the
// one facing the default route, else loopback.
QByteArray CallViewOwnAddress();
