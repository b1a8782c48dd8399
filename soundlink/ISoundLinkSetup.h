#pragma once

#include <memory>
#include <string>

class CMediaCallKeys;

// The call's AAC encoder: ours, which sends each frame as soon as its sound
// is in, or libavcodec's, which looks a frame ahead (32 ms later), for
// comparison.
enum class SoundLinkEncoder { LowDelay, Libavcodec };

// What the user chose for the calls of this process, beside the session's
// documented operations. Each choice applies to the calls started after it;
// call from the caller's thread, like ISoundLink.
class ISoundLinkSetup {
public:
    // On (the default): the microphone runs through echo cancellation, noise
    // suppression and gain control, and every call's speaker feeds the
    // canceller. Off: the plain capture and playback graphs.
    virtual void SetEchoCancellation(bool on) = 0;

    // A PulseAudio source name for the microphone (empty: the default
    // source); one that is missing gives way to the default. Takes effect
    // when the capture next starts.
    virtual void SetMicrophone(std::string sourceName) = 0;

    // A PulseAudio sink name for the calls' speakers; empty takes the
    // default sink. A sink that is missing, or goes away during a call, gives
    // way to the default.
    virtual void SetSpeaker(std::string sinkName) = 0;

    // The keys of the calls started afterwards, shared with the video of the
    // same call (null: plain calls). Their datagrams are sealed with them,
    // and only the peer's are heard.
    virtual void SetCallKeys(std::shared_ptr<CMediaCallKeys> keys) = 0;

    // The encoder of the calls started afterwards (LowDelay by default).
    virtual void SetEncoder(SoundLinkEncoder encoder) = 0;

    // With echo cancellation on: whether noise is suppressed too (the
    // default), which holds the voice back about 10 ms more. Takes effect
    // when the capture next starts.
    virtual void SetNoiseSuppression(bool on) = 0;

protected:
    ~ISoundLinkSetup() = default;
};
