#pragma once

#include <gst/base/gstpushsrc.h>

class CCorvoDeskGrab;

G_BEGIN_DECLS

#define GST_TYPE_CORVO_DESK_GRAB (gst_corvo_desk_grab_get_type())
G_DECLARE_FINAL_TYPE(GstCorvoDeskGrab, gst_corvo_desk_grab, GST, CORVO_DESK_GRAB, GstPushSrc)

G_END_DECLS

// The capture source behind an element of this type.
CCorvoDeskGrab* CorvoDeskGrabOf(GstCorvoDeskGrab* element);
