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


def day_seconds(t):
    return t % 86400


def request_span(target):
    # The seconds of the day from stime to etime of a data request.
    query = urllib.parse.parse_qs(urllib.parse.urlsplit(target).query)

    def seconds(text):
        h, m, sec = (int(x) for x in text.split(":"))
        return h * 3600 + m * 60 + sec
    return seconds(query["stime"][0]), seconds(query["etime"][0])


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
        r = (conv(x, bx, 4), conv(y, by, 8), conv(w, bx, 4), conv(h, by, 8))
        edge = 1 if picture and system else 0
        return (r[0] + edge, r[1] + edge, r[2] - 2 * edge, r[3] - 2 * edge)

    PLAY_1 = du_rect(202, 87, 50, 14)  # kIdView1Play, View 1 "Play"
    NOW_1 = du_rect(14, 87, 61, 14)  # kIdView1NowMinus10, View 1 "Now - 10 min"
    STRIP_1 = du_rect(203, 63, 230, 13, True)  # kIdView1Image, View 1 main picture
    GRAPH_1 = du_rect(15, 106, 418, 68, True)  # kIdView1GraphImage, View 1 graph
    GRAPH_2 = du_rect(15, 325, 418, 68, True)  # kIdView2GraphImage, View 2 graph
    VIEW2_BUTTON = du_rect(203, 208, 87, 14)  # 6, "View 2" / "Hide View 2"
    EXIT = du_rect(481, 208, 50, 14)  # 2, "Exit"
    DIALOG_W = conv(558, bx, 4)
    DIALOG_H = conv(428, by, 8)


use_dialog_units()


def graph_cursor_column():
    # One column per 4 pixels; the graph's cursor sits under the main view's.
    graph_columns = (GRAPH_1[2] + 3) // 4
    main_columns = (STRIP_1[2] + 3) // 4
    return graph_columns - main_columns // 2


DEFAULTS = {
    "View2": "0", "Sound1": "1", "Sound2": "0", "Source1": "1", "Source2": "3",
    "Site1": "1", "Site2": "1", "HistogramValues1": "3", "HistogramValues2": "3",
    "HistogramSmooth1": "2", "HistogramSmooth2": "2", "HostSortMode1": "0",
    "HostSortMode2": "0", "HexagramMethod1": "0", "HexagramMethod2": "0",
    "HexagramLanguage1": "0", "HexagramLanguage2": "0", "MusicScale": "3",
    "BaseFrequency": "3", "Volume": "50", "Mute": "0", "SoundFade": "1",
    "FollowLive1": "0", "FollowLive2": "0", "LiveDelay": "60",
}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def log(message):
    print(message, flush=True)


def wait_for(condition, seconds, message, step=0.1):
    # Polls until the condition holds (returns its value); fails with the message after the time.
    deadline = time.time() + seconds
    while not (value := condition()):
        check(time.time() < deadline, message)
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
        self.keep_bytes = keep_bytes
        self.paced = paced
        self.data = bytearray()
        self.total = 0
        self.stop = threading.Event()

    def run(self):
        started = None
        while not self.stop.is_set():
            ready, _, _ = select.select([self.fd], [], [], 0.05)
            if not ready:
                continue
            if started is None:
                started = time.monotonic()
            allowed = int((time.monotonic() - started + 0.2) * BYTES_PER_SECOND) - self.total
            if not self.paced:
                allowed = 65536
            if allowed <= 0:
                time.sleep(0.02)
                continue
            try:
                chunk = os.read(self.fd, min(allowed, 65536))
            except BlockingIOError:
                continue
            self.total += len(chunk)
            room = self.keep_bytes - len(self.data)
            if room > 0:
                self.data += chunk[:room]

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
        self.display = None
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
        self.port = self.spawn_replay(self.replay_log, live if self.args.live else [])

    def spawn_replay(self, log_path, extra=()):
        replay = self.spawn([self.args.replay, "--address", "127.0.0.1", "--port", "0",
                             "--log", log_path,
                             "--stations", ",".join(str(s) for s in STATIONS), *extra],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        line = self.read_line(replay, "tessaly-replay")
        match = re.search(r"listening on http://127\.0\.0\.1:(\d+)$", line)
        check(match, f"tessaly-replay did not start: {line!r}")
        return int(match.group(1))

    def x_env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        return env

    def xdotool(self, *argv):
        out = subprocess.run(["xdotool", *argv], env=self.x_env(), capture_output=True,
                             timeout=10)
        return out.stdout.decode().strip()

    def grab(self, path):
        subprocess.run(["import", "-window", self.window, "-depth", "8", path], env=self.x_env(),
                       check=True, timeout=20, capture_output=True)

    def grab_pixels(self, name):
        path = os.path.join(self.tmp, name + ".ppm")
        self.grab("ppm:" + path)
        return read_ppm(path)

    def cleanup(self):
        if self.prefix and os.path.isdir(self.prefix):
            subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=self.wine_env(), timeout=30)
        for proc in reversed(self.procs):
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
                proc.wait()
        if not self.args.keep:
            shutil.rmtree(self.tmp, ignore_errors=True)

    # -- the run ----------------------------------------------------------
    def wine_env(self, env=None):
        env = dict(env or os.environ, WINEPREFIX=self.prefix, **WINE_ENV)
        return env

    def start_wine(self):
        # A Wine prefix of the run's own, with Wine's sound going to ALSA.
        env = self.wine_env(self.x_env())
        started = time.time()
        for argv in (["wineboot", "--init"],
                     ["reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Audio", "/d", "alsa",
                      "/f"]):
            subprocess.run([WINE, *argv], env=env, check=True, timeout=120,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["/usr/lib/wine/wineserver", "-w"], env=env, timeout=60)
        roaming = [d for d in glob.glob(os.path.join(self.prefix, "drive_c", "users", "*",
                                                     "AppData", "Roaming"))
                   if os.sep + "Public" + os.sep not in d]
        check(len(roaming) == 1, f"no %APPDATA% in the Wine prefix: {roaming}")
        self.appdata = roaming[0]
        log(f"Wine prefix made in {time.time() - started:.1f} s")

    def main(self):
        self.start_xvfb()
        if self.args.wine:
            self.start_wine()
        self.start_replay()
        if self.args.live:
            self.live_run()
            return
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
        if self.args.wine:
            self.find_dialog_units()
        self.menu_h = self.win_h - DIALOG_H
        self.check_graphs(views=(("View 1 graph", GRAPH_1),))
        before = len(self.requests())
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--clearmodifiers", "alt+v", "l")
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
        most = 2 + (LIVE_SECONDS + 4) // 5 + 1
        check(LIVE_SECONDS // 10 <= len(live) <= most,
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
        raw = os.path.join(self.tmp, "live", "captured.raw")
        with open(raw, "wb") as f:
            f.write(bytes(self.sound.data))
        # 60 s behind the server's present, not the machine's.
        starts = [str(started + LIVE_CLOCK_OFFSET - 60 + d) for d in (0, -1, 1, -2)]
        out = subprocess.run([self.args.chord, "--chunks", str(LIVE_SECONDS * 10), raw, str(station),
                              DEFAULTS["Volume"], *starts], capture_output=True, timeout=60)
        text = out.stdout.decode()
        check(out.returncode == 0, f"the live sound is not the chord of the minute:\n{text}")
        settings = configparser.ConfigParser()
        settings.optionxform = str
        settings.read(self.settings)
        check(settings["Application"].get("FollowLive1") == "1", "Follow Live was not saved")
        log(f"followed the present for {LIVE_SECONDS} s with {len(live)} requests; "
            + text.strip().splitlines()[-1])

    def put_steady_station_first(self):
        # Each generated station is silent for ten minutes now and then: the
        # station the runs play and paint near now - 10 min (the first one of the
        # server's order, which the first run takes) must not be silent then.
        now = int(time.time())
        midnight = now - now % 86400
        ids, rows = self.probe_samples(max(now - 780, midnight), now - 360)
        for k, sid in enumerate(ids):
            # Station 1 is View 1's default: the first-run rule would not show.
            if sid != "1" and sum(1 for r in rows if k < len(r) and r[k]) >= len(rows) * 0.98:
                STATIONS.remove(int(sid))
                STATIONS.insert(0, int(sid))
                return
        raise Failure("no station reports around now - 10 min")

    def probe_samples(self, start, end, extra=()):
        # The samples a replay server of its own (started with extra) sends for [start, end].
        probe = self.spawn([self.args.replay, "--address", "127.0.0.1", "--port", "0",
                            "--stations", ",".join(str(s) for s in STATIONS), *extra],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        port = re.search(r":(\d+)$", self.read_line(probe, "tessaly-replay")).group(1)
        try:
            return self.samples(port, start, end)
        finally:
            os.killpg(probe.pid, signal.SIGKILL)
            probe.wait()

    @staticmethod
    def samples(port, start, end):
        # The station ids and the rows of samples a replay server sends for [start, end].
        day = time.gmtime(start)
        stime = time.strftime("%H%%3A%M%%3A%S", day)
        etime = time.strftime("%H%%3A%M%%3A%S", time.gmtime(end))
        url = (f"http://127.0.0.1:{port}/cgi-bin/zormdatareq.pl?z=1&year={day.tm_year}"
               f"&month={day.tm_mon}&day={day.tm_mday}&stime={stime}&etime={etime}")
        with urllib.request.urlopen(url, timeout=20) as reply:
            lines = reply.read().decode().splitlines()
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
        ids, coming = self.probe_samples(start, end, ["--now", str(now + 400)])
        _, recent = self.samples(self.port, max(now - 30, midnight), now - 1)
        check(len(coming) == end - start + 1, f"{len(coming)} seconds from the server ahead")
        for k, sid in enumerate(ids):
            if all(k < len(r) and r[k] for r in coming + recent[-3:]):
                return int(sid)
        raise Failure("no station reports every second of the coming minutes")

    def launch(self, name, settings_text, keep_seconds=12):
        # Starts tessaly with its own settings file and sound sink; waits for its window.
        base = os.path.join(self.tmp, name)
        home = os.path.join(base, "home")
        config = os.path.join(base, "config")
        runtime = os.path.join(base, "runtime")
        folder = os.path.join(self.appdata if self.args.wine else config, "Tessaly")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        self.settings = os.path.join(folder, "Tessaly.ini")
        with open(self.settings, "w") as f:
            f.write(settings_text)

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
        with open(alsa, "w") as f:
            f.write(f'pcm.!default {{\n  type file\n  slave.pcm {slave}\n'
                    f'  file "{fifo}"\n  format "raw"\n}}\n')
        self.sound = PacedPipeReader(fifo, keep_bytes=keep_seconds * BYTES_PER_SECOND,
                                     paced=not self.args.wine)
        self.sound.start()

        env = self.x_env()
        env.update(HOME=home, XDG_CONFIG_HOME=config, XDG_RUNTIME_DIR=runtime,
                   ALSA_CONFIG_PATH=alsa, LANG="C.UTF-8", QT_QPA_PLATFORM="xcb")
        # Sanitizer builds: leaks of system libraries are no fault of the program.
        suppressions = os.path.join(os.path.dirname(os.path.abspath(__file__)), "lsan.supp")
        env["LSAN_OPTIONS"] = ":".join(filter(None, [env.get("LSAN_OPTIONS", ""),
                                                     f"suppressions={suppressions}"]))
        argv = [self.args.tessaly]
        if self.args.wine:
            env = self.wine_env(env)
            argv = [WINE, self.args.tessaly]
        self.launched = time.time()
        self.err_path = os.path.join(base, "tessaly.err")
        self.tessaly = self.spawn(argv, env=env, cwd=base,
                                  stdout=subprocess.DEVNULL, stderr=open(self.err_path, "w"))
        self.find_window()

    def first_run(self):
        # No settings but the data server and View 2 shown: loads, plays, Escape.
        log("-- first run")
        self.launch("first", f"[Application]\nView2=1\n\n[Server]\nHost=127.0.0.1:{self.port}\n")
        if self.args.wine:
            self.find_dialog_units()
        check(self.win_w == DIALOG_W, f"frame width {self.win_w}, expected {DIALOG_W}")
        # With View 2 shown the frame holds the whole dialog below its menu bar.
        self.menu_h = self.win_h - DIALOG_H
        check(0 < self.menu_h < 60, f"frame height {self.win_h} leaves no menu bar")
        self.check_first_requests()
        idle = self.check_graphs()
        log(f"both graphs painted {time.time() - self.launched:.1f} s after the start")
        if self.args.screenshot:
            self.grab(self.args.screenshot)
            log(f"screenshot written to {self.args.screenshot}")
        if self.args.render and not self.args.load:
            if self.args.wine:
                self.check_statistics_wine()
            else:
                self.check_statistics()
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
        b, top = (WINE_BORDER, WINE_BORDER + WINE_CAPTION) if self.args.wine else (0, 0)
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
        application = dict(DEFAULTS, Version="1.0.1", Flags="0")
        self.expect_settings({"Application": application,
                              "Server": {"Host": f"127.0.0.1:{self.port}"},
                              "Window": {"x": "-40", "y": "0"}})

    def find_dialog_units(self):
        # Under Wine the window shown is the dialog below its menu bar, in Wine's base units.
        use_dialog_units(*WINE_BASE_UNITS, system=True)
        expected = (DIALOG_W, DIALOG_H + WINE_MENU_H)
        check((self.win_w, self.win_h) == expected,
              f"window {self.win_w}x{self.win_h}, expected {expected[0]}x{expected[1]}")

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
        x, y, w, h = rect
        return (x, y + self.menu_h, w, h)

    def to_image(self, rect):
        # A grab holds only the part of the window on the screen.
        x, y, w, h = self.to_window(rect)
        return (x + min(0, self.win_x), y + min(0, self.win_y), w, h)

    def requests(self):
        if not os.path.exists(self.replay_log):
            return []
        with open(self.replay_log) as f:
            return [line.split() for line in f if line.strip()]

    def check_first_requests(self):
        self.wait_until(self.requests, 20)
        time.sleep(1.0)  # View 2's Set follows; it must not ask the server
        got = self.requests()
        check(got, "no request reached the data server within 20 s")
        targets = [r[3] for r in got]
        for r in got:
            check(r[2] == "GET" and r[4] == "200", f"unexpected request or status: {r}")
        # The lists show now - 10 min with seconds 0; the minute read may be the
        # one at launch or a later one.
        candidates = []
        for at in (self.launched, time.time()):
            t = (int(at) - 600) // 60 * 60
            if t not in candidates:
                candidates.append(t)
        for t in candidates:
            if targets == expected_targets(t - graph_cursor_column(), t + 600):
                self.position = t
                log(f"requests as expected for the Set at {fmt(t)}: {targets}")
                return
        raise Failure(f"requests {targets}, expected those for a Set at one of "
                      f"{[fmt(t) for t in candidates]}: "
                      f"{[expected_targets(t - graph_cursor_column(), t + 600) for t in candidates]}")

    def check_graphs(self, views=(("View 1 graph", GRAPH_1), ("View 1 picture", STRIP_1),
                                  ("View 2 graph", GRAPH_2))):
        deadline = time.time() + 10
        while True:
            image = self.grab_pixels("idle")
            problems = [f"{name}: {why}" for name, rect in views
                        if (why := graph_problem(image, self.to_image(rect)))]
            if not problems:
                log("both views show their graphs")
                return image
            if time.time() > deadline:
                raise Failure("; ".join(problems))
            time.sleep(0.5)

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
        deadline = time.time() + 0.4
        while self.visible_windows() - before and time.time() < deadline:
            time.sleep(0.05)
        check(not (self.visible_windows() - before), "the tooltip stays after a button press")
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
        os.killpg(cover.pid, signal.SIGKILL)
        cover.wait()
        log("no tooltip while another window covers the graph")

    def check_keyboard(self):
        # Alt+Esc is the system's window switch and leaves the program running.
        # Then "Now - 10 min" by a click, Shift+Tab back to the hour list, an
        # hour earlier (later just after midnight) by an arrow, Tab on to
        # "Set" and Enter: one request for a stretch holding the new time.
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--clearmodifiers", "alt+Escape")
        time.sleep(1.0)
        check(self.tessaly.poll() is None, "Alt+Esc ended tessaly")
        self.click(NOW_1)
        chosen = time.gmtime(time.time() - 600)
        time.sleep(1.0)
        before = len(self.requests())
        shift = 1 if chosen.tm_hour == 0 else -1
        self.xdotool("key", "--clearmodifiers", "--delay", "100", "shift+Tab", "shift+Tab",
                     "shift+Tab", "Down" if shift > 0 else "Up", "Tab", "Tab", "Tab", "Tab")
        time.sleep(1.0)
        check(len(self.requests()) == before, "the keys before Enter asked the data server")
        self.xdotool("key", "--clearmodifiers", "Return")
        self.wait_until(lambda: len(self.requests()) != before)
        second = (chosen.tm_hour + shift) * 3600 + chosen.tm_min * 60 + chosen.tm_sec
        targets = [r[3] for r in self.requests()[before:]]
        spans = [[int(a) * 3600 + int(b) * 60 + int(c) for a, b, c in re.findall(
            r"time=(\d\d)%3A(\d\d)%3A(\d\d)", t)] for t in targets]
        check(any(len(s) == 2 and s[0] <= second <= s[1] for s in spans),
              f"Enter on \"Set\" asked for {targets}, not the stretch of hour "
              f"{chosen.tm_hour + shift}")
        log(f"keyboard: Alt+Esc kept the program; Tab to \"Set\" and Enter asked {targets}")

    def choose_server(self, typed, windows_after, in_dialog=False):
        # "File" → "Data Server…" (or the dialog still open), the host typed over
        # the text, Enter for OK; true when as many windows titled "Data Server"
        # show afterwards as expected (the dialog and a refusal's box, or none).
        if in_dialog:  # no window manager gives the focus back after the box
            dialog = self.xdotool("search", "--onlyvisible", "--name", "^Data Server$").split()
            self.xdotool("windowfocus", "--sync", dialog[0])
            self.xdotool("key", "--clearmodifiers", "End", *["BackSpace"] * 20)
        else:
            self.xdotool("windowfocus", "--sync", self.window)
            self.xdotool("key", "--clearmodifiers", "alt+f", "d")
            time.sleep(1.0)
        self.xdotool("type", "--delay", "5", typed)
        self.xdotool("key", "--clearmodifiers", "Return")
        shown = lambda: len(self.xdotool("search", "--onlyvisible", "--name",
                                         "^Data Server$").split())
        self.wait_until(lambda: shown() == windows_after)
        return shown() == windows_after

    @staticmethod
    def wait_until(condition, seconds=10):
        deadline = time.time() + seconds
        while time.time() < deadline and not condition():
            time.sleep(0.1)

    def check_data_server(self):
        # A refused host (its message box, the dialog stays), then another
        # server: saved at once, asked for View 1's time; then the first again.
        other_log = os.path.join(self.tmp, "other-replay.log")
        other = self.spawn_replay(other_log)
        # (Under Wine without a window manager no key reaches the dialog after
        # the box; the Win32 tests drive that refusal with messages.)
        if not self.args.wine:
            check(self.choose_server("data server", 2), "no refusal over the dialog")
            self.xdotool("key", "--clearmodifiers", "Return")  # the refusal's OK
            time.sleep(0.7)
        check(self.choose_server(f"127.0.0.1:{other}", 0, in_dialog=not self.args.wine),
              "the Data Server dialog stayed open after OK")
        asked = lambda: os.path.exists(other_log) and os.path.getsize(other_log) > 0
        self.wait_until(asked)
        check(asked(), "the chosen server was not asked")
        with open(self.settings) as f:
            check(f"Host=127.0.0.1:{other}" in f.read(), "the chosen server was not saved")
        before = len(self.requests())
        check(self.choose_server(f"127.0.0.1:{self.port}", 0), "the dialog stayed open")
        self.wait_until(lambda: len(self.requests()) > before)
        check(len(self.requests()) > before, "the first server was not asked again")
        check(self.xdotool("getwindowname", self.window).strip() == "Tessaly", "title changed")
        log("data server: " + ("" if self.args.wine else "a refused host, ") +
            "another server, the first again")

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
            os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
        check(self.tessaly.poll() is None, "tessaly ended while playing")
        playing = self.grab_pixels("playing")
        graph = self.to_image(GRAPH_1)
        check(graph_problem(playing, graph) is None, "View 1 graph lost while playing")
        check(region(playing, graph) != region(idle, graph),
              "View 1 graph did not move while playing")
        log("View 1 played; its graph moved on")

    def wait_sound(self, size):
        # The sound comes: Wine may take a second or two to open its device.
        self.wait_until(lambda: self.sound.total >= size, 8)
        check(self.sound.total >= size,
              f"{self.sound.total} bytes of sound within 8 s of \"Play\", expected {size}")

    def exit_with_escape(self):
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--clearmodifiers", "Escape")
        self.wait_exit("Escape")

    def wait_exit(self, what):
        try:
            code = self.tessaly.wait(15)
        except subprocess.TimeoutExpired:
            raise Failure(f"tessaly still runs 15 s after {what}")
        check(code == 0, f"tessaly exited with code {code} after {what}")
        log(f"{what} ended tessaly with code 0")

    def check_sound(self):
        self.sound.finish()
        data = bytes(self.sound.data)
        frames = [int.from_bytes(data[i:i + 2], "little", signed=True)
                  for i in range(0, len(data) - 3, 4)]
        loud = [v for v in frames if v != 0]
        check(len(loud) > 44100, f"less than a second of sound: {len(loud)} non-zero frames")
        rms = (sum(v * v for v in loud[:441000]) / min(len(loud), 441000)) ** 0.5
        check(rms > 500, f"the sound is nearly silent (RMS {rms:.0f})")
        raw = os.path.join(self.tmp, "first", "captured.raw")
        with open(raw, "wb") as f:
            f.write(data)
        # The first run takes View 1's station from its first block.
        out = subprocess.run([self.args.chord, raw, str(STATIONS[0]), DEFAULTS["Volume"],
                              str(self.position)], capture_output=True, timeout=30)
        text = out.stdout.decode()
        check(out.returncode == 0, f"the sound is not the expected chord:\n{text}")
        if self.args.wine:
            log(f"sound: RMS {rms:.0f}; " + text.strip().replace("\n", "; "))
            return
        # The played run is the saved one, frame for frame.
        played = data[next(i for i in range(0, len(data), 4) if data[i:i + 4] != bytes(4)):]
        saved = self.saved_sound[next(i for i in range(0, len(self.saved_sound), 4)
                                      if self.saved_sound[i:i + 4] != bytes(4)):]
        same = min(len(played), len(saved)) // 4 * 4
        check(same > 5 * BYTES_PER_SECOND and played[:same] == saved[:same],
              "the played sound differs from the saved file")
        with open(self.err_path) as f:
            dry = [line for line in f if "ran dry" in line]
        check(not dry, f"the sound output reported underruns: {dry}")
        log(f"sound: RMS {rms:.0f}; " + text.strip().replace("\n", "; "))

    def screen_windows(self):
        # Every visible window (under Wine a dialog need not carry the program's pid).
        return set(self.xdotool("search", "--onlyvisible", "--name", "").split())

    def wait_new_window(self, before, message):
        # A dialog shows as a new visible window; keys go to it once it has the focus.
        wait_for(lambda: self.screen_windows() - before, 20, message)
        time.sleep(0.3)

    def save_through_menu(self, keys, path, form_keys=(), window=None, form=True):
        # Opens a "File" menu item (or a window's button) by its keys, types
        # form_keys into its form and accepts it (no form: straight to the file
        # dialog), then types the path into the file dialog; waits for the file.
        self.xdotool("windowfocus", "--sync", window or self.window)
        before = self.screen_windows()
        self.xdotool("key", "--clearmodifiers", *keys)
        self.wait_new_window(before, "no dialog opened")
        if form:
            for key in form_keys:
                self.xdotool("key", "--clearmodifiers", key)
                time.sleep(0.1)
            before = self.screen_windows()
            self.xdotool("key", "--clearmodifiers", "Return")
            self.wait_new_window(before, "no file dialog opened")
        self.xdotool("key", "--clearmodifiers", "ctrl+a")
        # Wine's file dialog takes the Linux path on its drive Z:.
        typed = "Z:" + path.replace("/", "\\") if self.args.wine else path
        self.xdotool("type", "--delay", "5", typed)
        self.xdotool("key", "--clearmodifiers", "Return")
        wait_for(lambda: os.path.exists(path), 20, f"{os.path.basename(path)} was not written", 0.2)
        time.sleep(0.3)
        with open(path, "rb") as f:
            return f.read()

    def save_files(self, idle):
        # "Save Picture…", "Export Samples…" and "Save Sound…" (Ctrl+S) of View 1.
        folder = os.path.join(self.tmp, "first")
        png = self.save_through_menu(["alt+f", "p"], os.path.join(folder, "view1.png"))
        # ImageMagick's own convert (a wrapper of the same name may stand before it).
        convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
        ppm = subprocess.run([convert, "png:-", "ppm:-"], input=png, capture_output=True,
                             check=True, timeout=20).stdout
        path = os.path.join(folder, "view1.ppm")
        with open(path, "wb") as f:
            f.write(ppm)
        width, height, pixels = read_ppm(path)
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
        samples = wav[data + 8:]
        raw = os.path.join(folder, "saved.raw")
        with open(raw, "wb") as f:
            f.write(samples)
        out = subprocess.run([self.args.chord, raw, str(STATIONS[0]), DEFAULTS["Volume"],
                              str(self.position)], capture_output=True, timeout=30)
        check(out.returncode == 0, f"the saved sound is not the chord:\n{out.stdout.decode()}")
        self.saved_sound = samples
        log("Save Sound: 60 s, the chord of View 1")

    def check_statistics(self):
        # The window opens on the last hour; the last 10 minutes are picked with
        # the keyboard (Up in the stretch list, Tab to "Compute"); Shift+Tab back
        # past the list wraps round to "Save Table…", then "Save Picture…".
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--clearmodifiers", "alt+v", "s")
        window = wait_for(lambda: self.find_visible(r"^Network Statistics \(View 1\)$"), 10,
                          "no statistics window within 10 s")
        time.sleep(0.5)
        self.xdotool("windowfocus", "--sync", window)
        before = len(self.requests())
        self.xdotool("key", "--clearmodifiers", "--delay", "100", "Up", "Tab", "space")
        # The 10 minutes come from the server, then their sums (also in a sanitizer build).
        start, end = self.position - 599, self.position
        fetched = lambda: any(request_span(r[3]) == (day_seconds(start), day_seconds(end))
                              for r in self.requests()[before:] if len(r) > 3 and "stime=" in r[3])
        wait_for(fetched, 20, "the statistics did not ask for the 10 minutes")
        time.sleep(1.0)
        folder = os.path.join(self.tmp, "first")
        table = self.save_through_menu(["shift+Tab", "shift+Tab", "space"],
                                       os.path.join(folder, "stats.csv"), window=window,
                                       form=False)
        summary = self.check_as_rendered(table, folder, start, end)
        check(int(summary["seconds"]) > 500, f"only {summary['seconds']} counted seconds")
        png = self.save_through_menu(["shift+Tab", "space"],
                                     os.path.join(folder, "stats.png"), window=window,
                                     form=False)
        size = subprocess.run(["identify", "-format", "%w %h", "png:-"], input=png,
                              capture_output=True, timeout=20)
        check(size.returncode == 0 and size.stdout.split() == [b"640", b"240"],
              f"the statistics picture does not decode as 640x240: {size.stderr.decode()}")
        # Off the screen: the main window's pictures are compared while it plays.
        self.xdotool("windowmove", window, str(SCREEN_W), "0")
        log(f"statistics of the last 10 minutes as tessaly-render gives them, "
            f"chi-square {summary['chi-square']}; the picture decodes")

    def check_as_rendered(self, table, folder, start, end):
        # The window's stretch is [start, end], and its saved table and summary are
        # what tessaly-render --stats writes and prints for it; returns the summary.
        with open(os.path.join(folder, "stats-summary.csv")) as f:
            summary = dict(line.split(",", 1) for line in f.read().split("\n\n")[0].splitlines())
        check((summary.get("from"), summary.get("to")) == (fmt(start), fmt(end)),
              f"statistics of {summary.get('from')} – {summary.get('to')}, expected "
              f"{fmt(start)} – {fmt(end)}, up to the view's position")
        rendered = os.path.join(folder, "rendered.csv")
        out = subprocess.run([self.args.render, "--source", "server", "--host",
                              f"127.0.0.1:{self.port}", "--from", fmt(start).replace(" ", "T"),
                              "--seconds", str(end - start + 1), "--stats", rendered],
                             capture_output=True, timeout=60)
        check(out.returncode == 0, f"tessaly-render --stats failed: {out.stderr.decode()}")
        with open(rendered, "rb") as f:
            check(table == f.read(), "the saved table differs from tessaly-render --stats")
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
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--clearmodifiers", "alt+v", "s")
        window = wait_for(lambda: self.find_visible(r"^Network Statistics \(View 1\)$"), 20,
                          "no statistics window within 20 s", 0.3)
        x, y = self.geometry(window)[:2]
        time.sleep(6)  # the hour of the replay server, fetched and computed
        folder = os.path.join(self.tmp, "first")
        path = os.path.join(folder, "stats.csv")
        self.xdotool("mousemove", str(x + 629), str(y + 647), "click", "1")  # "Save Table…"
        time.sleep(1.5)
        self.xdotool("key", "--clearmodifiers", "ctrl+a")
        self.xdotool("type", "--delay", "5", "Z:" + path.replace("/", "\\"))
        self.xdotool("key", "--clearmodifiers", "Return")
        summary_path = os.path.join(folder, "stats-summary.csv")
        wait_for(lambda: os.path.exists(summary_path), 20, "the statistics table was not written",
                 0.2)
        time.sleep(0.3)
        with open(path, "rb") as f:
            summary = self.check_as_rendered(f.read(), folder, self.position - 3599, self.position)
        # Escape hides it again, off the dialog that the checks below look at.
        self.xdotool("windowfocus", "--sync", window)
        self.xdotool("key", "--clearmodifiers", "Escape")
        wait_for(lambda: not self.find_visible(r"^Network Statistics"), 10,
                 "Escape left the statistics window open", 0.2)
        log(f"statistics window: the hour up to {fmt(self.position)} as tessaly-render prints "
            f"it (chi-square {summary['chi-square']}, p {summary['p']}); table saved")

    def check_settings(self):
        application = dict(DEFAULTS, View2="1", Site1=str(STATIONS[0]), Version="1.0.1",
                           Flags="0")
        # No saved position: the frame was centred on the screen. Under Wine the
        # window shown is its client area and menu bar, inside Wine's border and
        # below its caption.
        b, title = (WINE_BORDER, WINE_BORDER + WINE_CAPTION) if self.args.wine else (0, 0)
        width, height = self.win_w + 2 * b, title + self.win_h + b
        x, y = (SCREEN_W - width) // 2, (SCREEN_H - height) // 2
        check((self.win_x, self.win_y) == (x + b, y + title),
              f"window at {self.win_x},{self.win_y}, not in a frame {width}x{height} "
              f"centred at {x},{y}")
        window = {"x": str(x), "y": str(y)}
        self.expect_settings({"Application": application,
                              "Server": {"Host": f"127.0.0.1:{self.port}"}, "Window": window})

    def expect_settings(self, expected):
        parser = configparser.ConfigParser(interpolation=None, strict=True)
        parser.optionxform = str
        with open(self.settings) as f:
            text = f.read()
        parser.read_string(text)
        got = {s: dict(parser[s]) for s in parser.sections()}
        if got != expected:
            lines = []
            for s in sorted(set(got) | set(expected)):
                g, e = got.get(s, {}), expected.get(s, {})
                for k in sorted(set(g) | set(e)):
                    if g.get(k) != e.get(k):
                        lines.append(f"[{s}] {k}: got {g.get(k)!r}, expected {e.get(k)!r}")
            raise Failure("settings file differs:\n" + "\n".join(lines) + "\n--- file:\n" + text)
        log("settings file holds exactly the expected keys")


def fmt(t):
    return time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(t))


def target(s, e):
    d = time.gmtime(s)
    a, b = time.gmtime(s), time.gmtime(e)
    return (f"/cgi-bin/zormdatareq.pl?z=1&year={d.tm_year}&month={d.tm_mon}&day={d.tm_mday}"
            f"&stime={a.tm_hour:02d}%3A{a.tm_min:02d}%3A{a.tm_sec:02d}"
            f"&etime={b.tm_hour:02d}%3A{b.tm_min:02d}%3A{b.tm_sec:02d}")


def expected_targets(start, end):
    # Requests of one block creation for [start, end] in an empty store: a
    # block spans 600 to 1801 seconds and never crosses a UTC midnight.
    out = []
    for _ in range(2):
        if start > end:
            break
        s, e = start, end
        if e - s >= 1800:
            e = s + 1800
        if e - s < 599:
            e = s + 599
        split = time.gmtime(s).tm_yday != time.gmtime(e).tm_yday
        if split:
            d = time.gmtime(s)
            e = calendar.timegm((d.tm_year, d.tm_mon, d.tm_mday, 23, 59, 59))
            if e - s < 599:
                s = e - 599
        out.append(target(s, e))
        if not split:
            break
        start = e + 1
    return out


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    at = 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    check(fields[0] == b"P6" and fields[3] == b"255", "grabbed image is not an 8-bit PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[at + 1:]


def region(image, rect):
    width, height, pixels = image
    x, y, w, h = rect
    check(x + w <= width and y + h <= height, f"rectangle {rect} outside the window image")
    return [bytes(pixels[((y + j) * width + x) * 3:((y + j) * width + x + w) * 3])
            for j in range(h)]


def graph_problem(image, rect):
    # None when the rectangle shows a coloured sample map rather than the
    # grey background or a blank area.
    rows = region(image, rect)
    total = coloured = 0
    colours = set()
    for row in rows:
        for i in range(0, len(row), 3):
            r, g, b = row[i], row[i + 1], row[i + 2]
            total += 1
            if max(r, g, b) - min(r, g, b) > 60:
                coloured += 1
                colours.add((r >> 4, g >> 4, b >> 4))
    if coloured < total * 0.6:
        return f"only {coloured} of {total} pixels coloured"
    if len(colours) < 20:
        return f"only {len(colours)} distinct colours"
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tessaly", required=True)
    parser.add_argument("--replay", required=True)
    parser.add_argument("--chord", required=True)
    parser.add_argument("--render", help="tessaly-render of the Linux build: the statistics "
                        "window's saved table is checked against it")
    parser.add_argument("--screenshot")
    parser.add_argument("--live", action="store_true",
                        help="only follow the present with View 1 for a minute")
    parser.add_argument("--load", action="store_true",
                        help="play with two busy processes loading the cores")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    parser.add_argument("--wine", action="store_true",
                        help="--tessaly is tessaly.exe of the Windows build: run it under wine64")
    args = parser.parse_args()
    for name in ("tessaly", "replay", "chord", "render"):
        if getattr(args, name):
            setattr(args, name, os.path.abspath(getattr(args, name)))
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing: run scripts/install-deps.sh", file=sys.stderr)
            return 1
    return execute(Run(args))


def execute(run):
    # Runs it; on a failure prints why, with the program's stderr and the server's log.
    try:
        run.main()
    except Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        err = getattr(run, "err_path", "")
        if err and os.path.exists(err):
            with open(err) as f:
                print("--- tessaly stderr:\n" + f.read()[-4000:], file=sys.stderr)
        if os.path.exists(os.path.join(run.tmp, "replay.log")):
            with open(os.path.join(run.tmp, "replay.log")) as f:
                print("--- replay log:\n" + f.read()[-4000:], file=sys.stderr)
        return 1
    finally:
        run.cleanup()
    log("PASSED")
    return 0


if __name__ == "__main__":
    sys.exit(main())
