#pragma once

#include <gst/gst.h>

#include <QImage>
#include <QString>
#include <functional>

class IScrCapParam;

// A pipeline from a launch line, for the element's tests; its source is
// named "src", its app sink "sink".
class CDeskGrabPipeline {
public:
    explicit CDeskGrabPipeline(const QString& description);
    ~CDeskGrabPipeline();
    CDeskGrabPipeline(const CDeskGrabPipeline&) = delete;
    CDeskGrabPipeline& operator=(const CDeskGrabPipeline&) = delete;

    bool IsValid() const { return m_pipeline != nullptr && m_error.isEmpty(); }
    QString Error() const { return m_error; }
    IScrCapParam* Param();
    GstStateChangeReturn Play() { return gst_element_set_state(m_pipeline, GST_STATE_PLAYING); }
    // The first error on the bus, empty when there is none.
    QString BusError();
    // The next frame as a picture; null when none arrives within the limit.
    QImage Pull(GstClockTime limit = 10 * GST_SECOND);
    // Pulls frames until one passes the check or the time is up.
    QImage PullUntil(const std::function<bool(const QImage&)>& wanted, int limitMs);

private:
    GstElement* m_pipeline = nullptr;
    QString m_error;
};
