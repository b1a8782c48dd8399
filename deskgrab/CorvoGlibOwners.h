#pragma once

#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <glib.h>
#include <gst/gst.h>

#include <memory>

// Owners for the GLib and GStreamer handles of the screen cast: each one is
// given back exactly once, whichever way a step ends.
struct CorvoGlibUnref {
    void operator()(GMainContext* context) const { g_main_context_unref(context); }
    void operator()(GDBusConnection* connection) const { g_object_unref(connection); }
    void operator()(GCancellable* cancellable) const { g_object_unref(cancellable); }
    void operator()(GUnixFDList* list) const { g_object_unref(list); }
    void operator()(GVariant* value) const { g_variant_unref(value); }
    void operator()(GError* error) const { g_error_free(error); }
    void operator()(GSource* source) const {
        g_source_destroy(source);
        g_source_unref(source);
    }
    void operator()(gchar* text) const { g_free(text); }
    void operator()(GstElement* element) const { gst_object_unref(element); }
    void operator()(GstSample* sample) const { gst_sample_unref(sample); }
    void operator()(GstMessage* message) const { gst_message_unref(message); }
};

template <typename T>
using CorvoGlibPtr = std::unique_ptr<T, CorvoGlibUnref>;
