#pragma once

#include <gst/gst.h>

#include <QString>

#include "GstDeleter.h"
#include "INetSourceControl.h"

// "netsou ! appsink" with the test's own plug-in build loaded; samples are
// pulled on the test thread while the control interface takes pushes.
class CNetSouPipeline {
public:
    // Loads the plug-in once; false (with the reason) when it cannot be used.
    static bool LoadPlugin(QString* error);

    // appsink properties, e.g. "max-buffers=4 drop=false".
    explicit CNetSouPipeline(const char* sinkOptions);

    bool IsValid() const { return m_source != nullptr && m_sink != nullptr; }
    INetSourceControl* Control() const { return m_control; }

    bool SetState(GstState state);
    // Null when no sample came within timeoutMs.
    GstPtr<GstSample> Pull(int timeoutMs = 5000);

    ~CNetSouPipeline();

private:
    GstPtr<GstElement> m_pipeline;
    GstPtr<GstElement> m_source;
    GstPtr<GstElement> m_sink;
    INetSourceControl* m_control = nullptr;
};
