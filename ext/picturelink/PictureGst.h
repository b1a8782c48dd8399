#pragma once

#include <gst/gst.h>

#include <string>

// Starts GStreamer once per process and makes sure the network source
// element can be created; false when it cannot.
bool PictureGstReady();

// Builds a pipeline from a description; null (and a warning) on failure.
GstElement* PictureGstPipeline(const std::string& description);

// A bin from a description, its open ends as ghost pads; null on failure.
GstElement* PictureGstBin(const std::string& description);

// Sets a state and waits for it (live pipelines only reach PAUSED at once).
bool PictureGstPlay(GstElement* pipeline);
