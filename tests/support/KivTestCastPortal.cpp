// A screen cast backend for the desktop portal of the tests' headless desktop.
// It owns org.freedesktop.impl.portal.desktop.kivtest, grants every cast
// without asking, and casts the compositor's output into a PipeWire video
// node of its own. The pictures come from grim, which copies the output into
// shared memory, so the cast works where the compositor renders without a GPU
// (the wlroots portal insists on DMA-BUF there).
//
// Each started session runs its own feed:
//   grim -t ppm -  ->  appsrc ! pipewiresink mode=provide
// and answers Start with the node's id once PipeWire lists it.

#include <gio/gio.h>
#include <glib-unix.h>
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <unistd.h>

namespace {

constexpr const char* kBusName = "org.freedesktop.impl.portal.desktop.kivtest";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kScreenCastInterface = "org.freedesktop.impl.portal.ScreenCast";
constexpr const char* kSessionInterface = "org.freedesktop.impl.portal.Session";

constexpr guint32 kMonitor = 1;
constexpr guint32 kCursorHidden = 1;
constexpr guint32 kCursorEmbedded = 2;
constexpr guint32 kResponseSuccess = 0;
constexpr guint32 kResponseFailed = 2;

// grim needs about a tenth of a second per picture; no more than ~12 a second.
constexpr gint64 kFrameIntervalUs = 80 * 1000;
constexpr guint kNodePollMs = 20;
constexpr gint64 kNodeLimitUs = 5 * 1000 * 1000;

constexpr const char* kInterfaces = R"(
<node>
  <interface name="org.freedesktop.impl.portal.ScreenCast">
    <method name="CreateSession">
      <arg type="o" name="handle" direction="in"/>
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="s" name="app_id" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="u" name="response" direction="out"/>
      <arg type="a{sv}" name="results" direction="out"/>
    </method>
    <method name="SelectSources">
      <arg type="o" name="handle" direction="in"/>
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="s" name="app_id" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="u" name="response" direction="out"/>
      <arg type="a{sv}" name="results" direction="out"/>
    </method>
    <method name="Start">
      <arg type="o" name="handle" direction="in"/>
      <arg type="o" name="session_handle" direction="in"/>
      <arg type="s" name="app_id" direction="in"/>
      <arg type="s" name="parent_window" direction="in"/>
      <arg type="a{sv}" name="options" direction="in"/>
      <arg type="u" name="response" direction="out"/>
      <arg type="a{sv}" name="results" direction="out"/>
    </method>
    <property name="AvailableSourceTypes" type="u" access="read"/>
    <property name="AvailableCursorModes" type="u" access="read"/>
    <property name="version" type="u" access="read"/>
  </interface>
  <interface name="org.freedesktop.impl.portal.Session">
    <method name="Close"/>
    <signal name="Closed"/>
    <property name="version" type="u" access="read"/>
  </interface>
</node>
)";

struct Unref {
    void operator()(GstObject* object) const { gst_object_unref(object); }
    void operator()(GstElement* element) const { gst_object_unref(element); }
    void operator()(GError* error) const { g_error_free(error); }
    void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
    void operator()(GDBusNodeInfo* info) const { g_dbus_node_info_unref(info); }
};
template <typename T>
using Owned = std::unique_ptr<T, Unref>;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T>
using OwnedObject = std::unique_ptr<T, GObjectUnref>;

std::string Message(const GError* error) {
    return error != nullptr ? error->message : "unknown error";
}

// A binary PPM as grim writes it: "P6", width, height and 255, each followed
// by one blank, then the rows of RGB.
struct Ppm {
    int width = 0;
    int height = 0;
    gsize offset = 0;
};

std::optional<Ppm> ParsePpm(const guint8* data, gsize size) {
    gsize at = 0;
    const auto number = [&](int* value) {
        while (at < size && g_ascii_isspace(data[at])) {
            ++at;
        }
        gint64 result = 0;
        const gsize start = at;
        while (at < size && g_ascii_isdigit(data[at]) && result <= G_MAXINT / 10) {
            result = result * 10 + (data[at++] - '0');
        }
        if (at == start || at >= size || !g_ascii_isspace(data[at]) || result > G_MAXINT) {
            return false;
        }
        *value = static_cast<int>(result);
        return true;
    };
    Ppm picture;
    int depth = 0;
    if (size < 2 || data[0] != 'P' || data[1] != '6') {
        return std::nullopt;
    }
    at = 2;
    if (!number(&picture.width) || !number(&picture.height) || !number(&depth) || depth != 255 ||
        picture.width <= 0 || picture.height <= 0) {
        return std::nullopt;
    }
    picture.offset = at + 1;
    const guint64 bytes = static_cast<guint64>(picture.width) * picture.height * 3;
    if (picture.offset > size || size - picture.offset < bytes) {
        return std::nullopt;
    }
    return picture;
}

// The output's pictures as a PipeWire video source named nodeName. Failures
// after Start come through the broken callback, from the main loop.
class Feed {
public:
    using Broken = std::function<void(const std::string&)>;

    Feed(std::string nodeName, bool cursor, Broken broken)
        : m_nodeName(std::move(nodeName)),
          m_cursor(cursor),
          m_broken(std::move(broken)),
          m_cancellable(g_cancellable_new()) {}

    ~Feed() {
        // A grab still running answers into the cancelled callback only.
        g_cancellable_cancel(m_cancellable.get());
        if (m_grim != nullptr) {
            g_subprocess_force_exit(m_grim.get());
        }
        if (m_timer != 0) {
            g_source_remove(m_timer);
        }
        if (m_pipeline != nullptr) {
            GstBus* bus = gst_element_get_bus(m_pipeline.get());
            gst_bus_remove_watch(bus);
            gst_object_unref(bus);
            gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        }
    }

    Feed(const Feed&) = delete;
    Feed& operator=(const Feed&) = delete;

    bool Start(std::string* error) {
        GError* rawError = nullptr;
        GstElement* pipeline = gst_parse_launch(
            "appsrc name=source is-live=true format=time do-timestamp=true max-buffers=2 "
            "leaky-type=downstream ! pipewiresink name=sink mode=provide sync=false "
            "client-name=kivtest-cast",
            &rawError);
        const Owned<GError> failure(rawError);
        if (pipeline == nullptr || failure != nullptr) {
            if (pipeline != nullptr) {
                gst_object_unref(gst_object_ref_sink(pipeline));
            }
            *error = "cannot build the cast's pipeline: " + Message(failure.get());
            return false;
        }
        m_pipeline.reset(GST_ELEMENT(gst_object_ref_sink(pipeline)));
        m_source.reset(gst_bin_get_by_name(GST_BIN(pipeline), "source"));
        m_sink.reset(gst_bin_get_by_name(GST_BIN(pipeline), "sink"));
        GstStructure* properties = gst_structure_new(
            "props", "media.class", G_TYPE_STRING, "Video/Source", "node.name", G_TYPE_STRING,
            m_nodeName.c_str(), "node.description", G_TYPE_STRING, "Kiv test screen cast", nullptr);
        g_object_set(m_sink.get(), "stream-properties", properties, nullptr);
        gst_structure_free(properties);

        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_add_watch(bus, &Feed::OnMessage, this);
        gst_object_unref(bus);
        if (gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
            *error = "the cast's pipeline does not play";
            return false;
        }
        return Grab(error);
    }

    const std::string& NodeName() const { return m_nodeName; }
    // The size of the pictures pushed so far; 0 x 0 before the first.
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    bool Grab(std::string* error) {
        m_grabStarted = g_get_monotonic_time();
        GError* rawError = nullptr;
        GSubprocess* grim = m_cursor ? g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &rawError,
                                                        "grim", "-c", "-t", "ppm", "-", nullptr)
                                     : g_subprocess_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE, &rawError,
                                                        "grim", "-t", "ppm", "-", nullptr);
        const Owned<GError> failure(rawError);
        if (grim == nullptr) {
            *error = "cannot run grim: " + Message(failure.get());
            return false;
        }
        m_grim.reset(grim);
        g_subprocess_communicate_async(grim, nullptr, m_cancellable.get(), &Feed::OnGrabbed, this);
        return true;
    }

    static void OnGrabbed(GObject* source, GAsyncResult* result, gpointer data) {
        GBytes* rawOut = nullptr;
        GError* rawError = nullptr;
        g_subprocess_communicate_finish(G_SUBPROCESS(source), result, &rawOut, nullptr, &rawError);
        const Owned<GBytes> out(rawOut);
        const Owned<GError> failure(rawError);
        if (g_error_matches(failure.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
            return;  // The feed is gone.
        }
        auto* self = static_cast<Feed*>(data);
        const bool exited = g_subprocess_get_if_exited(G_SUBPROCESS(source)) &&
                            g_subprocess_get_exit_status(G_SUBPROCESS(source)) == 0;
        self->m_grim.reset();
        if (failure != nullptr || !exited || out == nullptr) {
            self->m_broken("grim failed: " +
                           (failure != nullptr ? Message(failure.get()) : "see its output"));
            return;
        }
        if (!self->Push(out.get())) {
            self->m_broken("grim wrote no PPM picture");
            return;
        }
        const gint64 waited = g_get_monotonic_time() - self->m_grabStarted;
        const gint64 delayUs = std::max<gint64>(0, kFrameIntervalUs - waited);
        self->m_timer = g_timeout_add(static_cast<guint>(delayUs / 1000), &Feed::OnTimer, self);
    }

    static gboolean OnTimer(gpointer data) {
        auto* self = static_cast<Feed*>(data);
        self->m_timer = 0;
        std::string error;
        if (!self->Grab(&error)) {
            self->m_broken(error);
        }
        return G_SOURCE_REMOVE;
    }

    // pipewiresink asks PipeWire for buffers of its pool's size, which
    // nobody upstream of it sets (appsrc does not negotiate a pool, and
    // videoconvert leaves the size at 0): without this every buffer is
    // empty and the sink crashes on the first frame a consumer takes.
    void SizeBuffers(GstCaps* caps, guint size) {
        GstPad* pad = gst_element_get_static_pad(m_sink.get(), "sink");
        GstQuery* query = gst_query_new_allocation(caps, TRUE);
        if (gst_pad_query(pad, query) && gst_query_get_n_allocation_pools(query) > 0) {
            GstBufferPool* pool = nullptr;
            guint proposed = 0;
            guint least = 0;
            guint most = 0;
            gst_query_parse_nth_allocation_pool(query, 0, &pool, &proposed, &least, &most);
            if (pool != nullptr) {
                gst_buffer_pool_set_active(pool, FALSE);
                GstStructure* config = gst_buffer_pool_get_config(pool);
                gst_buffer_pool_config_set_params(config, caps, std::max(size, proposed), least,
                                                  most);
                if (!gst_buffer_pool_set_config(pool, config) ||
                    !gst_buffer_pool_set_active(pool, TRUE)) {
                    g_printerr("kivtest portal: cannot size the cast's buffers\n");
                }
                gst_object_unref(pool);
            }
        }
        gst_query_unref(query);
        gst_object_unref(pad);
    }

    bool Push(GBytes* out) {
        gsize size = 0;
        const auto* data = static_cast<const guint8*>(g_bytes_get_data(out, &size));
        const std::optional<Ppm> picture = ParsePpm(data, size);
        if (!picture) {
            return false;
        }
        if (picture->width != m_width || picture->height != m_height) {
            GstCaps* caps =
                gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
                                    G_TYPE_INT, picture->width, "height", G_TYPE_INT,
                                    picture->height, "framerate", GST_TYPE_FRACTION, 0, 1, nullptr);
            gst_app_src_set_caps(GST_APP_SRC(m_source.get()), caps);
            SizeBuffers(caps, static_cast<guint>(picture->width) * picture->height * 4);
            gst_caps_unref(caps);
            m_width = picture->width;
            m_height = picture->height;
        }
        const gsize pixels = static_cast<gsize>(picture->width) * picture->height;
        GstBuffer* buffer = gst_buffer_new_allocate(nullptr, pixels * 4, nullptr);
        GstMapInfo map;
        if (buffer == nullptr || !gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
            if (buffer != nullptr) {
                gst_buffer_unref(buffer);
            }
            return false;
        }
        const guint8* from = data + picture->offset;
        for (gsize pixel = 0; pixel < pixels; ++pixel, from += 3) {
            map.data[pixel * 4] = from[2];
            map.data[pixel * 4 + 1] = from[1];
            map.data[pixel * 4 + 2] = from[0];
            map.data[pixel * 4 + 3] = 0xff;
        }
        gst_buffer_unmap(buffer, &map);
        return gst_app_src_push_buffer(GST_APP_SRC(m_source.get()), buffer) == GST_FLOW_OK;
    }

    static gboolean OnMessage(GstBus*, GstMessage* message, gpointer data) {
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* rawError = nullptr;
            gst_message_parse_error(message, &rawError, nullptr);
            const Owned<GError> failure(rawError);
            static_cast<Feed*>(data)->m_broken("the cast's pipeline broke: " +
                                               Message(failure.get()));
        }
        return G_SOURCE_CONTINUE;
    }

    std::string m_nodeName;
    bool m_cursor = false;
    Broken m_broken;
    OwnedObject<GCancellable> m_cancellable;
    OwnedObject<GSubprocess> m_grim;
    Owned<GstElement> m_pipeline;
    Owned<GstElement> m_source;
    Owned<GstElement> m_sink;
    guint m_timer = 0;
    gint64 m_grabStarted = 0;
    int m_width = 0;
    int m_height = 0;
};

class Portal;

// One session the frontend created: its object on the bus and, once started,
// its feed.
class Session {
public:
    Session(Portal& portal, std::string path) : m_portal(portal), m_path(std::move(path)) {}
    ~Session();

    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool Export(GDBusConnection* connection, GDBusInterfaceInfo* interface, std::string* error);
    void SelectSources(GVariant* options) {
        guint32 mode = kCursorHidden;
        if (g_variant_lookup(options, "cursor_mode", "u", &mode)) {
            m_cursor = mode == kCursorEmbedded;
        }
    }
    void Start(GDBusMethodInvocation* invocation);
    const std::string& Path() const { return m_path; }

private:
    static gboolean OnPoll(gpointer data);
    void Answer(bool started, guint32 node = 0);
    void Broken(const std::string& why);

    Portal& m_portal;
    std::string m_path;
    GDBusConnection* m_connection = nullptr;
    guint m_registration = 0;
    bool m_cursor = false;
    std::unique_ptr<Feed> m_feed;
    GDBusMethodInvocation* m_pending = nullptr;
    guint m_poll = 0;
    gint64 m_pollLimit = 0;
};

// The ScreenCast object and every session; PipeWire's node list through the
// pipewire device provider.
class Portal {
public:
    Portal() : m_interfaces(g_dbus_node_info_new_for_xml(kInterfaces, nullptr)) {}
    ~Portal() {
        m_sessions.clear();
        if (m_registration != 0) {
            g_dbus_connection_unregister_object(m_connection, m_registration);
        }
        if (m_nodes != nullptr) {
            gst_device_provider_stop(GST_DEVICE_PROVIDER(m_nodes.get()));
        }
    }

    Portal(const Portal&) = delete;
    Portal& operator=(const Portal&) = delete;

    bool WatchNodes(std::string* error) {
        GstDeviceProvider* provider =
            gst_device_provider_factory_get_by_name("pipewiredeviceprovider");
        if (provider == nullptr) {
            *error = "no pipewire device provider (gstreamer1.0-pipewire)";
            return false;
        }
        m_nodes.reset(GST_OBJECT(provider));
        if (!gst_device_provider_start(provider)) {
            *error = "cannot reach PipeWire";
            return false;
        }
        return true;
    }

    bool Export(GDBusConnection* connection, std::string* error) {
        static const GDBusInterfaceVTable vtable = {
            &Portal::OnCall, &Portal::OnProperty, nullptr, {}};
        m_connection = connection;
        GError* rawError = nullptr;
        m_registration = g_dbus_connection_register_object(
            connection, kPortalPath,
            g_dbus_node_info_lookup_interface(m_interfaces.get(), kScreenCastInterface), &vtable,
            this, nullptr, &rawError);
        const Owned<GError> failure(rawError);
        if (m_registration == 0) {
            *error = Message(failure.get());
            return false;
        }
        return true;
    }

    // The id of the node called name, once PipeWire lists it.
    std::optional<guint32> FindNode(const std::string& name) const {
        std::optional<guint32> found;
        GList* devices = gst_device_provider_get_devices(GST_DEVICE_PROVIDER(m_nodes.get()));
        for (GList* item = devices; item != nullptr && !found; item = item->next) {
            GstStructure* properties = gst_device_get_properties(GST_DEVICE(item->data));
            const gchar* nodeName =
                properties != nullptr ? gst_structure_get_string(properties, "node.name") : nullptr;
            if (nodeName != nullptr && name == nodeName) {
                guint id = 0;
                g_object_get(item->data, "id", &id, nullptr);
                found = id;
            }
            if (properties != nullptr) {
                gst_structure_free(properties);
            }
        }
        g_list_free_full(devices, gst_object_unref);
        return found;
    }

    std::string NewNodeName() {
        return "kivtest-cast-" + std::to_string(getpid()) + "-" + std::to_string(++m_casts);
    }

    // Ends a session from the main loop, out of whatever callback asks for it;
    // announce tells the frontend the session is gone.
    void End(const std::string& path, bool announce) {
        struct Job {
            Portal* portal;
            std::string path;
            bool announce;
        };
        g_idle_add_full(
            G_PRIORITY_DEFAULT,
            [](gpointer data) -> gboolean {
                const auto* job = static_cast<Job*>(data);
                job->portal->EndNow(job->path, job->announce);
                return G_SOURCE_REMOVE;
            },
            new Job{this, path, announce}, [](gpointer data) { delete static_cast<Job*>(data); });
    }

private:
    void EndNow(const std::string& path, bool announce) {
        if (m_sessions.erase(path) != 0 && announce) {
            g_dbus_connection_emit_signal(m_connection, nullptr, path.c_str(), kSessionInterface,
                                          "Closed", nullptr, nullptr);
        }
    }

    Session* Find(const gchar* path) {
        const auto found = m_sessions.find(path);
        return found != m_sessions.end() ? found->second.get() : nullptr;
    }

    static void Reply(GDBusMethodInvocation* invocation, guint32 response) {
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(u@a{sv})", response, g_variant_new("a{sv}", nullptr)));
    }

    static void OnCall(GDBusConnection* connection, const gchar*, const gchar*, const gchar*,
                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                       gpointer data) {
        auto* self = static_cast<Portal*>(data);
        const gchar* sessionPath = nullptr;
        g_variant_get_child(parameters, 1, "&o", &sessionPath);
        Session* session = self->Find(sessionPath);
        if (g_strcmp0(method, "CreateSession") == 0) {
            if (session != nullptr) {
                Reply(invocation, kResponseFailed);
                return;
            }
            auto created = std::make_unique<Session>(*self, sessionPath);
            std::string error;
            if (!created->Export(
                    connection,
                    g_dbus_node_info_lookup_interface(self->m_interfaces.get(), kSessionInterface),
                    &error)) {
                g_printerr("kivtest portal: cannot export session %s: %s\n", sessionPath,
                           error.c_str());
                Reply(invocation, kResponseFailed);
                return;
            }
            self->m_sessions.emplace(sessionPath, std::move(created));
            Reply(invocation, kResponseSuccess);
        } else if (session == nullptr) {
            Reply(invocation, kResponseFailed);
        } else if (g_strcmp0(method, "SelectSources") == 0) {
            GVariant* options = g_variant_get_child_value(parameters, 3);
            session->SelectSources(options);
            g_variant_unref(options);
            Reply(invocation, kResponseSuccess);
        } else {
            session->Start(invocation);
        }
    }

    static GVariant* OnProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                const gchar* name, GError**, gpointer) {
        if (g_strcmp0(name, "AvailableSourceTypes") == 0) {
            return g_variant_new_uint32(kMonitor);
        }
        if (g_strcmp0(name, "AvailableCursorModes") == 0) {
            return g_variant_new_uint32(kCursorHidden | kCursorEmbedded);
        }
        return g_variant_new_uint32(2);
    }

    friend class Session;

    Owned<GDBusNodeInfo> m_interfaces;
    GDBusConnection* m_connection = nullptr;
    guint m_registration = 0;
    Owned<GstObject> m_nodes;
    std::map<std::string, std::unique_ptr<Session>> m_sessions;
    unsigned m_casts = 0;
};

Session::~Session() {
    if (m_poll != 0) {
        g_source_remove(m_poll);
    }
    Answer(false);
    m_feed.reset();
    if (m_registration != 0) {
        g_dbus_connection_unregister_object(m_connection, m_registration);
    }
}

bool Session::Export(GDBusConnection* connection, GDBusInterfaceInfo* interface,
                     std::string* error) {
    static const GDBusInterfaceVTable vtable = {
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GVariant*,
           GDBusMethodInvocation* invocation, gpointer data) {
            // Close is the only method.
            auto* self = static_cast<Session*>(data);
            g_dbus_method_invocation_return_value(invocation, nullptr);
            self->m_portal.End(self->m_path, false);
        },
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*, GError**,
           gpointer) { return g_variant_new_uint32(1); },
        nullptr,
        {}};
    m_connection = connection;
    GError* rawError = nullptr;
    m_registration = g_dbus_connection_register_object(connection, m_path.c_str(), interface,
                                                       &vtable, this, nullptr, &rawError);
    const Owned<GError> failure(rawError);
    if (m_registration == 0) {
        *error = Message(failure.get());
        return false;
    }
    return true;
}

void Session::Start(GDBusMethodInvocation* invocation) {
    if (m_pending != nullptr || m_feed != nullptr) {
        Portal::Reply(invocation, kResponseFailed);
        return;
    }
    m_pending = invocation;
    m_feed = std::make_unique<Feed>(m_portal.NewNodeName(), m_cursor,
                                    [this](const std::string& why) { Broken(why); });
    std::string error;
    if (!m_feed->Start(&error)) {
        Broken(error);
        return;
    }
    m_pollLimit = g_get_monotonic_time() + kNodeLimitUs;
    m_poll = g_timeout_add(kNodePollMs, &Session::OnPoll, this);
}

gboolean Session::OnPoll(gpointer data) {
    auto* self = static_cast<Session*>(data);
    const std::optional<guint32> node = self->m_portal.FindNode(self->m_feed->NodeName());
    if (node && self->m_feed->Width() > 0) {
        self->m_poll = 0;
        self->Answer(true, *node);
        return G_SOURCE_REMOVE;
    }
    if (g_get_monotonic_time() > self->m_pollLimit) {
        self->m_poll = 0;
        self->Broken("PipeWire did not list the cast's node in time");
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

void Session::Answer(bool started, guint32 node) {
    if (m_pending == nullptr) {
        return;
    }
    GDBusMethodInvocation* invocation = m_pending;
    m_pending = nullptr;
    if (!started) {
        Portal::Reply(invocation, kResponseFailed);
        return;
    }
    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&properties, "{sv}", "position", g_variant_new("(ii)", 0, 0));
    g_variant_builder_add(&properties, "{sv}", "size",
                          g_variant_new("(ii)", m_feed->Width(), m_feed->Height()));
    g_variant_builder_add(&properties, "{sv}", "source_type", g_variant_new_uint32(kMonitor));
    GVariantBuilder streams;
    g_variant_builder_init(&streams, G_VARIANT_TYPE("a(ua{sv})"));
    g_variant_builder_add(&streams, "(u@a{sv})", node, g_variant_builder_end(&properties));
    GVariantBuilder results;
    g_variant_builder_init(&results, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&results, "{sv}", "streams", g_variant_builder_end(&streams));
    g_dbus_method_invocation_return_value(
        invocation, g_variant_new("(u@a{sv})", kResponseSuccess, g_variant_builder_end(&results)));
}

void Session::Broken(const std::string& why) {
    g_printerr("kivtest portal: the cast of %s ends: %s\n", m_path.c_str(), why.c_str());
    Answer(false);
    m_portal.End(m_path, true);
}

struct Run {
    GMainLoop* loop = nullptr;
    Portal* portal = nullptr;
    int status = 0;
};

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    Run run;
    run.loop = g_main_loop_new(nullptr, FALSE);
    int status = 0;
    {
        Portal portal;
        run.portal = &portal;
        std::string error;
        if (!portal.WatchNodes(&error)) {
            g_printerr("kivtest portal: %s\n", error.c_str());
            g_main_loop_unref(run.loop);
            return 1;
        }
        const guint owner = g_bus_own_name(
            G_BUS_TYPE_SESSION, kBusName, G_BUS_NAME_OWNER_FLAGS_NONE,
            [](GDBusConnection* connection, const gchar*, gpointer data) {
                auto* state = static_cast<Run*>(data);
                std::string failure;
                if (!state->portal->Export(connection, &failure)) {
                    g_printerr("kivtest portal: cannot export the screen cast: %s\n",
                               failure.c_str());
                    state->status = 1;
                    g_main_loop_quit(state->loop);
                }
            },
            nullptr,
            [](GDBusConnection*, const gchar*, gpointer data) {
                auto* state = static_cast<Run*>(data);
                g_printerr("kivtest portal: lost the name %s or the bus\n", kBusName);
                state->status = 1;
                g_main_loop_quit(state->loop);
            },
            &run, nullptr);
        const auto quit = [](gpointer data) -> gboolean {
            g_main_loop_quit(static_cast<Run*>(data)->loop);
            return G_SOURCE_CONTINUE;
        };
        const guint term = g_unix_signal_add(SIGTERM, quit, &run);
        const guint interrupt = g_unix_signal_add(SIGINT, quit, &run);
        g_main_loop_run(run.loop);
        g_source_remove(term);
        g_source_remove(interrupt);
        g_bus_unown_name(owner);
        status = run.status;
    }
    g_main_loop_unref(run.loop);
    return status;
}
