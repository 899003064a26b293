"""What bench/run measures with: a virtual display, a headless sound server and
a capture of what reaches its sink, programs that speak the "@event <ns>"
protocol of bench_driver and bench_engine, per-process CPU and memory read
from /proc, and the test audio. Python standard library only."""

import array
import bisect
import math
import os
import shlex
import shutil
import signal
import statistics
import struct
import subprocess
import tempfile
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

def _tasks(pid):
    try:
        return os.listdir(f"/proc/{pid}/task")
    except OSError:
        return []


def cpu_ns(pid):
    """CPU time of every live thread of pid, in ns (schedstat: ns resolution)."""
    total = 0
    for tid in _tasks(pid):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                total += int(f.read().split()[0])
        except OSError:
            pass  # the thread ended meanwhile
    return total


def cpu_ticks_ns(pid):
    """utime + stime of the whole process, dead threads included, in ns
    (clock ticks: 10 ms resolution). The cross-check of cpu_ns()."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    return ticks * 1_000_000_000 // os.sysconf("SC_CLK_TCK")


def wakeups(pid):
    """Context switches of every live thread: how often the process ran."""
    total = 0
    for tid in _tasks(pid):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return None


class CpuWindow:
    """CPU used by a process between start() and stop()."""

    def __init__(self, pid):
        self.pid = pid

    def start(self):
        self.t0 = now_ns()
        self.c0, self.k0, self.w0 = cpu_ns(self.pid), cpu_ticks_ns(self.pid), wakeups(self.pid)
        self.tasks0 = set(_tasks(self.pid))
        return self

    def stop(self):
        self.c1, self.k1, self.w1 = cpu_ns(self.pid), cpu_ticks_ns(self.pid), wakeups(self.pid)
        self.t1 = now_ns()
        self.tasks1 = set(_tasks(self.pid))
        self.cpu_ms = (self.c1 - self.c0) / 1e6
        self.ticks_ms = (self.k1 - self.k0) / 1e6
        self.wakeups = self.w1 - self.w0
        self.seconds = (self.t1 - self.t0) / 1e9
        # Threads that ended inside the window took their schedstat with them;
        # the tick count still has it.
        self.threads_changed = self.tasks0 != self.tasks1
        return self


# --------------------------------------------------------------------------
# Processes

class Program:
    """A child that answers commands on stdin with "@name fields... <ns>" lines."""

    def __init__(self, argv, env, cwd=None, log=None):
        self.argv = argv
        self.log = open(log, "ab") if log else subprocess.DEVNULL
        self.proc = subprocess.Popen(argv, env=env, cwd=cwd, stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=self.log,
                                     start_new_session=True)
        self.pid = self.proc.pid
        self.events = []
        self.cond = threading.Condition()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

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
        self.proc.stdin.write((command + "\n").encode())
        self.proc.stdin.flush()

    def wait(self, name, timeout=20.0, since=0):
        """The first event `name` at or after index `since`: (fields, index)."""
        deadline = time.monotonic() + timeout
        with self.cond:
            while True:
                for i in range(since, len(self.events)):
                    if self.events[i][0] == name:
                        return self.events[i][1], i
                    if self.events[i][0] == "error":
                        raise RuntimeError(f"{self.argv[0]}: {' '.join(self.events[i][1])}")
                if any(e[0] == "exit" for e in self.events[since:]) and name != "exit":
                    raise RuntimeError(f"{self.argv[0]} exited while waiting for @{name}")
                left = deadline - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"{self.argv[0]}: no @{name} within {timeout} s")
                self.cond.wait(left)

    def command(self, command, timeout=20.0):
        """Sends a command and returns the ns stamp of its answer."""
        name = command.split()[0]
        since = len(self.events)
        self.send(command)
        fields, _ = self.wait(name, timeout, since)
        return int(fields[-1])

    def all(self, name):
        return [e[1] for e in self.events if e[0] == name]

    def stop(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.close()
            except OSError:
                pass
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                pass
        kill_group(self.proc)
        if self.log is not subprocess.DEVNULL:
            self.log.close()


def kill_group(proc):
    """Ends proc's process group (it was started in a session of its own)."""
    if proc.poll() is None:
        try:
            os.killpg(proc.pid, signal.SIGTERM)
            proc.wait(3)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            pass
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass
    proc.wait()


class Xvfb:
    """A display of scripts/xvfb: Xvfb picks its number and prints it once it
    accepts connections."""

    def __init__(self, logdir):
        self.proc = subprocess.Popen([os.path.join(ROOT, "scripts", "xvfb"), "1024x768x24"],
                                     stdout=subprocess.PIPE, stderr=open(os.path.join(logdir, "xvfb.log"), "wb"),
                                     start_new_session=True)
        number = self.proc.stdout.readline().strip().decode()
        if not number.isdigit():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = f":{number}"

    def stop(self):
        kill_group(self.proc)
        self.proc.stdout.close()


class SessionBus:
    """A D-Bus session bus of scripts/session-bus: with one in their
    environment, the programs we start on the X display do not get one
    started for them (dbus-launch) that would outlive the run."""

    def __init__(self, logdir):
        self.proc = subprocess.Popen([os.path.join(ROOT, "scripts", "session-bus")], stdout=subprocess.PIPE,
                                     stderr=open(os.path.join(logdir, "dbus.log"), "wb"), start_new_session=True)
        self.address = self.proc.stdout.readline().strip().decode()
        if not self.address:
            self.stop()
            raise RuntimeError("dbus-daemon did not start")

    def stop(self):
        kill_group(self.proc)
        self.proc.stdout.close()


class SoundServer:
    """The private PulseAudio the tests use too (scripts/sound-server): one null
    sink, "sonavel_test", kept running by a stream of zeros so that the sink
    never suspends and its monitor is a continuous clock."""

    SINK = "sonavel_test"

    def __init__(self, logdir):
        script = os.path.join(ROOT, "scripts", "sound-server")
        with open(os.path.join(logdir, "sound-server.log"), "wb") as log:
            out = subprocess.run([script, "start"], stdout=subprocess.PIPE, stderr=log, check=True, text=True).stdout
        # "export NAME=value ..." with values quoted for the shell
        self.env = dict(w.split("=", 1) for w in shlex.split(out)[1:])
        self.dir = self.env.pop("SONAVEL_SOUND_DIR")
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.dir, "runtime")

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
        self.proc = subprocess.Popen(["parec", "-d", SoundServer.SINK + ".monitor", "--raw", "--format=s16le", f"--rate={RATE}",
                                      "--channels=1", "--latency-msec=5"], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, start_new_session=True)
        self.data = bytearray()
        self.arrivals = []  # ns at which the chunk ending at sample ends[k] arrived
        self.ends = []
        self.cond = threading.Condition()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        with self.cond:  # a quarter of a second of stream before anything is measured
            if not self.cond.wait_for(lambda: len(self.data) >= RATE // 2, 10):
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

    def first_above(self, level, t_from, t_to=None):
        """Time of the first sample with |x| > level at or after t_from."""
        s = self.samples
        end = len(s) if t_to is None else min(len(s), self.index_at(t_to))
        for i in range(self.index_at(t_from), end):
            x = s[i]
            if x > level or x < -level:
                return self.time_of(i)
        return None

    def first_silence(self, t_from, level=0, run=RATE // 100):
        """Start of the first run of `run` samples with |x| <= level after t_from."""
        s = self.samples
        count = 0
        for i in range(self.index_at(t_from), len(s)):
            x = s[i]
            if -level <= x <= level:
                count += 1
                if count >= run:
                    return self.time_of(i - run + 1)
            else:
                count = 0
        return None

    def peak(self, t_from, t_to):
        s = self.samples[self.index_at(t_from): self.index_at(t_to)]
        return max((abs(x) for x in s), default=0)


# --------------------------------------------------------------------------
# Test audio: a 441 Hz sine (exactly 100 samples a period), stereo, 16 bits,
# quiet (peak 5 % of full scale) with a loud tail (peak 80 %), so that what is
# heard tells where in the file the player is.

QUIET, LOUD = 0.05, 0.80


def _period(scale):
    frames = array.array("h")
    for i in range(100):
        v = int(round(scale * 32767 * math.sin(2 * math.pi * i / 100)))
        frames.extend((v, v))
    return frames.tobytes()


def _write_tone(out, seconds, scale):
    block = _period(scale) * 441  # one second
    whole, part = divmod(int(round(seconds * RATE)), RATE)
    big = block * 10
    for _ in range(whole // 10):
        out.write(big)
    for _ in range(whole % 10):
        out.write(block)
    out.write(block[: part * 4])


def _wav_header(frames):
    data = frames * 4
    if data + 36 >= 2 ** 32:
        raise ValueError("too long for a WAV file")
    return (b"RIFF" + struct.pack("<I", 36 + data) + b"WAVE"
            + b"fmt " + struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16)
            + b"data" + struct.pack("<I", data))


def make_mp3(path, quiet_s, loud_s, kbps, fast=False):
    """lame reading a WAV stream from us; lame writes the Info header with the length."""
    argv = ["lame", "--quiet", "--noreplaygain", "-b", str(kbps)]
    if fast:
        argv += ["-q", "9"]
    lame = subprocess.Popen(argv + ["-", path], stdin=subprocess.PIPE)
    lame.stdin.write(_wav_header(int(round(quiet_s * RATE)) + int(round(loud_s * RATE))))
    _write_tone(lame.stdin, quiet_s, QUIET)
    _write_tone(lame.stdin, loud_s, LOUD)
    lame.stdin.close()
    if lame.wait() != 0:
        raise RuntimeError("lame failed")


def make_wav(path, quiet_s, loud_s):
    with open(path, "wb") as out:
        out.write(_wav_header(int(round(quiet_s * RATE)) + int(round(loud_s * RATE))))
        _write_tone(out, quiet_s, QUIET)
        _write_tone(out, loud_s, LOUD)
