#pragma once

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "CorvoGlibOwners.h"
#include "CorvoImageView.h"
#include "CorvoScreenSize.h"

// The picture of a screen cast: a pipeline of its own from the PipeWire
// node to B, G, R, unused pixels. The cast sends a frame only when the
// screen changes, so the newest frame is kept and handed again until a
// newer one comes. Start, Stop and Latest belong to one thread at a time;
// Size, HasFailed and Interrupt may come from any thread.
class CCorvoCastStream {
public:
    CCorvoCastStream() = default;
    ~CCorvoCastStream();

    CCorvoCastStream(const CCorvoCastStream&) = delete;
    CCorvoCastStream& operator=(const CCorvoCastStream&) = delete;

    // Plays the node of the PipeWire remote behind fd (which stays ours) and
    // waits up to the limit for the first frame.
    bool Start(int fd, std::uint32_t node, std::chrono::milliseconds limit, std::string* error);
    void Stop();
    // Ends a wait for the first frame.
    void Interrupt();

    // The size of the newest frame; 0 x 0 while none has come.
    CorvoScreenSize Size() const;
    // True with a reason when the stream broke or ended.
    bool HasFailed(std::string* reason) const;
    // The newest frame, valid until the next call or Stop.
    bool Latest(CorvoImageView* frame, std::string* error);

private:
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer self);
    static GstBusSyncReply OnMessage(GstBus* bus, GstMessage* message, gpointer self);
    void Fail(const std::string& reason);
    void Unmap();

    CorvoGlibPtr<GstElement> m_pipeline;

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    CorvoGlibPtr<GstSample> m_newest;
    CorvoScreenSize m_size;
    bool m_failed = false;
    std::string m_failure;
    bool m_interrupted = false;

    // The frame handed out last, mapped while it is in use.
    CorvoGlibPtr<GstSample> m_current;
    GstVideoFrame m_mapped{};
    bool m_isMapped = false;
};
