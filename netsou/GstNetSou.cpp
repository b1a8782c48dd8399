#include "GstNetSou.h"

#include <memory>
#include <mutex>
#include <new>

#include "CNetSouOutput.h"
#include "CNetSourceFilter.h"
#include "GstDeleter.h"
#include "NetSouCaps.h"

struct _GstNetSou {
    GstPushSrc parent;
    // Built in place at instance init and destroyed at finalize.
    std::unique_ptr<CNetSourceFilter> filter;
    std::unique_ptr<CNetSouOutput> output;
    // Held by the streaming thread while it makes a buffer, and taken by stop
    // and finalize: the output goes back to the state-change thread through a
    // lock of ours, not only through GStreamer's task lock.
    std::mutex streaming;
};

G_DEFINE_TYPE(GstNetSou, gst_net_sou, GST_TYPE_PUSH_SRC)

namespace {

enum { PROP_0, PROP_CONTROL, PROP_PULL };

void NetSouFinalize(GObject* object) {
    GstNetSou* self = GST_NET_SOU(object);
    { std::lock_guard<std::mutex> streamingDone(self->streaming); }
    self->output.~unique_ptr();
    self->filter.~unique_ptr();
    self->streaming.~mutex();
    G_OBJECT_CLASS(gst_net_sou_parent_class)->finalize(object);
}

void NetSouGetProperty(GObject* object, guint id, GValue* value, GParamSpec* param) {
    GstNetSou* self = GST_NET_SOU(object);
    if (id == PROP_CONTROL) {
        g_value_set_pointer(value, static_cast<INetSourceControl*>(self->filter.get()));
        return;
    }
    if (id == PROP_PULL) {
        g_value_set_pointer(value, self->filter->Pin().Pull());
        return;
    }
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
}

void NetSouSetProperty(GObject* object, guint id, const GValue* value, GParamSpec* param) {
    GstNetSou* self = GST_NET_SOU(object);
    if (id == PROP_PULL) {
        self->filter->Pin().SetPull(static_cast<INetSourcePull*>(g_value_get_pointer(value)));
        return;
    }
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, param);
}

GstStateChangeReturn NetSouChangeState(GstElement* element, GstStateChange transition) {
    GstNetSou* self = GST_NET_SOU(element);
    if (transition == GST_STATE_CHANGE_PAUSED_TO_PLAYING) {
        self->filter->Run();
    }
    const GstStateChangeReturn result =
        GST_ELEMENT_CLASS(gst_net_sou_parent_class)->change_state(element, transition);
    if (transition == GST_STATE_CHANGE_PLAYING_TO_PAUSED) {
        self->filter->Pause();
    }
    return result;
}

GstCaps* NetSouGetCaps(GstBaseSrc* source, GstCaps* filter) {
    GstNetSou* self = GST_NET_SOU(source);
    GstCaps* caps = NetSouCapsFor(self->filter->Pin().Format());
    if (caps == nullptr) {
        caps = gst_caps_new_empty();
    }
    if (filter == nullptr) {
        return caps;
    }
    GstPtr<GstCaps> offered(caps);
    return gst_caps_intersect_full(filter, offered.get(), GST_CAPS_INTERSECT_FIRST);
}

gboolean NetSouSetCaps(GstBaseSrc* source, GstCaps* caps) {
    GstNetSou* self = GST_NET_SOU(source);
    const NetSourceFormat format = self->filter->Pin().Format();
    GstPtr<GstCaps> offered(NetSouCapsFor(format));
    if (!offered || !gst_caps_can_intersect(caps, offered.get())) {
        return FALSE;
    }
    return self->output->Accept(caps, format);
}

gboolean NetSouStop(GstBaseSrc* source) {
    GstNetSou* self = GST_NET_SOU(source);
    self->filter->Stop();
    std::lock_guard<std::mutex> streamingDone(self->streaming);
    self->output->Clear();
    return TRUE;
}

gboolean NetSouUnlock(GstBaseSrc* source) {
    GST_NET_SOU(source)->filter->Unlock();
    return TRUE;
}

gboolean NetSouUnlockStop(GstBaseSrc* source) {
    GST_NET_SOU(source)->filter->UnlockStop();
    return TRUE;
}

GstFlowReturn NetSouCreate(GstPushSrc* source, GstBuffer** out) {
    GstNetSou* self = GST_NET_SOU(source);
    std::lock_guard<std::mutex> streaming(self->streaming);
    CNetSourcePin& pin = self->filter->Pin();
    while (true) {
        // The owner may switch modes; caps follow before the next sample.
        if (!self->output->IsNegotiated() || pin.Format() != self->output->Format()) {
            if (!gst_base_src_negotiate(GST_BASE_SRC(source))) {
                return GST_FLOW_NOT_NEGOTIATED;
            }
        }
        switch (pin.FillBuffer(self->output->Sample())) {
            case CNetSourcePin::Fill::Stopping:
                return GST_FLOW_FLUSHING;
            case CNetSourcePin::Fill::Nothing:
                continue;
            case CNetSourcePin::Fill::Delivered:
                return self->output->Deliver(out);
        }
    }
}

}  // namespace

static void gst_net_sou_class_init(GstNetSouClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    GstElementClass* elementClass = GST_ELEMENT_CLASS(klass);
    GstBaseSrcClass* baseClass = GST_BASE_SRC_CLASS(klass);
    GstPushSrcClass* pushClass = GST_PUSH_SRC_CLASS(klass);

    objectClass->finalize = NetSouFinalize;
    objectClass->get_property = NetSouGetProperty;
    objectClass->set_property = NetSouSetProperty;
    g_object_class_install_property(
        objectClass, PROP_CONTROL,
        g_param_spec_pointer("control", "Control", "The INetSourceControl that feeds this source",
                             static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
    g_object_class_install_property(
        objectClass, PROP_PULL,
        g_param_spec_pointer("pull", "Pull",
                             "An INetSourcePull asked for each PCM chunk as it is sent",
                             static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));

    gst_element_class_set_static_metadata(
        elementClass, "[Corvo] Video Source", "Source/Video/Audio",
        "Delivers pushed H.264 units, raw pictures or PCM chunks", "kivim");
    GstPtr<GstCaps> templateCaps(NetSouTemplateCaps());
    gst_element_class_add_pad_template(
        elementClass, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, templateCaps.get()));
    elementClass->change_state = NetSouChangeState;

    baseClass->get_caps = NetSouGetCaps;
    baseClass->set_caps = NetSouSetCaps;
    baseClass->stop = NetSouStop;
    baseClass->unlock = NetSouUnlock;
    baseClass->unlock_stop = NetSouUnlockStop;
    pushClass->create = NetSouCreate;
}

static void gst_net_sou_init(GstNetSou* self) {
    new (&self->filter) std::unique_ptr<CNetSourceFilter>(std::make_unique<CNetSourceFilter>());
    new (&self->output) std::unique_ptr<CNetSouOutput>(std::make_unique<CNetSouOutput>());
    new (&self->streaming) std::mutex();
    // Data arrives when the owner pushes it, so nothing is produced before
    // PLAYING and nothing is time-stamped: downstream plays on arrival.
    gst_base_src_set_live(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
}
