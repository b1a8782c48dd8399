#include "contacts/KivSoundCheck.h"

#include <gst/gst.h>

class KivSoundCheck::Pipeline {
public:
    explicit Pipeline(GstElement* element) : m_element(element) {}
    ~Pipeline() {
        gst_element_set_state(m_element, GST_STATE_NULL);
        gst_object_unref(m_element);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;
    GstElement* Get() const { return m_element; }

private:
    GstElement* m_element;
};

namespace {

GstElement* Device(const char* factory, const QString& name) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element != nullptr && !name.isEmpty()) {
        g_object_set(element, "device", name.toUtf8().constData(), nullptr);
    }
    return element;
}

}  // namespace

KivSoundCheck::KivSoundCheck(QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KivSoundCheck::Stop);
}

KivSoundCheck::~KivSoundCheck() = default;

bool KivSoundCheck::Start(const QString& microphone, const QString& speaker, int milliseconds) {
    Stop();
    if (!gst_init_check(nullptr, nullptr, nullptr)) {
        return false;
    }
    GstElement* pipeline = gst_pipeline_new("soundcheck");
    GstElement* source = Device("pulsesrc", microphone);
    GstElement* convert = gst_element_factory_make("audioconvert", nullptr);
    GstElement* resample = gst_element_factory_make("audioresample", nullptr);
    GstElement* sink = Device("pulsesink", speaker);
    if (pipeline == nullptr || source == nullptr || convert == nullptr || resample == nullptr ||
        sink == nullptr) {
        for (GstElement* element : {pipeline, source, convert, resample, sink}) {
            if (element != nullptr) {
                gst_object_unref(gst_object_ref_sink(element));
            }
        }
        return false;
    }
    gst_object_ref_sink(pipeline);
    auto owned = std::make_unique<Pipeline>(pipeline);
    gst_bin_add_many(GST_BIN(pipeline), source, convert, resample, sink, nullptr);
    if (!gst_element_link_many(source, convert, resample, sink, nullptr) ||
        gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    m_pipeline = std::move(owned);
    m_timer.start(milliseconds);
    return true;
}

void KivSoundCheck::Stop() {
    m_timer.stop();
    if (m_pipeline) {
        m_pipeline.reset();
        emit Finished();
    }
}

bool KivSoundCheck::IsRunning() const {
    return m_pipeline != nullptr;
}
