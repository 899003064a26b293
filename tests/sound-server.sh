#!/usr/bin/env bash
# A private, headless PulseAudio for the tests that listen to what is played.
#
#   eval "$(tests/sound-server.sh start)"   starts it and prints the exports
#                                           (PULSE_SERVER, PULSE_COOKIE,
#                                           SONAVEL_SOUND_DIR)
#   tests/sound-server.sh stop DIR          stops what `start` left in DIR
#
# The server plays into a null sink, sonavel_test, whose monitor the tests
# record with parec. It runs in user mode even as root (it only warns then;
# --system would share one server machine-wide), with its own runtime and
# home directories so that nothing is written under the caller's home.
set -euo pipefail

sink=sonavel_test

log() { echo "sound-server: $*" >&2; }

# Microseconds of latency the sink reports, or nothing while it cannot say.
sink_latency() {
    pactl list sinks 2>/dev/null | awk -v name="$sink" '
        /^[[:space:]]*Name:/ { mine = ($2 == name) }
        mine && /^[[:space:]]*Latency:/ { print $2; exit }'
}

wait_for() { # tries description command...
    local tries=$1 what=$2
    shift 2
    for _ in $(seq "$tries"); do
        "$@" && return 0
        sleep 0.1
    done
    log "gave up waiting for $what"
    return 1
}

latency_is_low() {
    local us
    us=$(sink_latency)
    [ -n "$us" ] && [ "$us" -lt 50000 ]
}

stop() {
    local dir=$1 pid
    [ -d "$dir" ] || return 0
    # The keep-alive stream first, so the server is not left playing to no one.
    for name in keepalive pulseaudio; do
        [ -f "$dir/$name.pid" ] || continue
        pid=$(cat "$dir/$name.pid")
        kill "$pid" 2>/dev/null || continue
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        if kill -0 "$pid" 2>/dev/null; then
            log "$name ($pid) did not stop, killing it"
            kill -KILL "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$dir"
}

start() {
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/sonavel-sound.XXXXXX")
    mkdir -p "$dir/runtime" "$dir/home"
    chmod 700 "$dir/runtime"
    export PULSE_SERVER="unix:$dir/runtime/pulse/native"
    # The server writes this cookie at start-up; clients that find none would
    # make one in the caller's home.
    export PULSE_COOKIE="$dir/home/.config/pulse/cookie"

    # Started from a subshell that detaches its output, so that a caller
    # reading our stdout (eval "$(...)") is not kept waiting for the server.
    HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/home/.config" \
        pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit -n \
        --load="module-null-sink sink_name=$sink rate=44100 channels=2" \
        --load=module-native-protocol-unix \
        </dev/null >"$dir/pulseaudio.log" 2>&1 &
    echo $! >"$dir/pulseaudio.pid"

    if ! wait_for 100 "the server to answer" pactl info >/dev/null 2>&1; then
        cat "$dir/pulseaudio.log" >&2
        stop "$dir"
        return 1
    fi

    # An idle null sink runs with a 2 s latency and starts a new stream about
    # 1.7 s late; one low-latency stream of zeros keeps it at a few ms.
    pacat --latency-msec=20 --device="$sink" /dev/zero </dev/null >"$dir/keepalive.log" 2>&1 &
    echo $! >"$dir/keepalive.pid"
    if ! wait_for 100 "the sink's latency to fall under 50 ms" latency_is_low; then
        log "sink latency: $(sink_latency) us"
        cat "$dir/keepalive.log" >&2
        stop "$dir"
        return 1
    fi

    log "PulseAudio $(cat "$dir/pulseaudio.pid") on $PULSE_SERVER, sink $sink at $(sink_latency) us"
    printf 'export PULSE_SERVER=%q PULSE_COOKIE=%q SONAVEL_SOUND_DIR=%q\n' "$PULSE_SERVER" "$PULSE_COOKIE" "$dir"
}

case "${1:-}" in
    start) start ;;
    stop) stop "${2:?usage: $0 stop DIR}" ;;
    *) echo "usage: $0 start | stop DIR" >&2; exit 2 ;;
esac
