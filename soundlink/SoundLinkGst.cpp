#include "SoundLinkGst.h"

#include <gst/gst.h>

#include <mutex>
#include <string>

#include "KivFilterRegistry.h"
#include "SampleSink.h"

namespace {

bool HasFactory(const char* name) {
    GstElementFactory* factory = gst_element_factory_find(name);
    if (factory == nullptr) {
        return false;
    }
    gst_object_unref(factory);
    return true;
}

void LoadBesideLibrary(const char* pluginFile) {
    const std::string path = std::string(SoundLinkLibraryFolder()) + "/" + pluginFile;
    GError* error = nullptr;
    if (GstPlugin* plugin = gst_plugin_load_file(path.c_str(), &error)) {
        gst_object_unref(plugin);
    }
    g_clear_error(&error);
}

}  // namespace

bool SoundLinkGstReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        ready = gst_init_check(nullptr, nullptr, &error) != FALSE;
        g_clear_error(&error);
        if (!ready) {
            return;
        }
        SampleSinkRegister();
        if (!HasFactory(KivFactoryNetSource)) {
            LoadBesideLibrary("libgstnetsou.so");
        }
    });
    return ready;
}
