#include <gst/gst.h>

#include "GstCorvoDeskGrab.h"
#include "KivFilterRegistry.h"

#define PACKAGE "kivim"

namespace {

// The filter's merit marks it as never picked automatically.
gboolean PluginInit(GstPlugin* plugin) {
    return gst_element_register(plugin, KivFactoryScreenCapture, GST_RANK_NONE,
                                GST_TYPE_CORVO_DESK_GRAB);
}

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, deskgrab, "[Corvo] Screen Capture",
                  PluginInit, "1.0", "Proprietary", "KivIM", "KivIM")
