#pragma once

#include <gst/base/gstpushsrc.h>

G_BEGIN_DECLS

// The network source element: a live push source whose create step is the
// pin's FillBuffer. Its "control" property hands out the INetSourceControl.
#define GST_TYPE_NET_SOU (gst_net_sou_get_type())
G_DECLARE_FINAL_TYPE(GstNetSou, gst_net_sou, GST, NET_SOU, GstPushSrc)

G_END_DECLS
