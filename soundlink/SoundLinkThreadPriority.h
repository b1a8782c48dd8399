#pragma once

#include "SoundLinkPriority.h"

// The threads of a call, by what they carry.
enum class SoundLinkThreadKind {
    SoundCapture,   // the microphone pipeline's streaming thread
    SoundPlayback,  // a speaker pipeline's streaming thread
    SoundReceive,   // the call's sound datagrams
    SoundServer,    // the sound server client library's own thread
    VideoCapture,   // camera and encoder
    VideoPlayback,  // decoder and drawing
    VideoReceive,   // the call's picture datagrams
    ScreenCapture,  // the screen grabber
    Count
};

// Raises a sound thread or lowers a video one; what the first thread of each
// kind obtained is logged, once per process.
SoundLinkPriorityResult SoundLinkPrioritize(long threadId, SoundLinkThreadKind kind);
// The calling thread, the first time it comes here.
void SoundLinkPrioritizeThisThreadOnce(SoundLinkThreadKind kind);
// Raises the sound server client library's threads (they move the sound
// between the server and our pipelines) that are not real-time yet.
void SoundLinkRaiseSoundServerThreads();
