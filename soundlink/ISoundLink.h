#pragma once

#include <string>

// The audio session of a call window: one object per process serving any
// number of calls (legs to one peer each). The microphone is captured and
// encoded once and every encoded frame goes to each open call; each call has
// its own UDP transport, decoder and playback.
//
// Every operation returns 1; failures inside are written to the error log
// ("TarnLog.txt" in the working directory) and leave the affected piece
// inactive. The object is never deleted by its caller. Operations are called
// from one thread (the caller's); the session runs its own threads inside.
class ISoundLink {
public:
    // Ids and call state copied into the media registration of every call
    // started afterwards; state 2 (accepted) also carries the remote port.
    virtual int SetSessionInfo(int selfId, int peerId, int state) = 0;

    // Redirects the most recently started call to remoteAddress (dotted IPv4
    // text) and remotePort. Ignored while no call was ever started.
    virtual int SetRemoteAddress(std::wstring remoteAddress, int remotePort) = 0;

    // Stores the session format used by the encoder and by every decoder
    // created afterwards. A non-empty deviceName picks the capture source
    // (a PulseAudio source name); the capture format changes only when all
    // three numbers are non-zero. Call it before the first StartCall.
    virtual int SetAudioFormat(std::wstring deviceName, int sampleRate, int bitsPerSample,
                               int channels) = 0;

    // Opens a call: playback of what arrives on localPort, sending to
    // remoteAddress:remotePort, the registration to the media server, and
    // capture when it is not running yet. The new call's id (0, 1, 2, ...,
    // never reused) is written to *callId. startMode 101 receives without
    // decoding. localAddress is stored only; the socket binds to every address.
    virtual int StartCall(std::wstring remoteAddress, int remotePort, std::wstring localAddress,
                          int localPort, int* callId, int startMode) = 0;

    // Ends the call with that id (an unknown id is ignored); when no call is
    // left, capture and the encoder stop.
    virtual int StopCall(int callId) = 0;

protected:
    ~ISoundLink() = default;
};
