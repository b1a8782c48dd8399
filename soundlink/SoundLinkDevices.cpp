#include "SoundLinkDevices.h"

#include <gst/gst.h>

#include <memory>
#include <mutex>

#include "SoundLinkDeviceName.h"

namespace {

struct GstUnref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};

std::vector<SoundLinkDevice> List(const char* deviceClass) {
    std::vector<SoundLinkDevice> result;
    if (!gst_init_check(nullptr, nullptr, nullptr))
        return result;
    SoundLinkPrepareDeviceMonitors();
    std::unique_ptr<GstDeviceMonitor, GstUnref> monitor(gst_device_monitor_new());
    gst_device_monitor_add_filter(monitor.get(), deviceClass, nullptr);
    if (!gst_device_monitor_start(monitor.get()))
        return result;
    GList* devices = gst_device_monitor_get_devices(monitor.get());
    gst_device_monitor_stop(monitor.get());
    for (GList* item = devices; item != nullptr; item = item->next) {
        auto* device = static_cast<GstDevice*>(item->data);
        std::string name = SoundLinkDeviceName(device);
        if (name.empty())
            continue;
        gchar* description = gst_device_get_display_name(device);
        result.push_back({std::move(name), description != nullptr ? description : ""});
        g_free(description);
    }
    g_list_free_full(devices, gst_object_unref);
    return result;
}

}  // namespace

std::string SoundLinkDeviceName(GstDevice* device) {
    if (g_object_class_find_property(G_OBJECT_GET_CLASS(device), "internal-name") == nullptr)
        return std::string();
    gchar* name = nullptr;
    g_object_get(device, "internal-name", &name, nullptr);
    std::string result = name != nullptr ? name : "";
    g_free(name);
    return result;
}

std::vector<SoundLinkDevice> SoundLinkMicrophones() {
    return List("Audio/Source");
}

std::vector<SoundLinkDevice> SoundLinkSpeakers() {
    return List("Audio/Sink");
}

void SoundLinkPrepareDeviceMonitors() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_init_check(nullptr, nullptr, nullptr))
            return;
        // Monitors take providers of at least marginal rank only.
        std::unique_ptr<GstPluginFeature, GstUnref> provider(
            gst_registry_lookup_feature(gst_registry_get(), "pipewiredeviceprovider"));
        if (provider)
            gst_plugin_feature_set_rank(provider.get(), GST_RANK_NONE);
    });
}
