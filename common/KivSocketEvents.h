#pragma once

// Events a client socket reports through its callback.
enum KivSocketEvent : int {
    EVENT_DATA = 3025,            // one complete record and its length
    EVENT_CONNECT_FAILED = 3026,  // length: the bound port when the network was down, else 0
    EVENT_CLOSED = 3027,          // the peer closed, a read failed or the stream was unusable
    EVENT_CONNECTED = 3028,       // length: the bound local port
    // Reported only when asked for (report_read_end): every record cut from
    // one burst of reads has been delivered. Null, 0.
    EVENT_DATA_END = 3029,
    // A connection that asked for TLS stopped before anything was sent: the
    // server's certificate did not pass, or it did not speak TLS. Data: the
    // reason as text (not NUL-terminated), length: its length.
    EVENT_TLS_REFUSED = 3030,
    // A connection without TLS reached a server that answers only in TLS.
    // Data and length: the reason, as for EVENT_TLS_REFUSED.
    EVENT_TLS_REQUIRED = 3031
};

// (event, data, length, user data) of a socket event.
using KivSocketCallback = void (*)(int event, char* data, int length, void* user);
