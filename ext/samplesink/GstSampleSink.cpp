#include "GstSampleSink.h"

#include <gst/audio/audio.h>

#include <memory>
#include <new>

#include "CSampleSinkConfig.h"

struct _GstSampleSink {
    GstBaseSink parent;
    // Built in place at instance init and destroyed at finalize.
    std::unique_ptr<CSampleSinkConfig> config;
};

G_DEFINE_TYPE(GstSampleSink, gst_sample_sink, GST_TYPE_BASE_SINK)

namespace {

enum { PROP_0, PROP_CONFIG };

void SampleSinkFinalize(GObject* object) {
    GST_SAMPLE_SINK(object)->config.~unique_ptr();
    G_OBJECT_CLASS(gst_sample_sink_parent_class)->finalize(object);
}

void SampleSinkGetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
    if (id == PROP_CONFIG) {
        g_value_set_pointer(value,
                            static_cast<ISampleSinkConfig*>(GST_SAMPLE_SINK(object)->config.get()));
        return;
    }
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
}

GstCaps* SampleSinkGetCaps(GstBaseSink* sink, GstCaps* filter) {
    const CSampleSinkConfig::Format format = GST_SAMPLE_SINK(sink)->config->CurrentFormat();
    GstCaps* caps;
    if (format.sampleRate == 0) {
        caps = gst_pad_get_pad_template_caps(GST_BASE_SINK_PAD(sink));
    } else {
        const GstAudioFormat samples = gst_audio_format_build_integer(
            format.bitsPerSample != 8, G_LITTLE_ENDIAN, format.bitsPerSample, format.bitsPerSample);
        GstAudioInfo info;
        gst_audio_info_init(&info);
        gst_audio_info_set_format(&info, samples, format.sampleRate, format.channels, nullptr);
        caps = gst_audio_info_to_caps(&info);
    }
    if (filter == nullptr) {
        return caps;
    }
    GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(caps);
    return both;
}

GstFlowReturn SampleSinkRender(GstBaseSink* sink, GstBuffer* buffer) {
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return GST_FLOW_ERROR;
    }
    GST_SAMPLE_SINK(sink)->config->Deliver(map.data, static_cast<int>(map.size));
    gst_buffer_unmap(buffer, &map);
    return GST_FLOW_OK;
}

}  // namespace

static void gst_sample_sink_class_init(GstSampleSinkClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    GstBaseSinkClass* baseClass = GST_BASE_SINK_CLASS(klass);

    objectClass->finalize = SampleSinkFinalize;
    objectClass->get_property = SampleSinkGetProperty;
    g_object_class_install_property(
        objectClass, PROP_CONFIG,
        g_param_spec_pointer("config", "Config", "The ISampleSinkConfig of this sink",
                             static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));

    gst_element_class_set_static_metadata(elementClass, "Sample Sink", "Sink/Audio",
                                          "Hands every buffer of PCM to its owner", "kivim");
    GstCaps* any = gst_caps_from_string(
        "audio/x-raw, format=(string){ U8, S16LE, S24LE, S32LE }, layout=(string)interleaved");
    gst_element_class_add_pad_template(
        elementClass, gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, any));
    gst_caps_unref(any);

    baseClass->get_caps = SampleSinkGetCaps;
    baseClass->render = SampleSinkRender;
}

static void gst_sample_sink_init(GstSampleSink* self) {
    new (&self->config) std::unique_ptr<CSampleSinkConfig>(std::make_unique<CSampleSinkConfig>());
    // Capture hands bytes on as they come; there is nothing to wait for.
    gst_base_sink_set_sync(GST_BASE_SINK(self), FALSE);
}
