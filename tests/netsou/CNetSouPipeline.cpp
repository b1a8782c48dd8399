#include "CNetSouPipeline.h"

#include <gst/app/gstappsink.h>

bool CNetSouPipeline::LoadPlugin(QString* error) {
    GError* failure = nullptr;
    GstPlugin* plugin = gst_plugin_load_file(NETSOU_PLUGIN_FILE, &failure);
    if (plugin == nullptr) {
        *error = QString::fromUtf8(failure != nullptr ? failure->message : "unknown error");
        g_clear_error(&failure);
        return false;
    }
    gst_object_unref(plugin);
    return true;
}

CNetSouPipeline::CNetSouPipeline(const char* sinkOptions) {
    const QByteArray description =
        QByteArray("netsou name=source ! appsink name=sink sync=false ") + sinkOptions;
    GError* failure = nullptr;
    m_pipeline.reset(gst_parse_launch(description.constData(), &failure));
    g_clear_error(&failure);
    if (!m_pipeline) {
        return;
    }
    m_source.reset(gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "source"));
    m_sink.reset(gst_bin_get_by_name(GST_BIN(m_pipeline.get()), "sink"));
    if (m_source) {
        g_object_get(m_source.get(), kNetSourceControlProperty, &m_control, nullptr);
    }
}

bool CNetSouPipeline::SetState(GstState state) {
    if (gst_element_set_state(m_pipeline.get(), state) == GST_STATE_CHANGE_FAILURE) {
        return false;
    }
    // A live pipeline completes PLAYING only with its first buffer, which may
    // wait for a push; the source itself changes state at once.
    GstState reached = GST_STATE_VOID_PENDING;
    return gst_element_get_state(m_source.get(), &reached, nullptr, 5 * GST_SECOND) !=
               GST_STATE_CHANGE_FAILURE &&
           reached == state;
}

GstPtr<GstSample> CNetSouPipeline::Pull(int timeoutMs) {
    return GstPtr<GstSample>(
        gst_app_sink_try_pull_sample(GST_APP_SINK(m_sink.get()), timeoutMs * GST_MSECOND));
}

CNetSouPipeline::~CNetSouPipeline() {
    if (m_pipeline) {
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    }
}
