#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <string>

// The end of a pipeline that shows pictures in a call's window. Under X11 a
// sink draws into the native window, scaled to its size; elsewhere the
// pictures go as images to the window's video target, which paints them.
class PictureSink {
public:
    // `window` 0: nothing is shown. `name` names the sink inside the pipeline.
    PictureSink(std::uintptr_t window, int width, int height, std::string name);

    // The description to append after a branch of raw video.
    const std::string& Description() const { return m_description; }
    // Points the sink of `bin` at the window once the pipeline is built.
    void Attach(GstElement* bin) const;

private:
    static GstFlowReturn OnSample(GstElement* sink, gpointer window);

    std::uintptr_t m_window;
    bool m_native;
    std::string m_name;
    std::string m_description;
};
