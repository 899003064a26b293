// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginewarmup.h"

#include <QLibrary>
#include <QLibraryInfo>
#include <QtGlobal>

#include <gst/gst.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>

void preferLightDecoders()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (qEnvironmentVariableIsSet("GST_PLUGIN_FEATURE_RANK"))
            return;
        gst_init(nullptr, nullptr);
        // Every MP3 decoder has the marginal rank in GStreamer 1.22, and a tie goes
        // by name: FFmpeg's avdec_mp3 won, and with it came libavcodec and the rest.
        GstPluginFeature *light = gst_registry_lookup_feature(gst_registry_get(), "mpg123audiodec");
        if (!light)
            return;
        GList *decoders = gst_element_factory_list_get_elements(
            GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO, GST_RANK_NONE);
        GstCaps *mpegAudio = gst_caps_from_string("audio/mpeg, mpegversion=(int)1");
        GList *rivals = gst_element_factory_list_filter(decoders, mpegAudio, GST_PAD_SINK, FALSE);
        guint highest = 0;
        for (GList *rival = rivals; rival; rival = rival->next) {
            if (rival->data != light)
                highest = std::max(highest, gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(rival->data)));
        }
        // Only in this process's registry: nothing is written to disk, other programs keep their ranks.
        if (gst_plugin_feature_get_rank(light) <= highest)
            gst_plugin_feature_set_rank(light, highest + 1);
        gst_plugin_feature_list_free(rivals);
        gst_plugin_feature_list_free(decoders);
        gst_caps_unref(mpegAudio);
        gst_object_unref(light);
    });
}

EngineWarmUp::EngineWarmUp(bool forPlayback)
{
    thread = std::thread(&EngineWarmUp::run, this, forPlayback,
                         QLibraryInfo::location(QLibraryInfo::PluginsPath) + QLatin1String("/mediaservice/gstmediaplayer"));
}

EngineWarmUp::~EngineWarmUp()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
    }
    ended.notify_all();
    if (thread.joinable())
        thread.join();
}

// Qt Multimedia sets GStreamer up when the window makes its player, and
// GStreamer loads a plugin when a file first needs it: each costs the main
// thread some milliseconds before the first sound. Done here first, both are
// ready by then; the main thread's own gst_init() waits for ours if need be.
void EngineWarmUp::run(bool forPlayback, const QString &playerPlugin)
{
    gst_init(nullptr, nullptr);
    preferLightDecoders();
    // Qt's GStreamer player plugin, and what it links (GStreamer's GL, EGL,
    // Wayland, udev): mapped and relocated here, the main thread finds them
    // loaded when it makes its player. Never unloaded: Qt keeps it too.
    QLibrary(playerPlugin).load();
    // Without a song, the window opens first; a song handed to it later (from
    // the file manager, say) plays sooner with the plugins already loaded.
    if (!forPlayback) {
        std::unique_lock<std::mutex> lock(mutex);
        if (ended.wait_for(lock, std::chrono::milliseconds(500), [this] { return ending; }))
            return;
    }
    // The plugins that play a local MP3 or WAV file into the desktop's sound server.
    for (const char *plugin : {"coreelements", "playback", "typefindfunctions", "id3demux", "audioparsers", "mpg123",
                               "wavparse", "audioconvert", "audioresample", "volume", "autodetect", "pulseaudio"}) {
        if (GstPlugin *loaded = gst_plugin_load_by_name(plugin))
            gst_object_unref(loaded);
    }
    // When the player is given the song, its automatic sink tries a
    // PulseAudio sink, drops it and opens another: two connections to the
    // sound server, each a wait for its answers, on the main thread. The
    // PulseAudio sinks of a process share one connection while any of them
    // is open: one opened here and kept until the player has its own (a few
    // seconds at most) spares the main thread both waits.
    GstElement *sink = forPlayback ? gst_element_factory_make("pulsesink", nullptr) : nullptr;
    if (!sink)
        return;
    if (gst_element_set_state(sink, GST_STATE_READY) == GST_STATE_CHANGE_SUCCESS) {
        std::unique_lock<std::mutex> lock(mutex);
        ended.wait_for(lock, std::chrono::seconds(3), [this] { return ending; });
    }
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
}
