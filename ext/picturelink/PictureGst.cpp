#include "PictureGst.h"

#include <dlfcn.h>

#include <QtDebug>

#include <mutex>

namespace {

// The network source is our own plug-in; it lives beside this library.
void LoadNetSourceBesideUs() {
    Dl_info self{};
    if (dladdr(reinterpret_cast<void*>(&PictureGstReady), &self) == 0 ||
        self.dli_fname == nullptr) {
        return;
    }
    std::string folder = self.dli_fname;
    folder.erase(folder.find_last_of('/') + 1);
    GError* failure = nullptr;
    GstPlugin* plugin = gst_plugin_load_file((folder + "libgstnetsou.so").c_str(), &failure);
    if (plugin != nullptr) {
        gst_object_unref(plugin);
    }
    g_clear_error(&failure);
}

}  // namespace

bool PictureGstReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] {
        if (!gst_init_check(nullptr, nullptr, nullptr)) {
            return;
        }
        GstElementFactory* factory = gst_element_factory_find("netsou");
        if (factory == nullptr) {
            LoadNetSourceBesideUs();
            factory = gst_element_factory_find("netsou");
        }
        ready = factory != nullptr;
        if (factory != nullptr) {
            gst_object_unref(factory);
        } else {
            qWarning("PictureLink: the netsou element is not installed; no video is shown");
        }
    });
    return ready;
}

GstElement* PictureGstPipeline(const std::string& description) {
    GError* failure = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &failure);
    if (failure != nullptr) {
        qWarning("PictureLink: %s", failure->message);
        g_clear_error(&failure);
        if (pipeline != nullptr) {
            gst_object_unref(pipeline);
        }
        return nullptr;
    }
    return pipeline != nullptr ? GST_ELEMENT(gst_object_ref_sink(pipeline)) : nullptr;
}

GstElement* PictureGstBin(const std::string& description) {
    GError* failure = nullptr;
    GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &failure);
    if (failure != nullptr) {
        qWarning("PictureLink: %s", failure->message);
        g_clear_error(&failure);
        if (bin != nullptr) {
            gst_object_unref(bin);
        }
        return nullptr;
    }
    return bin;
}

bool PictureGstPlay(GstElement* pipeline) {
    if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    GstState state = GST_STATE_VOID_PENDING;
    return gst_element_get_state(pipeline, &state, nullptr, 5 * GST_SECOND) !=
           GST_STATE_CHANGE_FAILURE;
}
