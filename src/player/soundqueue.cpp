// SPDX-License-Identifier: GPL-3.0-or-later
#include "soundqueue.h"

#include <gst/gst.h>

#include <atomic>
#include <cstring>

namespace {

std::atomic<bool> outputMissing{false};

// Qt changes the volume and mutes in its own element, before the audio sink:
// what the sink has already queued in the sound server still plays at the
// old volume. Sinks ask for 200 ms there by default (PulseAudio grants about
// 110), so a mute was heard 120 ms late. We ask for 30 ms, written in 10 ms
// pieces: PulseAudio grants about 25, and a mute is silent 20 to 45 ms after
// the click (one decoded frame, up to 26 ms, may already be past the volume).
// Playback under two busy loops per core still had no gap at 30 ms.
constexpr gint64 bufferTimeUs = 30000;
constexpr gint64 latencyTimeUs = 10000;

// Runs for every element added to any bin of this process: the one audio
// sink that the automatic sink picks for our player is among them.
gboolean shortenSinkQueue(GSignalInvocationHint *, guint count, const GValue *values, gpointer)
{
    if (count < 2)
        return TRUE;
    auto *element = GST_ELEMENT(g_value_get_object(&values[1]));
    // The automatic sink tries the sound server and the other outputs it
    // knows; when none answers it plays into a fake sink, in silence.
    GstElementFactory *bin = gst_element_get_factory(GST_ELEMENT(g_value_get_object(&values[0])));
    GstElementFactory *kid = element ? gst_element_get_factory(element) : nullptr;
    if (bin && kid && std::strcmp(GST_OBJECT_NAME(bin), "autoaudiosink") == 0)
        outputMissing = std::strcmp(GST_OBJECT_NAME(kid), "fakesink") == 0;
    if (element && GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK)) {
        GObjectClass *type = G_OBJECT_GET_CLASS(element);
        if (g_object_class_find_property(type, "buffer-time") && g_object_class_find_property(type, "latency-time"))
            g_object_set(element, "buffer-time", bufferTimeUs, "latency-time", latencyTimeUs, nullptr);
    }
    return TRUE; // stay for the next sink
}

} // namespace

void keepSoundQueueShort()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    // Qt Multimedia has set GStreamer up by now: this returns at once, and
    // makes sure the bin type below exists.
    gst_init(nullptr, nullptr);
    gpointer binClass = g_type_class_ref(GST_TYPE_BIN);
    g_signal_add_emission_hook(g_signal_lookup("element-added", GST_TYPE_BIN), 0, shortenSinkQueue, nullptr, nullptr);
    g_type_class_unref(binClass);
}

bool soundOutputMissing()
{
    return outputMissing;
}
