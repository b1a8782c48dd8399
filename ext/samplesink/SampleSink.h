#pragma once

// Registers the sample sink element with GStreamer under its factory name
// (KivFactorySampleSink), once per process; gst_init must have run. False
// when GStreamer refuses the registration.
bool SampleSinkRegister();
