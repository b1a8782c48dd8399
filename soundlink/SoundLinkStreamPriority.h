#pragma once

#include "SoundLinkThreadPriority.h"

typedef struct _GstElement GstElement;

// Gives each streaming thread of the pipeline its kind's priority as the
// thread enters, before any data flows, so threads it starts later (an
// encoder's) inherit it; a rebuilt pipeline's new threads get it again. For
// sound, the sound server client library's threads are raised as well. It
// takes the bus's one synchronous handler.
void SoundLinkPrioritizeStreams(GstElement* pipeline, SoundLinkThreadKind kind);
