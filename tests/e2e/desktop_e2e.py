#!/usr/bin/env python3
# Runs the real tessaly as a user would and checks what it does.
#
# Under a private Xvfb, with a temporary HOME, tessaly-replay on 127.0.0.1 as
# the data server and an ALSA file sink as the audio device.
#
# First run (a settings file with only the data server and View 2 shown):
#   - the program starts centred and its first "Set" asks the server for the
#     stretch around now - 10 min, in the request format of the data server;
#   - both views paint their graphs;
#   - View 1 plays a few seconds; the captured sound is the chord synthesised
#     from the served samples (checked sample for sample by tessaly-e2e-chord);
#   - "View" → "Network Statistics (View 1)…": the last 10 minutes up to the
#     position, saved with "Save Table…", are the numbers tessaly-render --stats
#     gives for that stretch, and "Save Picture…" writes a PNG that decodes;
#   - Escape ends the program, which leaves a settings file with exactly the
#     expected keys.
# Later run (a settings file of an earlier run, View 2 hidden, a saved position
# above the screen's top, a median order and an unknown station):
#   - the frame keeps x, raises y to 0 and ends 20 px below the "View 2" button;
#   - "Exit" while View 1 plays ends the program; the settings hold the position
#     and the corrected values.
#
# The sink's file is a named pipe drained at the real-time rate: a plain file
# takes the stream as fast as it comes, and playback would then race hours
# ahead in seconds.
#
# With --load, View 1 plays while two busy processes load both cores.
#
# With --wine, T is tessaly.exe of the Windows build, run under wine64 in a Wine
# prefix of the run's own, with the settings file in its %APPDATA%, and its sound
# through the ALSA file sink into a PulseAudio null sink, which keeps time. The dialog
# then has the system's dialog units (found from the window's width) and the
# pictures their static edge inside, and the saved frame position is that of the
# window's border, which the display without a window manager does not show. The
# File menu's items save through Wine's own file dialog, on its drive Z:.
#
# With --wine and --render, after the Set: "View" → "Network Statistics (View 1)…",
# the window's "Save Table…" through the Save As box, and the table and summary
# compared with what tessaly-render --stats writes and prints for the same stretch.
#
# Usage: desktop_e2e.py --tessaly T --replay R --chord C [--load] [--wine] [--render R]
#        [--screenshot FILE.png]

import argparse
import calendar
import configparser
import glob
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse
import urllib.request

SCREEN_W, SCREEN_H = 1280, 1024
# Station ids the server reports, in its reply order: the replay server's
# default 60, with 37 (Neuchatel) moved first (or, while 37 is silent, the first
# station that reports), so that the first-run rule (View 1
# takes the first station of its first block) shows in the settings.
STATIONS = [37, 1, 33, 34, 100, 101, 102, 103, 105, 106, 107, 108, 109, 110, 111, 112, 114,
            115, 116, 118, 119, 134, 142, 161, 224, 226, 227, 228, 230, 231, 233, 1000, 1004,
            1005, 1013, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1029, 1051, 1063, 1066, 1070,
            1082, 1095, 1096, 1092, 1101, 1113, 1223, 1237, 1245, 1295, 2000, 2001, 2002]
BYTES_PER_SECOND = 44100 * 4  # 16-bit stereo
LIVE_SECONDS = 60
LIVE_CLOCK_OFFSET = 30  # the live run's server clock ahead of the machine's
LIVE_LATE = {1: 120, 33: 90, 34: 95, 100: 100}  # station: seconds its samples come late
PLAY_SECONDS = 6.5  # from the first sound; the chord check compares five seconds


def request_span(target):
    # The seconds of the day from stime to etime of a data request.
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(target).query)
    return tuple(sum(int(x) * f for x, f in zip(query[k][0].split(":"), (3600, 60, 1)))
                 for k in ("stime", "etime"))


WINE = "/usr/lib/wine/wine64"
# Wine's default look, the classic Windows metrics, known before any run: the
# dialog font's base units 7 x 13 (Tahoma 8 pt at 96 dpi), a 19-pixel menu bar,
# and around a frame that cannot be resized a 3-pixel border below a 19-pixel caption.
WINE_BASE_UNITS = (7, 13)
WINE_MENU_H = 19
WINE_BORDER, WINE_CAPTION = 3, 19
WINE_ENV = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml=;winedbg.exe=d"}


def use_dialog_units(bx=6, by=13, system=False):
    # Places the controls of the dialog template (rectangles in dialog units)
    # in dialog pixels: the Qt dialog's fixed base units 6 x 13 with integer
    # division; the system's (Windows) round, and its pictures have a one-pixel
    # static edge inside the rectangle.
    global PLAY_1, NOW_1, STRIP_1, GRAPH_1, GRAPH_2, VIEW2_BUTTON, EXIT, DIALOG_W, DIALOG_H

    def conv(v, b, d):
        return (v * b * 2 + d) // (2 * d) if system else v * b // d

    def du_rect(x, y, w, h, picture=False):
        edge = 1 if picture and system else 0
        return (conv(x, bx, 4) + edge, conv(y, by, 8) + edge, conv(w, bx, 4) - 2 * edge,
                conv(h, by, 8) - 2 * edge)

    PLAY_1 = du_rect(202, 87, 50, 14)  # kIdView1Play, View 1 "Play"
    NOW_1 = du_rect(14, 87, 61, 14)  # kIdView1NowMinus10, View 1 "Now - 10 min"
    STRIP_1 = du_rect(203, 63, 230, 13, True)  # kIdView1Image, View 1 main picture
    GRAPH_1 = du_rect(15, 106, 418, 68, True)  # kIdView1GraphImage, View 1 graph
    GRAPH_2 = du_rect(15, 325, 418, 68, True)  # kIdView2GraphImage, View 2 graph
    VIEW2_BUTTON = du_rect(203, 208, 87, 14)  # 6, "View 2" / "Hide View 2"
    EXIT = du_rect(481, 208, 50, 14)  # 2, "Exit"
    DIALOG_W, DIALOG_H = conv(558, bx, 4), conv(428, by, 8)


use_dialog_units()


DEFAULTS = dict(
    View2="0", Sound1="1", Sound2="0", Source1="1", Source2="3", Site1="1", Site2="1",
    HistogramValues1="3", HistogramValues2="3", HistogramSmooth1="2", HistogramSmooth2="2",
    HostSortMode1="0", HostSortMode2="0", HexagramMethod1="0", HexagramMethod2="0",
    HexagramLanguage1="0", HexagramLanguage2="0", MusicScale="3", BaseFrequency="3",
    Volume="50", Mute="0", SoundFade="1", FollowLive1="0", FollowLive2="0", LiveDelay="60")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def log(message):
    print(message, flush=True)


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def kill(proc):
    os.killpg(proc.pid, signal.SIGKILL)
    proc.wait()


def wait_for(condition, seconds, message, step=0.1):
    # Polls until the condition holds (returns its value); fails with the message after the time.
    deadline = time.time() + seconds
    while not (value := condition()):
        check(time.time() < deadline, message() if callable(message) else message)
        time.sleep(step)
    return value


class PacedPipeReader(threading.Thread):
    # Drains the sink's named pipe at the real-time rate and keeps the bytes.
    #
    # Opened read-write so that neither side's open blocks and the device may be
    # opened and closed any number of times.
    #
    # Unpaced, it drains the pipe as fast as it fills: for a writer that a real
    # clock paces already (Wine's sound on a PulseAudio null sink).

    def __init__(self, path, keep_bytes, paced=True):
        super().__init__(daemon=True)
        self.fd = os.open(path, os.O_RDWR | os.O_NONBLOCK)
        self.keep_bytes, self.paced = keep_bytes, paced
        self.data, self.total = bytearray(), 0
        self.stop = threading.Event()

    def run(self):
        started = None
        while not self.stop.is_set():
            if not select.select([self.fd], [], [], 0.05)[0]:
                continue
            started = started or time.monotonic()
            allowed = (int((time.monotonic() - started + 0.2) * BYTES_PER_SECOND) - self.total
                       if self.paced else 65536)
            if allowed <= 0:
                time.sleep(0.02)
                continue
            try:
                chunk = os.read(self.fd, min(allowed, 65536))
            except BlockingIOError:
                continue
            self.total += len(chunk)
            self.data += chunk[:max(0, self.keep_bytes - len(self.data))]

    def finish(self):
        self.stop.set()
        self.join(5)
        os.close(self.fd)


def start_pulse_sink(folder, spawn):
    # A PulseAudio server of its own with a null sink, which plays in real
    # time as a device does; returns its socket.
    os.makedirs(folder, mode=0o700)
    socket = os.path.join(folder, "native")
    spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
           "--disable-shm=yes", "-L", f"module-native-protocol-unix auth-anonymous=1 socket={socket}",
           "-L", "module-null-sink sink_name=tessaly rate=44100 channels=2"],
          env=dict(os.environ, XDG_RUNTIME_DIR=folder, HOME=folder),
          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: os.path.exists(socket), 10, "PulseAudio did not start", 0.05)
    return socket


class Run:
    def __init__(self, args):
        self.args = args
        self.tmp = tempfile.mkdtemp(prefix="tessaly-e2e-")
        self.procs = []
        self.prefix = os.path.join(self.tmp, "wine") if args.wine else None

    # -- processes --------------------------------------------------------
    def spawn(self, argv, **kw):
        proc = subprocess.Popen(argv, start_new_session=True, **kw)
        self.procs.append(proc)
        return proc

    def read_line(self, proc, what, timeout=10):
        ready, _, _ = select.select([proc.stdout], [], [], timeout)
        check(ready, f"{what} printed nothing within {timeout} s")
        return proc.stdout.readline().decode().strip()

    def start_xvfb(self):
        xvfb = self.spawn(["Xvfb", "-displayfd", "1", "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24",
                           "-nolisten", "tcp", "-noreset"],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        number = self.read_line(xvfb, "Xvfb")
        check(number.isdigit(), f"Xvfb gave no display number: {number!r}")
        self.display = ":" + number

    def start_replay(self):
        self.put_steady_station_first()
        self.replay_log = os.path.join(self.tmp, "replay.log")
        # Following the present meets a real network: the server's clock runs
        # ahead of the machine's, one station reports late alone and three
        # more at staggered lags (a drop of more than three stations at once
        # would end the reply there).
        live = ["--clock-offset", str(LIVE_CLOCK_OFFSET),
                "--late", ",".join(f"{sid}:{lag}" for sid, lag in LIVE_LATE.items())]
        self.port = self.spawn_replay(live if self.args.live else [], self.replay_log)

    def spawn_replay(self, extra=(), log_path=None):
        # Starts a replay server (the last of self.procs); returns its port.
        replay = self.spawn([self.args.replay, "--address", "127.0.0.1", "--port", "0",
                             *(["--log", log_path] if log_path else []),
                             "--stations", ",".join(map(str, STATIONS)), *extra],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        line = self.read_line(replay, "tessaly-replay")
        match = re.search(r"listening on http://127\.0\.0\.1:(\d+)$", line)
        check(match, f"tessaly-replay did not start: {line!r}")
        return int(match.group(1))

    def x_env(self):
        env = {k: v for k, v in os.environ.items() if k != "XAUTHORITY"}
        return dict(env, DISPLAY=self.display)

    def xdotool(self, *argv):
        out = subprocess.run(["xdotool", *argv], env=self.x_env(), capture_output=True,
                             timeout=10)
        return out.stdout.decode().strip()

    def key(self, *keys, window=None):
        # The keys, to the window given after giving it the focus.
        if window:
            self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--clearmodifiers", *keys)

    def grab(self, path="ppm:-"):
        # The window's pixels, written to the path or returned.
        return subprocess.run(["import", "-window", self.window, "-depth", "8", path],
                              env=self.x_env(), check=True, timeout=20, capture_output=True).stdout


    def cleanup(self):
        if self.prefix and os.path.isdir(self.prefix):
            subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=self.wine_env(), timeout=30)
        for proc in reversed(self.procs):
            if proc.poll() is None:
                kill(proc)
        if not self.args.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)

    # -- the run ----------------------------------------------------------
    def wine_env(self, env=None):
        return dict(env or os.environ, WINEPREFIX=self.prefix, **WINE_ENV)

    # A Wine prefix of the run's own, with Wine's sound going to ALSA.
    WINE_SETUP = (["wineboot", "--init"],
                  ["reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Audio", "/d", "alsa",
                   "/f"])

    def start_wine(self):
        env = self.wine_env(self.x_env())
        started = time.time()
        for argv in self.WINE_SETUP:
            subprocess.run([WINE, *argv], env=env, check=True, timeout=120,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=env, timeout=60)
        roaming = [d for d in glob.glob(f"{self.prefix}/drive_c/users/*/AppData/Roaming")
                   if os.sep + "Public" + os.sep not in d]
        check(len(roaming) == 1, f"no %APPDATA% in the Wine prefix: {roaming}")
        self.appdata = roaming[0]
        log(f"Wine prefix made in {time.time() - started:.1f} s")

    def main(self):
        self.start_xvfb()
        if self.args.wine:
            self.start_wine()
        self.start_replay()
        self.scenario()

    def scenario(self):
        if self.args.live:
            return self.live_run()
        self.first_run()
        self.later_run()

    def live_run(self):
        # "View" → "Follow Live (View 1)" for a minute: View 1 plays 60 s behind
        # the present with small requests, and its sound is the chord of those
        # seconds without a gap for the whole minute.
        log("-- live run")
        station = self.steady_station()
        self.launch("live", f"[Application]\nVersion=1.0.1\nView2=1\nSite1={station}\n\n"
                    f"[Server]\nHost=127.0.0.1:{self.port}\n", keep_seconds=LIVE_SECONDS + 8)
        self.find_dialog_units()
        self.check_graphs(views=(("View 1 graph", GRAPH_1),))
        before = len(self.requests())
        self.key("alt+v", "l", window=self.window)
        started = int(time.time())
        time.sleep(LIVE_SECONDS + 4)
        check(self.tessaly.poll() is None, "tessaly ended while following the present")
        live = self.requests()[before:]
        self.exit_with_escape()
        self.sound.finish()
        # The start at the present less 60 s asks for what lies around it, in
        # its first second (twice when the ten minutes it asks for end at
        # midnight); then the new seconds as they come, one request in 5 s at
        # most over the LIVE_SECONDS + 4 s watched.
        times = [int(r[0]) for r in live]
        start = [t for t in times if t == times[0]] if times else []
        follow = times[len(start):]
        # (The first request of following may fall in that second too.)
        check(1 <= len(start) <= 3, f"the start asked {len(start)} times: {times}")
        check(LIVE_SECONDS // 10 <= len(live) <= 2 + (LIVE_SECONDS + 4) // 5 + 1,
              f"{len(live)} requests in {LIVE_SECONDS} s of following")
        check(all(b - a >= 4 for a, b in zip(follow, follow[1:])),
              f"requests closer than 5 s apart: {times}")
        # Following asks for nothing past the server's present, and asks for
        # the late stations' last five minutes again.
        spans = [(int(r[0]) + LIVE_CLOCK_OFFSET, *request_span(r[3])) for r in live[len(start):]]
        check(all(e <= now % 86400 + 1 for now, _, e in spans),
              f"requests past the present: {[r[3] for r in live]}")
        check(any(e - s >= 290 for _, s, e in spans),
              f"no request asked again for late samples: {[r[3] for r in live]}")
        # 60 s behind the server's present, not the machine's.
        starts = [started + LIVE_CLOCK_OFFSET - 60 + d for d in (0, -1, 1, -2)]
        text = self.check_chord("live/captured", self.sound.data, station, starts,
                                "the live sound is not the chord of the minute",
                                ["--chunks", str(LIVE_SECONDS * 10)])
        check(self.read_settings()[0]["Application"].get("FollowLive1") == "1",
              "Follow Live was not saved")
        log(f"followed the present for {LIVE_SECONDS} s with {len(live)} requests; "
            + text.strip().splitlines()[-1])

    def put_steady_station_first(self):
        # Each generated station is silent for ten minutes now and then: the
        # station the runs play and paint near now - 10 min (the first one of the
        # server's order, which the first run takes) must not be silent then.
        now = int(time.time())
        midnight = now - now % 86400
        ids, rows = self.samples(max(now - 780, midnight), now - 360, [])
        # Station 1 is View 1's default: the first-run rule would not show.
        steady = [int(sid) for k, sid in enumerate(ids) if sid != "1"
                  and sum(1 for r in rows if k < len(r) and r[k]) >= len(rows) * 0.98]
        check(steady, "no station reports around now - 10 min")
        STATIONS.remove(steady[0])
        STATIONS.insert(0, steady[0])

    def samples(self, start, end, extra=None):
        # The station ids and the rows of samples for [start, end] that the run's
        # replay server sends, or (given extra) one of its own started with extra.
        port = self.port if extra is None else self.spawn_replay(extra)
        try:
            with urllib.request.urlopen(f"http://127.0.0.1:{port}{target(start, end)}",
                                        timeout=20) as reply:
                lines = reply.read().decode().splitlines()
        finally:
            if extra is not None:
                kill(self.procs[-1])
        ids = next(l for l in lines if l.startswith("12,")).split(",")[3:]
        return ids, [l.split(",")[3:] for l in lines if l.startswith("13,")]

    def steady_station(self):
        # A station whose samples are final as soon as they are served (it reports
        # at once, while others lag by up to 50 s and seconds missing only a few
        # stations are kept), and that reports every second the run may play,
        # from 90 s ago to a minute ahead (each is silent for ten minutes now and
        # then, and misses 3 seconds in 1000: over a longer stretch no station
        # of the 60 may qualify): a second server whose present lies ahead shows
        # the coming seconds.
        now = int(time.time())
        midnight = now - now % 86400
        start, end = max(now - 90, midnight), min(now + 60, midnight + 86399)
        ids, coming = self.samples(start, end, ["--now", str(now + 400)])
        _, recent = self.samples(max(now - 30, midnight), now - 1)
        check(len(coming) == end - start + 1, f"{len(coming)} seconds from the server ahead")
        steady = [int(sid) for k, sid in enumerate(ids)
                  if all(k < len(r) and r[k] for r in coming + recent[-3:])]
        check(steady, "no station reports every second of the coming minutes")
        return steady[0]

    def launch(self, name, settings_text, keep_seconds=12):
        # Starts tessaly with its own settings file and sound sink; waits for its window.
        base = os.path.join(self.tmp, name)
        home, config, runtime = (os.path.join(base, d) for d in ("home", "config", "runtime"))
        folder = os.path.join(self.appdata if self.args.wine else config, "Tessaly")
        shutil.rmtree(folder, ignore_errors=True)
        for path in (folder, home, runtime):
            os.makedirs(path, mode=0o700)
        self.settings = os.path.join(folder, "Tessaly.ini")
        write(self.settings, settings_text.encode())

        fifo = os.path.join(base, "sound.raw")
        os.mkfifo(fifo)
        alsa = os.path.join(base, "asound.conf")
        # Under Wine the sink's clock is a PulseAudio null sink: Wine's sound
        # paces itself by the device, and a device that takes everything at once
        # makes it race or, held back, catch up with silence.
        slave = "{ type null }"
        if self.args.wine:
            pulse = start_pulse_sink(os.path.join(base, "pulse"), self.spawn)
            slave = f'{{ type pulse server "unix:{pulse}" }}'
        write(alsa, f'pcm.!default {{\n  type file\n  slave.pcm {slave}\n'
              f'  file "{fifo}"\n  format "raw"\n}}\n'.encode())
        self.sound = PacedPipeReader(fifo, keep_bytes=keep_seconds * BYTES_PER_SECOND,
                                     paced=not self.args.wine)
        self.sound.start()

        # Sanitizer builds: leaks of system libraries are no fault of the program.
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        env = dict(self.x_env(), HOME=home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
                   ALSA_CONFIG_PATH=alsa, LANG="C.UTF-8", QT_QPA_PLATFORM="xcb",
                   LSAN_OPTIONS=":".join(filter(None, [os.environ.get("LSAN_OPTIONS"),
                                                       f"suppressions={suppressions}"])))
        env = self.wine_env(env) if self.args.wine else env
        argv = [WINE, self.args.tessaly] if self.args.wine else [self.args.tessaly]
        self.launched = time.time()
        self.err_path = os.path.join(base, "tessaly.err")
        self.tessaly = self.spawn(argv, env=env, cwd=base, stdout=subprocess.DEVNULL,
                                  stderr=open(self.err_path, "w"))
        self.find_window()

    def first_run(self):
        # No settings but the data server and View 2 shown: loads, plays, Escape.
        log("-- first run")
        self.launch("first", f"[Application]\nView2=1\n\n[Server]\nHost=127.0.0.1:{self.port}\n")
        self.find_dialog_units()
        check(self.win_w == DIALOG_W, f"frame width {self.win_w}, expected {DIALOG_W}")
        # With View 2 shown the frame holds the whole dialog below its menu bar.
        check(0 < self.menu_h < 60, f"frame height {self.win_h} leaves no menu bar")
        self.check_first_requests()
        idle = self.check_graphs()
        log(f"both graphs painted {time.time() - self.launched:.1f} s after the start")
        if self.args.screenshot:
            self.grab(self.args.screenshot)
            log(f"screenshot written to {self.args.screenshot}")
        if self.args.render and not self.args.load:
            (self.check_statistics_wine if self.args.wine else self.check_statistics)()
        self.save_files(idle)
        self.play(idle)
        self.exit_with_escape()
        self.check_sound()
        self.check_settings()

    def later_run(self):
        # A settings file from an earlier run, View 2 hidden, a position above the
        # screen, two values the program corrects; "Exit" while View 1 plays.
        log("-- later run")
        self.launch("later", "[Application]\nVersion=1.0.1\nView2=0\nHostSortMode1=2\n"
                    f"Site1=99999\n\n[Server]\nHost=127.0.0.1:{self.port}\n\n"
                    "[Window]\nx=-40\ny=-25\n")
        # y is raised to 0, x kept; the frame ends 20 px below the "View 2" button.
        # Under Wine the frame's border (b wide) and title lie outside what shows.
        b, top = self.frame()
        expected_h = self.menu_h + VIEW2_BUTTON[1] + VIEW2_BUTTON[3] + 20 - b
        check((self.win_x, self.win_y, self.win_w, self.win_h) == (-40 + b, top, DIALOG_W, expected_h),
              f"frame at {self.win_x},{self.win_y} size {self.win_w}x{self.win_h}, expected "
              f"{-40 + b},{top} size {DIALOG_W}x{expected_h}")
        self.check_graphs(views=(("View 1 graph", GRAPH_1),))
        self.check_tooltip()
        self.check_keyboard()
        self.check_data_server()
        # View 1 takes the first server's reply at its next tick; until then it
        # waits for it (up to a tick of a second) and a click on "Play" is ignored.
        time.sleep(1.5)
        self.click(PLAY_1)
        self.wait_sound(BYTES_PER_SECOND)
        check(self.tessaly.poll() is None, "tessaly ended while playing")
        self.click(EXIT)
        self.wait_exit("a click on \"Exit\" while View 1 plays")
        self.sound.finish()
        self.expect_settings(dict(DEFAULTS, Version="1.0.1", Flags="0"), x="-40", y="0")

    def frame(self):
        # Under Wine the window shown lies inside Wine's border, below its caption.
        return (WINE_BORDER, WINE_BORDER + WINE_CAPTION) if self.args.wine else (0, 0)

    def find_dialog_units(self):
        # Under Wine the window shown is the dialog below its menu bar, in Wine's
        # base units; with View 2 shown, the menu bar's height is what lies above.
        if self.args.wine:
            use_dialog_units(*WINE_BASE_UNITS, system=True)
            check((self.win_w, self.win_h) == (DIALOG_W, DIALOG_H + WINE_MENU_H),
                  f"window {self.win_w}x{self.win_h}, expected {DIALOG_W}x{DIALOG_H + WINE_MENU_H}")
        self.menu_h = self.win_h - DIALOG_H

    def find_window(self):
        def found():
            check(self.tessaly.poll() is None,
                  f"tessaly ended at start-up with code {self.tessaly.returncode}")
            return self.find_visible("^Tessaly$")
        self.window = wait_for(found, 20, "no visible window titled \"Tessaly\" within 20 s", 0.2)
        self.win_x, self.win_y, self.win_w, self.win_h = self.geometry(self.window)
        log(f"window {self.window} at {self.win_x},{self.win_y} size {self.win_w}x{self.win_h}")

    def find_visible(self, title):
        # The first visible window whose title matches, or "".
        return (self.xdotool("search", "--onlyvisible", "--name", title).split() or [""])[0]

    def geometry(self, window):
        shell = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in shell.splitlines() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def to_window(self, rect):
        return (rect[0], rect[1] + self.menu_h, *rect[2:])

    def to_image(self, rect):
        # A grab holds only the part of the window on the screen.
        x, y, w, h = self.to_window(rect)
        return (x + min(0, self.win_x), y + min(0, self.win_y), w, h)

    def requests(self):
        text = read(self.replay_log) if os.path.exists(self.replay_log) else ""
        return [line.split() for line in text.splitlines() if line.strip()]

    def check_first_requests(self):
        wait_for(self.requests, 20, "no request reached the data server within 20 s")
        time.sleep(1.0)  # View 2's Set follows; it must not ask the server
        got = self.requests()
        targets = [r[3] for r in got]
        bad = [r for r in got if r[2] != "GET" or r[4] != "200"]
        check(not bad, f"unexpected requests or statuses: {bad}")
        # The lists show now - 10 min with seconds 0; the minute read may be the
        # one at launch or a later one. One graph column per 4 pixels; the
        # graph's cursor sits under the main view's.
        candidates = dict.fromkeys((int(t) - 600) // 60 * 60 for t in (self.launched, time.time()))
        back = (GRAPH_1[2] + 3) // 4 - (STRIP_1[2] + 3) // 4 // 2
        expected = {t: expected_targets(t - back, t + 600) for t in candidates}
        self.position = next((t for t in candidates if targets == expected[t]), None)
        check(self.position, f"requests {targets}, expected those for a Set at one of "
              f"{[fmt(t) for t in candidates]}: {list(expected.values())}")
        log(f"requests as expected for the Set at {fmt(self.position)}: {targets}")

    def check_graphs(self, views=(("View 1 graph", GRAPH_1), ("View 1 picture", STRIP_1),
                                  ("View 2 graph", GRAPH_2))):
        problems = []

        def painted():
            image = read_ppm(self.grab())
            problems[:] = [f"{name}: {why}" for name, rect in views
                           if (why := graph_problem(image, self.to_image(rect)))]
            return not problems and image
        image = wait_for(painted, 10, lambda: "; ".join(problems), 0.5)
        log("both views show their graphs")
        return image

    def visible_windows(self):
        return set(self.xdotool("search", "--onlyvisible", "--pid", str(self.tessaly.pid)).split())

    def check_tooltip(self):
        # Resting on the graph shows the station tooltip; a button press hides it.
        before = self.visible_windows()
        x, y, w, h = self.to_window(GRAPH_1)
        self.xdotool("mousemove", "--window", self.window, str(x + w - 60), str(y + 20))
        wait_for(lambda: self.visible_windows() - before, 5, "no tooltip over the graph within 5 s")
        # The right button: a left click on the graph would pick a station.
        self.xdotool("click", "3")
        # Checked before the show delay could bring it back.
        wait_for(lambda: not (self.visible_windows() - before), 0.4,
                 "the tooltip stays after a button press", 0.05)
        log("the tooltip shows over the graph and a button press hides it")

        # Another application's window over the graph: resting on it shows nothing.
        self.xdotool("mousemove", str(self.win_x + 5), str(self.win_y + 5))
        cover_x, cover_y = self.win_x + x + w - 200, self.win_y + y
        cover = self.spawn(["display", "-title", "tessaly-cover", "-size", "200x100",
                            "-geometry", f"+{cover_x}+{cover_y}", "xc:gray"], env=self.x_env(),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: self.find_visible("tessaly-cover"), 10, "the covering window did not appear")
        self.xdotool("mousemove", str(cover_x + 140), str(cover_y + 20))
        time.sleep(1.5)
        check(not (self.visible_windows() - before), "the tooltip shows over another window")
        kill(cover)
        log("no tooltip while another window covers the graph")

    def check_keyboard(self):
        # Alt+Esc is the system's window switch and leaves the program running.
        # Then "Now - 10 min" by a click, Shift+Tab back to the hour list, an
        # hour earlier (later just after midnight) by an arrow, Tab on to
        # "Set" and Enter: one request for a stretch holding the new time.
        self.key("alt+Escape", window=self.window)
        time.sleep(1.0)
        check(self.tessaly.poll() is None, "Alt+Esc ended tessaly")
        self.click(NOW_1)
        chosen = time.gmtime(time.time() - 600)
        time.sleep(1.0)
        before = len(self.requests())
        shift = 1 if chosen.tm_hour == 0 else -1
        self.key("--delay", "100", "shift+Tab", "shift+Tab", "shift+Tab",
                 "Down" if shift > 0 else "Up", "Tab", "Tab", "Tab", "Tab")
        time.sleep(1.0)
        check(len(self.requests()) == before, "the keys before Enter asked the data server")
        self.key("Return")
        wait_for(lambda: len(self.requests()) != before, 10, "Enter on \"Set\" asked nothing")
        second = (chosen.tm_hour + shift) * 3600 + chosen.tm_min * 60 + chosen.tm_sec
        targets = [r[3] for r in self.requests()[before:]]
        check(any(s <= second <= e for s, e in map(request_span, targets)),
              f"Enter on \"Set\" asked for {targets}, not the stretch of hour "
              f"{chosen.tm_hour + shift}")
        log(f"keyboard: Alt+Esc kept the program; Tab to \"Set\" and Enter asked {targets}")

    def choose_server(self, typed, windows_after, message, in_dialog=False):
        # "File" → "Data Server…" (or the dialog still open), the host typed over
        # the text, Enter for OK; fails with the message unless as many windows
        # titled "Data Server" show afterwards as expected (the dialog and a
        # refusal's box, or none).
        shown = lambda: self.xdotool("search", "--onlyvisible", "--name", "^Data Server$").split()
        if in_dialog:  # no window manager gives the focus back after the box
            self.key("End", *["BackSpace"] * 20, window=shown()[0])
        else:
            self.key("alt+f", "d", window=self.window)
            time.sleep(1.0)
        self.xdotool("type", "--delay", "5", typed)
        self.key("Return")
        wait_for(lambda: len(shown()) == windows_after, 10, message)

    def check_data_server(self):
        # A refused host (its message box, the dialog stays), then another
        # server: saved at once, asked for View 1's time; then the first again.
        other_log = os.path.join(self.tmp, "other-replay.log")
        other = self.spawn_replay(log_path=other_log)
        # (Under Wine without a window manager no key reaches the dialog after
        # the box; the Win32 tests drive that refusal with messages.)
        if not self.args.wine:
            self.choose_server("data server", 2, "no refusal over the dialog")
            self.key("Return")  # the refusal's OK
            time.sleep(0.7)
        self.choose_server(f"127.0.0.1:{other}", 0, "the Data Server dialog stayed open after OK",
                           in_dialog=not self.args.wine)
        wait_for(lambda: os.path.exists(other_log) and os.path.getsize(other_log) > 0, 10,
                 "the chosen server was not asked")
        check(f"Host=127.0.0.1:{other}" in read(self.settings), "the chosen server was not saved")
        before = len(self.requests())
        self.choose_server(f"127.0.0.1:{self.port}", 0, "the dialog stayed open")
        wait_for(lambda: len(self.requests()) > before, 10, "the first server was not asked again")
        check(self.xdotool("getwindowname", self.window).strip() == "Tessaly", "title changed")
        log(f"data server: {'' if self.args.wine else 'a refused host, '}another, the first again")

    def click(self, rect):
        x, y, w, h = self.to_window(rect)
        self.xdotool("mousemove", "--window", self.window, str(x + w // 2), str(y + h // 2),
                     "click", "1")

    def play(self, idle):
        # With --load, two busy processes keep both cores loaded while View 1
        # plays: its sound must still come without a gap.
        busy = [self.spawn([sys.executable, "-c", "while True: pass"])
                for _ in range(2 if self.args.load else 0)]
        self.click(PLAY_1)
        self.wait_sound(1)
        time.sleep(PLAY_SECONDS)
        for proc in busy:
            kill(proc)
        check(self.tessaly.poll() is None, "tessaly ended while playing")
        playing = read_ppm(self.grab())
        graph = self.to_image(GRAPH_1)
        check(graph_problem(playing, graph) is None, "View 1 graph lost while playing")
        check(region(playing, graph) != region(idle, graph),
              "View 1 graph did not move while playing")
        log("View 1 played; its graph moved on")

    def wait_sound(self, size):
        # The sound comes: Wine may take a second or two to open its device.
        wait_for(lambda: self.sound.total >= size, 8, lambda: f"{self.sound.total} bytes of "
                 f"sound within 8 s of \"Play\", expected {size}")

    def exit_with_escape(self, seconds=15):
        # Escape to the window; returns the seconds until tessaly ended.
        self.xdotool("windowfocus", "--sync", self.window)
        pressed = time.time()
        self.key("Escape")
        self.wait_exit("Escape", seconds)
        return time.time() - pressed

    def wait_exit(self, what, seconds=15):
        try:
            code = self.tessaly.wait(seconds)
        except subprocess.TimeoutExpired:
            raise Failure(f"tessaly still runs {seconds} s after {what}")
        check(code == 0, f"tessaly exited with code {code} after {what}")
        log(f"{what} ended tessaly with code 0")

    def check_sound(self):
        self.sound.finish()
        data = bytes(self.sound.data)
        loud = [v for i in range(0, len(data) - 3, 4)
                if (v := int.from_bytes(data[i:i + 2], "little", signed=True))]
        check(len(loud) > 44100, f"less than a second of sound: {len(loud)} non-zero frames")
        rms = (sum(v * v for v in loud[:441000]) / min(len(loud), 441000)) ** 0.5
        check(rms > 500, f"the sound is nearly silent (RMS {rms:.0f})")
        # The first run takes View 1's station from its first block.
        text = self.check_chord("first/captured", data, STATIONS[0], [self.position],
                                "the sound is not the expected chord")
        if not self.args.wine:
            # The played run is the saved one, frame for frame.
            unsilenced = lambda d: d[next(i for i in range(0, len(d), 4) if any(d[i:i + 4])):]
            played, saved = unsilenced(data), unsilenced(self.saved_sound)
            same = min(len(played), len(saved)) // 4 * 4
            check(same > 5 * BYTES_PER_SECOND and played[:same] == saved[:same],
                  "the played sound differs from the saved file")
            err = read(self.err_path).splitlines()
            dry = [line for line in err if "ran dry" in line]
            check(not dry, f"the sound output reported underruns: {dry}")
            # Opening the sound device prints none of the host APIs' probing.
            noise = [line for line in err if "ALSA lib" in line or "jack" in line.lower()]
            check(not noise, f"the sound device's probing reached the terminal: {noise[:3]}")
        log(f"sound: RMS {rms:.0f}; " + text.strip().replace("\n", "; "))

    def check_chord(self, name, data, station, starts, message, options=()):
        # tessaly-e2e-chord on the sound saved as name.raw: it must be the chord of
        # the station's samples from one of the starts; returns its report.
        raw = os.path.join(self.tmp, name + ".raw")
        write(raw, bytes(data))
        out = subprocess.run([self.args.chord, *options, raw, str(station), DEFAULTS["Volume"],
                              *map(str, starts)], capture_output=True, timeout=60)
        check(out.returncode == 0, f"{message}:\n{out.stdout.decode()}")
        return out.stdout.decode()

    def open_dialog(self, keys, message):
        # The keys open a dialog: it shows as a new visible window (under Wine it
        # need not carry the program's pid); keys go to it once it has the focus.
        shown = lambda: set(self.xdotool("search", "--onlyvisible", "--name", "").split())
        before = shown()
        self.key(*keys)
        wait_for(lambda: shown() - before, 20, message)
        time.sleep(0.3)

    def save_through_menu(self, keys, path, form_keys=(), window=None):
        # Opens a "File" menu item by its keys, types form_keys into its form and
        # accepts it (a window's button, by keys to that window: straight to the
        # file dialog), then types the path into the file dialog; waits for the file.
        self.xdotool("windowfocus", "--sync", window or self.window)
        self.open_dialog(keys, "no dialog opened")
        if not window:
            for key in form_keys:
                self.key(key)
                time.sleep(0.1)
            self.open_dialog(["Return"], "no file dialog opened")
        return self.save_as(path)

    def save_as(self, path, written=None):
        # Types the path into the file dialog shown and waits for the file (or
        # the one written with it); returns the file's bytes.
        self.key("ctrl+a")
        # Wine's file dialog takes the Linux path on its drive Z:.
        typed = "Z:" + path.replace("/", "\\") if self.args.wine else path
        self.xdotool("type", "--delay", "5", typed)
        self.key("Return")
        written = written or path
        wait_for(lambda: os.path.exists(written), 20,
                 f"{os.path.basename(written)} was not written", 0.2)
        time.sleep(0.3)
        return read(path, "rb")

    def save_files(self, idle):
        # "Save Picture…", "Export Samples…" and "Save Sound…" (Ctrl+S) of View 1.
        folder = os.path.join(self.tmp, "first")
        png = self.save_through_menu(["alt+f", "p"], os.path.join(folder, "view1.png"))
        # ImageMagick's own convert (a wrapper of the same name may stand before it).
        convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
        width, height, pixels = read_ppm(subprocess.run([convert, "png:-", "ppm:-"], input=png,
                                         capture_output=True, check=True, timeout=20).stdout)
        x, y, w, h = self.to_image(GRAPH_1)
        check((width, height) == (w, h + STRIP_1[3]),
              f"picture {width}x{height}, expected the graph {w}x{h} above the strip")
        check(region((width, height, pixels), (0, 0, w, h)) == region(idle, (x, y, w, h)),
              "the saved picture is not the painted graph")
        log(f"Save Picture: {width}x{height}, the graph pixel for pixel")

        table = self.save_through_menu(["alt+f", "e"], os.path.join(folder, "view1.csv"))
        rows = table.decode().splitlines()
        check(rows[0] == "UTC time," + ",".join(map(str, STATIONS)),
              f"table header {rows[0][:80]}")
        check(len(rows) == 1 + (w + 3) // 4, f"{len(rows) - 1} rows, expected one per column")
        log(f"Export Samples: {len(rows) - 1} seconds of {len(STATIONS)} stations")

        # "Level": the current volume, so the file is what Play sends to the device.
        wav = self.save_through_menu(["ctrl+s"], os.path.join(folder, "view1.wav"),
                                     ["Tab", "Tab", "Down"])
        # The samples are the "data" chunk, the file's last (the header before it
        # may hold a JUNK chunk that keeps room for RF64).
        data = wav.find(b"data", 12)
        size = int.from_bytes(wav[data + 4:data + 8], "little") if data > 0 else -1
        check(wav[:4] == b"RIFF" and wav[8:12] == b"WAVE" and size == 60 * BYTES_PER_SECOND
              and len(wav) == data + 8 + size, f"sound file of {len(wav)} bytes, data {size}")
        self.saved_sound = wav[data + 8:]
        self.check_chord("first/saved", self.saved_sound, STATIONS[0], [self.position],
                         "the saved sound is not the chord")
        log("Save Sound: 60 s, the chord of View 1")

    def check_statistics(self):
        # The window opens on the last hour; the last 10 minutes are picked with
        # the keyboard (Up in the stretch list, Tab to "Compute"); Shift+Tab back
        # past the list wraps round to "Save Table…", then "Save Picture…".
        window = self.open_statistics(10)
        time.sleep(0.5)
        before = len(self.requests())
        self.key("--delay", "100", "Up", "Tab", "space", window=window)
        # The 10 minutes come from the server, then their sums (also in a sanitizer build).
        start, end = self.position - 599, self.position
        fetched = lambda: any(request_span(r[3]) == (start % 86400, end % 86400)
                              for r in self.requests()[before:] if len(r) > 3 and "stime=" in r[3])
        wait_for(fetched, 20, "the statistics did not ask for the 10 minutes")
        time.sleep(1.0)
        folder = os.path.join(self.tmp, "first")
        table = self.save_through_menu(["shift+Tab", "shift+Tab", "space"],
                                       os.path.join(folder, "stats.csv"), window=window)
        summary = self.check_as_rendered(table, folder, start, end)
        check(int(summary["seconds"]) > 500, f"only {summary['seconds']} counted seconds")
        png = self.save_through_menu(["shift+Tab", "space"], os.path.join(folder, "stats.png"),
                                     window=window)
        size = subprocess.run(["identify", "-format", "%w %h", "png:-"], input=png,
                              capture_output=True, timeout=20)
        check(size.returncode == 0 and size.stdout.split() == [b"640", b"240"],
              f"the statistics picture does not decode as 640x240: {size.stderr.decode()}")
        # Off the screen: the main window's pictures are compared while it plays.
        self.xdotool("windowmove", window, str(SCREEN_W), "0")
        log(f"statistics of 10 minutes as tessaly-render's, chi-square {summary['chi-square']}")

    def open_statistics(self, seconds, step=0.1):
        self.key("alt+v", "s", window=self.window)
        return wait_for(lambda: self.find_visible(r"^Network Statistics \(View 1\)$"), seconds,
                        f"no statistics window within {seconds} s", step)

    def check_as_rendered(self, table, folder, start, end):
        # The window's stretch is [start, end], and its saved table and summary are
        # what tessaly-render --stats writes and prints for it; returns the summary.
        text = read(os.path.join(folder, "stats-summary.csv"))
        summary = dict(line.split(",", 1) for line in text.split("\n\n")[0].splitlines())
        check((summary.get("from"), summary.get("to")) == (fmt(start), fmt(end)),
              f"statistics of {summary.get('from')} – {summary.get('to')}, expected "
              f"{fmt(start)} – {fmt(end)}, up to the view's position")
        rendered = os.path.join(folder, "rendered.csv")
        out = subprocess.run([self.args.render, "--source", "server", "--host",
                              f"127.0.0.1:{self.port}", "--from", fmt(start).replace(" ", "T"),
                              "--seconds", str(end - start + 1), "--stats", rendered],
                             capture_output=True, timeout=60)
        check(out.returncode == 0, f"tessaly-render --stats failed: {out.stderr.decode()}")
        check(table == read(rendered, "rb"), "the saved table differs from tessaly-render --stats")
        printed = dict(l.split(": ", 1) for l in out.stdout.decode().splitlines() if ": " in l)
        for key in ("seconds", "chi-square", "df", "p", "z", "device-chi-square", "device-df",
                    "device-p", "excluded"):
            check(key in printed and summary.get(key) == printed[key],
                  f"{key}: the window saved {summary.get(key)}, tessaly-render printed "
                  f"{printed.get(key)}")
        return summary

    def check_statistics_wine(self):
        # "View" → "Network Statistics (View 1)…" after the Set: the window computes
        # the last hour up to the view's position; "Save Table…" through the Save As
        # box writes the per-second table and its summary, which must be exactly
        # what the Linux tessaly-render --stats writes for that stretch.
        window = self.open_statistics(20, 0.3)
        x, y = self.geometry(window)[:2]
        time.sleep(6)  # the hour of the replay server, fetched and computed
        folder = os.path.join(self.tmp, "first")
        self.xdotool("mousemove", str(x + 629), str(y + 647), "click", "1")  # "Save Table…"
        time.sleep(1.5)
        table = self.save_as(os.path.join(folder, "stats.csv"),
                             os.path.join(folder, "stats-summary.csv"))
        summary = self.check_as_rendered(table, folder, self.position - 3599, self.position)
        # Escape hides it again, off the dialog that the checks below look at.
        self.key("Escape", window=window)
        wait_for(lambda: not self.find_visible(r"^Network Statistics"), 10,
                 "Escape left the statistics window open", 0.2)
        log(f"statistics of the hour to {fmt(self.position)}: chi-square {summary['chi-square']}")

    def check_settings(self):
        # No saved position: the frame was centred on the screen. Under Wine the
        # window shown is its client area and menu bar.
        b, title = self.frame()
        width, height = self.win_w + 2 * b, title + self.win_h + b
        x, y = (SCREEN_W - width) // 2, (SCREEN_H - height) // 2
        check((self.win_x, self.win_y) == (x + b, y + title),
              f"window at {self.win_x},{self.win_y}, not in a frame {width}x{height} "
              f"centred at {x},{y}")
        self.expect_settings(dict(DEFAULTS, View2="1", Site1=str(STATIONS[0]), Version="1.0.1",
                                  Flags="0"), x=str(x), y=str(y))

    def read_settings(self):
        # The settings file's sections as dictionaries, and its text.
        parser = configparser.ConfigParser(interpolation=None, strict=True)
        parser.optionxform = str
        parser.read_string(text := read(self.settings))
        return {s: dict(parser[s]) for s in parser.sections()}, text

    def expect_settings(self, application, **window):
        # Exactly these keys: the application's, the data server and the window's.
        expected = {"Application": application, "Server": {"Host": f"127.0.0.1:{self.port}"},
                    "Window": window}
        got, text = self.read_settings()
        lines = [f"[{s}] {k}: got {got.get(s, {}).get(k)!r}, expected {e.get(k)!r}"
                 for s in sorted(set(got) | set(expected)) for e in [expected.get(s, {})]
                 for k in sorted(set(got.get(s, {})) | set(e)) if got.get(s, {}).get(k) != e.get(k)]
        check(not lines, "settings file differs:\n" + "\n".join(lines) + "\n--- file:\n" + text)
        log("settings file holds exactly the expected keys")


def fmt(t):
    return time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(t))


def target(s, e):
    # The data request for [s, e], one UTC day.
    day = "/cgi-bin/zormdatareq.pl?z=1&year=%Y&month=%-m&day=%-d&stime=%H%%3A%M%%3A%S"
    return (time.strftime(day, time.gmtime(s))
            + time.strftime("&etime=%H%%3A%M%%3A%S", time.gmtime(e)))


def expected_targets(start, end):
    # Requests of one block creation for [start, end] in an empty store: a
    # block spans 600 to 1801 seconds and never crosses a UTC midnight.
    out = []
    while start <= end and len(out) < 2:
        s, e = start, max(min(end, start + 1800), start + 599)
        d = time.gmtime(s)
        split = d.tm_yday != time.gmtime(e).tm_yday
        if split:
            e = calendar.timegm((d.tm_year, d.tm_mon, d.tm_mday, 23, 59, 59))
            s = min(s, e - 599)
        out.append(target(s, e))
        start = e + 1 if split else end + 1  # the rest of a split stretch, or done
    return out


def read_ppm(data):
    # Width, height and pixels of a binary PPM (its header may hold comments).
    gap = rb"(?:\s|#[^\n]*\n)+"
    header = re.match(rb"P6" + gap + rb"(\d+)" + gap + rb"(\d+)" + gap + rb"255\s", data)
    check(header, "grabbed image is not an 8-bit PPM")
    return int(header.group(1)), int(header.group(2)), data[header.end():]


def region(image, rect):
    width, height, pixels = image
    x, y, w, h = rect
    check(x + w <= width and y + h <= height, f"rectangle {rect} outside the window image")
    return [bytes(pixels[((y + j) * width + x) * 3:((y + j) * width + x + w) * 3])
            for j in range(h)]


def graph_problem(image, rect):
    # None when the rectangle shows a coloured sample map rather than the
    # grey background or a blank area.
    pixels = [row[i:i + 3] for row in region(image, rect) for i in range(0, len(row), 3)]
    coloured = [(r >> 4, g >> 4, b >> 4) for r, g, b in pixels if max(r, g, b) - min(r, g, b) > 60]
    if len(coloured) < len(pixels) * 0.6:
        return f"only {len(coloured)} of {len(pixels)} pixels coloured"
    if len(set(coloured)) < 20:
        return f"only {len(set(coloured))} distinct colours"
    return None


def main(run_class=Run):
    # Also the held request test's (run_class), which needs no chord or render tool.
    parser = argparse.ArgumentParser()
    parser.add_argument("--tessaly", required=True, type=os.path.abspath)
    parser.add_argument("--replay", required=True, type=os.path.abspath)
    parser.add_argument("--chord", required=run_class is Run, type=os.path.abspath)
    parser.add_argument("--render", type=os.path.abspath, help="checks the statistics tables")
    parser.add_argument("--screenshot")
    for flag, text in (("--live", "only follow the present with View 1 for a minute"),
                       ("--load", "play with two busy processes loading the cores"),
                       ("--keep", "keep the temporary folder"),
                       ("--wine", "--tessaly is the Windows build's: run it under Wine")):
        parser.add_argument(flag, action="store_true", help=text)
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing: run scripts/install-deps.sh", file=sys.stderr)
            return 1
    # Runs it; on a failure prints why, with the program's stderr and the server's log.
    run = run_class(args)
    try:
        run.main()
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        for what, path in (("tessaly stderr", getattr(run, "err_path", "")),
                           ("replay log", os.path.join(run.tmp, "replay.log"))):
            if path and os.path.exists(path):
                print(f"--- {what}:\n" + read(path)[-4000:], file=sys.stderr)
        return 1
    finally:
        run.cleanup()
    log("PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main())
