#pragma once

typedef struct _GstElement GstElement;

// Puts a pipeline on the system's monotonic clock with its running time equal
// to the clock's time, so the microphone's and every speaker's times in the
// process are on one line (and on std::chrono::steady_clock's).
void SoundLinkShareClock(GstElement* pipeline);
