#pragma once

typedef struct _GstElement GstElement;

// Sets a test pipeline playing and waits up to ten seconds for it; false
// when there is no pipeline or it does not get there.
bool KivPlayPipeline(GstElement* pipeline);
// Stops the pipeline and drops it; a null pointer is left alone.
void KivReleasePipeline(GstElement*& pipeline);
