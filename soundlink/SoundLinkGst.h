#pragma once

// Makes GStreamer ready for the session: initialises it once and makes the
// sample sink and the network source elements known (the network source
// plug-in is loaded from beside this library when the registry lacks it).
// False when GStreamer cannot be initialised.
bool SoundLinkGstReady();

// The folder holding this library ("" when unknown). Per platform.
const char* SoundLinkLibraryFolder();
