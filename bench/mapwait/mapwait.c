// SPDX-License-Identifier: GPL-3.0-or-later
/* Starts a program and reports, from X11 events rather than by polling, when
 * its first top-level window is mapped.
 *
 *   bench_mapwait [-n WM_NAME] [-t TIMEOUT_S] PROGRAM [ARGS...]
 *
 * Subscribes to SubstructureNotify on the root window before it forks, so no
 * MapNotify can be missed, then runs PROGRAM in a process group of its own
 * (its standard output goes to our standard error). On standard output:
 *
 *   start <ns>          CLOCK_MONOTONIC just before fork()
 *   pid <pid>
 *   map <ms> <ns>       the first MapNotify of a top-level, not override-redirect
 *                       window (with -n: whose WM_NAME or _NET_WM_NAME is WM_NAME),
 *                       in ms since start and as CLOCK_MONOTONIC
 *
 * The program then runs on until our standard input reaches end of file, when
 * its process group gets SIGTERM (SIGKILL 2 s later if it is still there).
 * Exit status 0 once mapped, 1 if the program exited first, 2 on time-out.
 */
#define _GNU_SOURCE
#include <xcb/xcb.h>

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static long long now_ns(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t atom = r ? r->atom : XCB_ATOM_NONE;
    free(r);
    return atom;
}

static int property_is(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property, const char *wanted)
{
    if (property == XCB_ATOM_NONE)
        return 0;
    xcb_get_property_reply_t *r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), NULL);
    int same = 0;
    if (r) {
        const int len = xcb_get_property_value_length(r);
        same = len == (int)strlen(wanted) && memcmp(xcb_get_property_value(r), wanted, (size_t)len) == 0;
        free(r);
    }
    return same;
}

static void stop_group(pid_t pid)
{
    kill(-pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, NULL, WNOHANG) == pid) {
            kill(-pid, SIGKILL); /* whatever it started and left behind */
            return;
        }
        usleep(10000);
    }
    kill(-pid, SIGKILL);
    waitpid(pid, NULL, 0);
}

int main(int argc, char **argv)
{
    const char *name = NULL;
    double timeout_s = 30;
    int opt;
    while ((opt = getopt(argc, argv, "+n:t:")) != -1) {
        if (opt == 'n')
            name = optarg;
        else if (opt == 't')
            timeout_s = atof(optarg);
        else
            return 64;
    }
    if (optind >= argc) {
        fprintf(stderr, "usage: %s [-n WM_NAME] [-t TIMEOUT_S] PROGRAM [ARGS...]\n", argv[0]);
        return 64;
    }

    xcb_connection_t *c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "mapwait: cannot open the display\n");
        return 3;
    }
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t net_wm_name = intern(c, "_NET_WM_NAME");
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_void_cookie_t ck = xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_generic_error_t *err = xcb_request_check(c, ck); /* also a round trip: the mask is in force */
    if (err) {
        fprintf(stderr, "mapwait: cannot watch the root window\n");
        return 3;
    }

    const long long start = now_ns();
    const pid_t pid = fork();
    if (pid < 0) {
        perror("fork");
        return 3;
    }
    if (pid == 0) {
        setpgid(0, 0);
        close(xcb_get_file_descriptor(c));
        dup2(2, 1);
        execvp(argv[optind], argv + optind);
        perror(argv[optind]);
        _exit(127);
    }
    setpgid(pid, pid);
    printf("start %lld\npid %d\n", start, (int)pid);
    fflush(stdout);

    const long long deadline = start + (long long)(timeout_s * 1e9);
    struct pollfd pfd = {xcb_get_file_descriptor(c), POLLIN, 0};
    int mapped = 0;
    while (!mapped) {
        xcb_generic_event_t *ev;
        while (!mapped && (ev = xcb_poll_for_event(c)) != NULL) {
            if ((ev->response_type & 0x7f) == XCB_MAP_NOTIFY) {
                const long long t = now_ns();
                const xcb_map_notify_event_t *m = (const xcb_map_notify_event_t *)ev;
                if (!m->override_redirect && m->event == root
                    && (!name || property_is(c, m->window, XCB_ATOM_WM_NAME, name)
                        || property_is(c, m->window, net_wm_name, name))) {
                    printf("map %.3f %lld\n", (double)(t - start) / 1e6, t);
                    fflush(stdout);
                    mapped = 1;
                }
            }
            free(ev);
        }
        if (mapped)
            break;
        if (xcb_connection_has_error(c)) {
            fprintf(stderr, "mapwait: lost the display\n");
            stop_group(pid);
            return 3;
        }
        if (waitpid(pid, NULL, WNOHANG) == pid) {
            printf("died\n");
            kill(-pid, SIGKILL);
            return 1;
        }
        if (now_ns() > deadline) {
            printf("timeout\n");
            stop_group(pid);
            return 2;
        }
        poll(&pfd, 1, 20);
    }

    /* Mapped: let it run until told (end of our standard input) or it exits. */
    char buf[256];
    struct pollfd in = {0, POLLIN, 0};
    for (;;) {
        if (waitpid(pid, NULL, WNOHANG) == pid) {
            kill(-pid, SIGKILL);
            printf("exited\n");
            return 0;
        }
        if (poll(&in, 1, 100) > 0) {
            const ssize_t n = read(0, buf, sizeof buf);
            if (n <= 0 && !(n < 0 && errno == EINTR))
                break;
        }
    }
    stop_group(pid);
    xcb_disconnect(c);
    return 0;
}
