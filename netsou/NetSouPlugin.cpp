#include <gst/gst.h>

#include "GstNetSou.h"
#include "KivFilterRegistry.h"

namespace {

gboolean NetSouPluginInit(GstPlugin* plugin) {
    // Not chosen by autoplugging: owners create it by name.
    return gst_element_register(plugin, KivFactoryNetSource, GST_RANK_NONE, GST_TYPE_NET_SOU);
}

}  // namespace

#define PACKAGE "kivim"

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, netsou,
                  "Network source fed with H.264 units, raw pictures or PCM", NetSouPluginInit,
                  "1.0", "Proprietary", "kivim", "kivim")
