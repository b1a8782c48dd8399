#pragma once

// Lets the owner of a source in PCM mode make each chunk at the moment the
// source sends it, instead of ahead of time: the sound is then as fresh as
// the speaker allows. The owner hands its puller to the element's writable
// pointer property kNetSourcePullProperty before the pipeline plays, and
// null again before it releases the puller.
class INetSourcePull {
public:
    // Streaming thread: the source is about to send a chunk of chunkBytes
    // and takes it from what PushData holds once this returns.
    virtual void OnPull(int chunkBytes) = 0;

protected:
    ~INetSourcePull() = default;
};

inline constexpr const char* kNetSourcePullProperty = "pull";
