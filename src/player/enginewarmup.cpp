#include "enginewarmup.h"

#include <gst/gst.h>

#include <initializer_list>

namespace {

// Qt Multimedia sets GStreamer up when the window makes its player, and
// GStreamer loads a plugin when a file first needs it: each costs the main
// thread some milliseconds before the first sound. Done here first, both are
// ready by then; the main thread's own gst_init() waits for ours if need be.
void warmUp(bool forPlayback)
{
    gst_init(nullptr, nullptr);
    if (!forPlayback)
        return;
    // The plugins that play a local MP3 or WAV file into the desktop's sound server.
    for (const char *plugin : {"coreelements", "playback", "typefindfunctions", "id3demux", "audioparsers", "mpg123",
                               "wavparse", "audioconvert", "audioresample", "volume", "autodetect", "pulseaudio"}) {
        if (GstPlugin *loaded = gst_plugin_load_by_name(plugin))
            gst_object_unref(loaded);
    }
}

} // namespace

EngineWarmUp::EngineWarmUp(bool forPlayback)
{
    thread = std::thread(warmUp, forPlayback);
}

EngineWarmUp::~EngineWarmUp()
{
    if (thread.joinable())
        thread.join();
}
