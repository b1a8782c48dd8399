#include "contacts/KivSoundDevices.h"

#include <gst/gst.h>

#include <memory>

namespace {

struct GstUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};

QString Text(GstDevice* device, const char* property) {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), property) == nullptr) {
        return QString();
    }
    gchar* value = nullptr;
    g_object_get(device, property, &value, nullptr);
    const QString text = QString::fromUtf8(value != nullptr ? value : "");
    g_free(value);
    return text;
}

QList<KivSoundDevices::Device> List(const char* deviceClass) {
    QList<KivSoundDevices::Device> result;
    if (!gst_init_check(nullptr, nullptr, nullptr)) {
        return result;
    }
    std::unique_ptr<GstDeviceMonitor, GstUnref> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), deviceClass, nullptr);
    if (!gst_device_monitor_start(monitor.get())) {
        return result;
    }
    GList* devices = gst_device_monitor_get_devices(monitor.get());
    gst_device_monitor_stop(monitor.get());
    for (GList* item = devices; item != nullptr; item = item->next) {
        auto* device = static_cast<GstDevice*>(item->data);
        // Only the sound server's devices can be named to the call's elements.
        const QString name = Text(device, "internal-name");
        if (name.isEmpty()) {
            continue;
        }
        gchar* description = gst_device_get_display_name(device);
        result.append({name, QString::fromUtf8(description)});
        g_free(description);
    }
    g_list_free_full(devices, gst_object_unref);
    return result;
}

}  // namespace

QList<KivSoundDevices::Device> KivSoundDevices::Microphones() {
    return List("Audio/Source");
}

QList<KivSoundDevices::Device> KivSoundDevices::Speakers() {
    return List("Audio/Sink");
}
