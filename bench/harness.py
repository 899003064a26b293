# SPDX-License-Identifier: GPL-3.0-or-later
"""What bench/run measures with: a virtual display, a session bus and a
headless sound server, a capture of what reaches its sink, programs that speak
the "@event <ns>" protocol of bench_driver and bench_engine, per-process CPU
and memory read from /proc, and the test audio. Python standard library only."""

import array
import bisect
import contextlib
import math
import os
import shlex
import signal
import statistics
import struct
import subprocess
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RATE = 44100


def now_ns():
    return time.monotonic_ns()  # CLOCK_MONOTONIC, the clock our programs stamp with


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def loadavg():
    with open("/proc/loadavg") as f:
        return tuple(float(x) for x in f.read().split()[:3])


# --------------------------------------------------------------------------
# /proc figures

def _per_thread(pid, name, parse):
    """parse(/proc/pid/task/TID/name) summed over every live thread of pid."""
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/{name}") as f:
                total += parse(f.read())
        except OSError:
            pass  # the thread ended meanwhile
    return total


def cpu_ns(pid):
    """CPU time of every live thread of pid, in ns (schedstat: ns resolution)."""
    return _per_thread(pid, "schedstat", lambda text: int(text.split()[0]))


def cpu_ticks_ns(pid):
    """utime + stime of the whole process, dead threads included, in ns
    (clock ticks: 10 ms resolution). The cross-check of cpu_ns(): threads
    that end inside a window take their schedstat with them."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    return ticks * 1_000_000_000 // os.sysconf("SC_CLK_TCK")


def wakeups(pid):
    """Context switches of every live thread, voluntary or not: how often the process ran."""
    return _per_thread(pid, "status", lambda status: sum(int(line.split()[1]) for line in status.splitlines()
                                                         if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt"))))


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return None


def cpu_over(seconds, **pids):
    """What each process of pids={name: pid} ran over the same `seconds` from
    now: name_ms (schedstat), name_ticks_ms (clock ticks), name_wakeups, and
    t_name, the window's (start, end) in ns."""
    def sample():
        return {name: (cpu_ns(pid), cpu_ticks_ns(pid), wakeups(pid)) for name, pid in pids.items()}
    t0, before = now_ns(), sample()
    time.sleep(seconds)
    after, t1 = sample(), now_ns()
    res = {}
    for name, (c0, k0, w0) in before.items():
        c1, k1, w1 = after[name]
        res.update({f"{name}_ms": (c1 - c0) / 1e6, f"{name}_ticks_ms": (k1 - k0) / 1e6, f"{name}_wakeups": w1 - w0,
                    f"t_{name}": (t0, t1)})
    return res


# --------------------------------------------------------------------------
# Processes

def spawn(argv, env=None, log=None, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, cwd=None):
    """Starts argv in a session of its own, so that kill_group() ends it with
    whatever it started; its standard error is appended to the file log.
    proc.exec_ns: the ns stamp just before the start."""
    err = open(log, "ab") if log else subprocess.DEVNULL
    try:
        exec_ns = now_ns()
        proc = subprocess.Popen(argv, env=env, cwd=cwd, stdin=stdin, stdout=stdout, stderr=err, start_new_session=True)
        proc.exec_ns = exec_ns
        return proc
    finally:
        if log:
            err.close()  # the child has its own copy


def kill_group(proc):
    """Ends proc's process group (it was started in a session of its own)."""
    if proc.poll() is None:
        with contextlib.suppress(ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(3)
    with contextlib.suppress(ProcessLookupError, PermissionError):
        os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()


class Program:
    """A child that answers commands on stdin with "@name fields... <ns>" lines."""

    def __init__(self, argv, env, cwd, log):
        self.argv = argv
        self.proc = spawn(argv, env, log, stdin=subprocess.PIPE, stdout=subprocess.PIPE, cwd=cwd)
        self.pid = self.proc.pid
        self.events = []
        self.cond = threading.Condition()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for raw in self.proc.stdout:
            line = raw.decode(errors="replace").strip()
            if not line.startswith("@"):
                continue
            name, *fields = line[1:].split()
            with self.cond:
                self.events.append((name, fields, now_ns()))
                self.cond.notify_all()
        with self.cond:
            self.events.append(("exit", [], now_ns()))
            self.cond.notify_all()

    def send(self, command):
        """Sends a command: the index of the first event that can answer it."""
        since = len(self.events)
        self.proc.stdin.write((command + "\n").encode())
        self.proc.stdin.flush()
        return since

    def wait(self, name, timeout=20.0, since=0):
        """The fields of the first event `name` at or after index `since`."""
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                for event, fields, _ in self.events[since:]:
                    if event == name:
                        return fields
                    if event == "error":
                        raise RuntimeError(f"{self.argv[0]}: {' '.join(fields)}")
                if any(e[0] == "exit" for e in self.events[since:]) and name != "exit":
                    raise RuntimeError(f"{self.argv[0]} exited while waiting for @{name}")
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"{self.argv[0]}: no @{name} within {timeout} s")
                self.cond.wait(left)

    def command(self, command, timeout=20.0):
        """Sends a command and returns the ns stamp of its answer."""
        return int(self.wait(command.split()[0], timeout, self.send(command))[-1])

    def open(self, path, timeout=60, command="open"):
        """Opens path: the ns stamps of @chosen and @loaded."""
        since = self.send(f"{command} {path}")
        return (int(self.wait("chosen", timeout, since)[-1]), int(self.wait("loaded", timeout, since)[-1]))

    def all(self, name):
        return [e[1] for e in self.events if e[0] == name]

    def stop(self):
        """Closes its input, which ends it, and ends what is left after 5 s."""
        with contextlib.suppress(OSError):
            self.proc.stdin.close()
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.proc.wait(5)
        kill_group(self.proc)


class Service:
    """Xvfb or a dbus-daemon, which print their display number or bus address
    once they serve (a bus of their own keeps the programs we start from having
    one started for them by dbus-launch that would outlive us)."""

    def __init__(self, argv, log, valid=bool):
        self.proc = spawn(argv, log=log, stdout=subprocess.PIPE)
        self.line = self.proc.stdout.readline().strip().decode()
        if not valid(self.line):
            self.stop()
            raise RuntimeError(f"{argv[0]} did not start")

    def stop(self):
        kill_group(self.proc)
        self.proc.stdout.close()


class SoundServer:
    """The private sound server the tests use too (scripts/sound-server):
    PulseAudio, or with kind "pipewire" PipeWire with pipewire-pulse and
    wireplumber; one null sink, "sonavel_test", kept running by a stream of
    zeros so that the sink never suspends and its monitor is a continuous clock."""

    SINK = "sonavel_test"

    def __init__(self, logdir, bus_address, kind="pulseaudio"):
        script = os.path.join(ROOT, "scripts", "sound-server")
        # On the bench's own bus: PulseAudio takes a name on the session bus,
        # which a sound server already there (the desktop's, the tests') holds.
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus_address)
        command = "start-pipewire" if kind == "pipewire" else "start"
        with open(os.path.join(logdir, "sound-server.log"), "wb") as log:
            out = subprocess.run([script, command], env=env, stdout=subprocess.PIPE, stderr=log, check=True,
                                 text=True).stdout
        # "export NAME=value ..." with values quoted for the shell
        self.env = dict(w.split("=", 1) for w in shlex.split(out)[1:])
        self.dir = self.env.pop("SONAVEL_SOUND_DIR")
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.dir, "runtime")
        with open(os.path.join(self.dir, f"{kind}.pid")) as f:
            self.pid = int(f.read())  # for the server's own CPU

    def stop(self):
        subprocess.run([os.path.join(ROOT, "scripts", "sound-server"), "stop", self.dir], check=False)


class Capture:
    """Records the sink's monitor (mono s16le) and stamps every chunk as it
    arrives. A sample's time is read off the chunk that brought it: the
    arrival time less the samples that came after it in that chunk. Locally,
    because the monitor is not one unbroken clock: when a stream starts, stops
    or flushes, the sink rewinds and renders again what it had rendered
    ahead, and the monitor hands out both."""

    def __init__(self, env):
        self.proc = spawn(["parec", "-d", SoundServer.SINK + ".monitor", "--raw", "--format=s16le", f"--rate={RATE}",
                           "--channels=1", "--latency-msec=5"], env, stdout=subprocess.PIPE)
        self.data = bytearray()
        self.arrivals = []  # ns at which the chunk ending at sample ends[k] arrived
        self.ends = []
        self.cond = threading.Condition()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        with self.cond:  # a quarter of a second of stream before anything is measured
            if not self.cond.wait_for(lambda: len(self.data) >= RATE // 2, 10):
                self.stop()
                raise RuntimeError("no audio from the sink's monitor")

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 65536)
            t = now_ns()
            if not chunk:
                break
            with self.cond:
                self.data += chunk
                self.arrivals.append(t)
                self.ends.append(len(self.data) // 2)
                self.cond.notify_all()

    def stop(self):
        kill_group(self.proc)
        self.thread.join(5)
        self.proc.stdout.close()
        self.samples = array.array("h")
        self.samples.frombytes(bytes(self.data[: len(self.data) // 2 * 2]))

    def index_at(self, t):
        """The sample that was arriving at time t."""
        k = bisect.bisect_left(self.arrivals, t)
        if k >= len(self.arrivals):
            return len(self.samples)
        return max(0, self.ends[k] - (self.arrivals[k] - t) * RATE // 1_000_000_000)

    def time_of(self, i):
        """When sample i arrived: the least of what its chunk and the chunks of
        the next 20 ms say, so one late wake-up of the reader does not count."""
        k = bisect.bisect_right(self.ends, i)
        best = None
        for j in range(k, len(self.ends)):
            if self.ends[j] - i > RATE // 50 and best is not None:
                break
            t = self.arrivals[j] - (self.ends[j] - i) * 1_000_000_000 // RATE
            best = t if best is None else min(best, t)
        return best

    def first_above(self, level, t_from):
        """Time of the first sample with |x| > level at or after t_from."""
        s = self.samples
        for i in range(self.index_at(t_from), len(s)):
            if s[i] > level or s[i] < -level:
                return self.time_of(i)
        return None

    def first_silence(self, t_from, run=RATE // 100):
        """Start of the first run of `run` zero samples after t_from."""
        s, count = self.samples, 0
        for i in range(self.index_at(t_from), len(s)):
            count = count + 1 if s[i] == 0 else 0
            if count >= run:
                return self.time_of(i - run + 1)
        return None

    def peak(self, t_from, t_to):
        s = self.samples[self.index_at(t_from): self.index_at(t_to)]
        return max((abs(x) for x in s), default=0)

    def quietest(self, t0, t1, window_ns=100_000_000):
        """The smallest peak of any 100 ms stretch in [t0, t1): > 0 all the
        way through when something played without a gap."""
        peaks = [self.peak(t, t + window_ns) for t in range(t0, t1 - window_ns + 1, window_ns)]
        return min(peaks, default=0)


def registry_without(plugin, workdir, env):
    """The environment of a GStreamer that has every system plugin but
    libgst<plugin>.so, as on a machine without its package: a directory of
    links to the others and a registry of its own, made here once so that no
    measured start scans them."""
    system = subprocess.run(["pkg-config", "--variable=pluginsdir", "gstreamer-1.0"], capture_output=True, text=True,
                            check=True).stdout.strip()
    links = os.path.join(workdir, "plugins")
    os.makedirs(links, exist_ok=True)
    for name in os.listdir(links):
        os.unlink(os.path.join(links, name))
    for name in os.listdir(system):
        if name != f"libgst{plugin}.so":
            os.symlink(os.path.join(system, name), os.path.join(links, name))
    extra = {"GST_PLUGIN_SYSTEM_PATH_1_0": links, "GST_REGISTRY_1_0": os.path.join(workdir, "registry.bin")}
    subprocess.run(["gst-inspect-1.0", "coreelements"], env={**env, **extra}, stdout=subprocess.DEVNULL, check=True)
    return extra


# --------------------------------------------------------------------------
# Test audio: a 441 Hz sine (exactly 100 samples a period), stereo, 16 bits,
# quiet (peak 5 % of full scale) with a loud tail (peak 80 %), so that what is
# heard tells where in the file the player is.

QUIET, LOUD = 0.05, 0.80


def _write_audio(out, quiet_s, loud_s):
    """A WAV stream: quiet_s seconds of the quiet tone, then loud_s of the loud one."""
    frames = [int(round(quiet_s * RATE)), int(round(loud_s * RATE))]
    data = sum(frames) * 4
    if data + 36 >= 2 ** 32:
        raise ValueError("too long for a WAV file")
    out.write(b"RIFF" + struct.pack("<I", 36 + data) + b"WAVE"
              + b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16)
              + b"data" + struct.pack("<I", data))
    for count, scale in zip(frames, (QUIET, LOUD)):
        period = array.array("h")
        for i in range(100):
            v = int(round(scale * 32767 * math.sin(2 * math.pi * i / 100)))
            period.extend((v, v))
        second = period.tobytes() * 441
        whole, part = divmod(count, RATE)
        for _ in range(whole):
            out.write(second)
        out.write(second[: part * 4])


def make_mp3(path, quiet_s, loud_s, kbps, fast=False):
    """lame reading a WAV stream from us; lame writes the Info header with the
    length. Written beside path first, so that path is only ever whole."""
    argv = ["lame", "--quiet", "--noreplaygain", "-b", str(kbps)] + (["-q", "9"] if fast else [])
    lame = subprocess.Popen(argv + ["-", path + ".part"], stdin=subprocess.PIPE)
    _write_audio(lame.stdin, quiet_s, loud_s)
    lame.stdin.close()
    if lame.wait() != 0:
        raise RuntimeError("lame failed")
    os.replace(path + ".part", path)


def make_wav(path, quiet_s, loud_s):
    with open(path, "wb") as out:
        _write_audio(out, quiet_s, loud_s)
