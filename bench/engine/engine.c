// SPDX-License-Identifier: GPL-3.0-or-later
/* The engine alone: GStreamer's playbin with its default audio sink, driven by
 * the same commands, one a line on standard input, as bench_driver drives
 * Sonavel's window:
 *
 *   open PATH | play | pause | seek MS | mute | position | quit
 *
 * Each command is answered on standard output by "@<command> <ns>", stamped
 * with CLOCK_MONOTONIC just before the engine is told. Events:
 *
 *   @loaded <ns>           the first preroll (ASYNC_DONE) after open
 *   @duration <ms> <ns>    after loading
 *   @position <ms> <ns>    answer to position
 *   @end <ns>              end of stream
 *   @error <text>
 *
 * End of file on standard input quits, like "quit".
 */
#include <gst/gst.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static GstElement *playbin;
static GMainLoop *loop;
static gboolean loading;

static long long now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static void say(const char *what, long long t)
{
    printf("@%s %lld\n", what, t);
    fflush(stdout);
}

static gboolean on_bus(GstBus *bus, GstMessage *msg, gpointer data)
{
    (void)bus;
    (void)data;
    switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ASYNC_DONE:
        if (loading) {
            const long long t = now_ns();
            loading = FALSE;
            say("loaded", t);
            gint64 duration = -1;
            gst_element_query_duration(playbin, GST_FORMAT_TIME, &duration);
            printf("@duration %lld %lld\n", duration < 0 ? -1LL : (long long)(duration / GST_MSECOND), now_ns());
            fflush(stdout);
        }
        break;
    case GST_MESSAGE_DURATION_CHANGED: {
        gint64 duration = -1;
        if (gst_element_query_duration(playbin, GST_FORMAT_TIME, &duration)) {
            printf("@duration %lld %lld\n", (long long)(duration / GST_MSECOND), now_ns());
            fflush(stdout);
        }
        break;
    }
    case GST_MESSAGE_EOS:
        say("end", now_ns());
        break;
    case GST_MESSAGE_ERROR: {
        GError *error = NULL;
        gst_message_parse_error(msg, &error, NULL);
        printf("@error %s\n", error ? error->message : "?");
        fflush(stdout);
        g_clear_error(&error);
        break;
    }
    default:
        break;
    }
    return TRUE;
}

static void command(char *line)
{
    g_strstrip(line);
    if (g_str_has_prefix(line, "open ")) {
        gchar *uri = gst_filename_to_uri(line + 5, NULL);
        const long long t = now_ns();
        gst_element_set_state(playbin, GST_STATE_NULL);
        g_object_set(playbin, "uri", uri, NULL);
        loading = TRUE;
        gst_element_set_state(playbin, GST_STATE_PAUSED);
        say("chosen", t);
        g_free(uri);
    } else if (strcmp(line, "play") == 0) {
        const long long t = now_ns();
        gst_element_set_state(playbin, GST_STATE_PLAYING);
        say("play", t);
    } else if (strcmp(line, "pause") == 0) {
        const long long t = now_ns();
        gst_element_set_state(playbin, GST_STATE_PAUSED);
        say("pause", t);
    } else if (g_str_has_prefix(line, "seek ")) {
        const gint64 ms = g_ascii_strtoll(line + 5, NULL, 10);
        const long long t = now_ns();
        gst_element_seek_simple(playbin, GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, ms * GST_MSECOND);
        say("seek", t);
    } else if (strcmp(line, "mute") == 0) {
        const long long t = now_ns();
        g_object_set(playbin, "mute", TRUE, NULL);
        say("mute", t);
    } else if (strcmp(line, "position") == 0) {
        gint64 position = -1;
        gst_element_query_position(playbin, GST_FORMAT_TIME, &position);
        printf("@position %lld %lld\n", position < 0 ? -1LL : (long long)(position / GST_MSECOND), now_ns());
        fflush(stdout);
    } else if (strcmp(line, "quit") == 0) {
        g_main_loop_quit(loop);
    } else if (*line) {
        printf("@error unknown command %s\n", line);
        fflush(stdout);
    }
}

static gboolean on_stdin(GIOChannel *channel, GIOCondition condition, gpointer data)
{
    (void)condition;
    (void)data;
    gchar *line = NULL;
    gsize length = 0;
    const GIOStatus status = g_io_channel_read_line(channel, &line, &length, NULL, NULL);
    if (status == G_IO_STATUS_NORMAL && line) {
        command(line);
        g_free(line);
        return TRUE;
    }
    g_free(line);
    if (status == G_IO_STATUS_AGAIN)
        return TRUE;
    g_main_loop_quit(loop);
    return FALSE;
}

int main(int argc, char **argv)
{
    gst_init(&argc, &argv);
    loop = g_main_loop_new(NULL, FALSE);
    playbin = gst_element_factory_make("playbin", "player");
    if (!playbin) {
        fprintf(stderr, "engine: no playbin\n");
        return 1;
    }
    GstBus *bus = gst_element_get_bus(playbin);
    gst_bus_add_watch(bus, on_bus, NULL);
    gst_object_unref(bus);

    GIOChannel *in = g_io_channel_unix_new(0);
    g_io_add_watch(in, G_IO_IN | G_IO_HUP | G_IO_ERR, on_stdin, NULL);
    printf("@ready %lld\n", now_ns());
    fflush(stdout);

    g_main_loop_run(loop);

    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
    g_io_channel_unref(in);
    g_main_loop_unref(loop);
    return 0;
}
