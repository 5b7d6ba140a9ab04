#!/usr/bin/env python3
"""Measures the real tessaly: start-up, GUI-thread CPU while playing, memory.

Uses an existing build (it builds nothing) and the pieces of the end-to-end
test: a private Xvfb, a temporary HOME, tessaly-replay on 127.0.0.1 and an ALSA
file sink drained at the real-time rate.

1. Start-up to first painted data with both views shown, twice: View 1 on the
   pseudorandom source, then View 1 on the replay server (View 2 pseudorandom
   in both). Timed from process start until a grabbed window image shows
   coloured cells in both graphs; the grabs are polled back to back, so the
   figure is late by at most one grab.
2. With the second start-up's program: Play in both views, then the CPU time
   of the main (GUI) thread and of the whole process over PLAY seconds, from
   /proc/<pid>/task/<pid>/stat and /proc/<pid>/stat (and, for context, the GUI
   thread over 5 s idle before); also its resident memory.
3. `tessaly_bench --benchmark_filter=BM_TwoDaysThroughStores`: two simulated
   days of seconds through a 100-station server store and a pseudorandom store,
   and the resident memory afterwards.

Usage: bench/desktop_bench.py [BUILD_DIR] [--play SECONDS]   (default build/release)
"""

import argparse
import json
import os
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.dont_write_bytecode = True  # leaves no __pycache__ in the source tree
import desktop_e2e as e2e  # noqa: E402

PLAY_2 = e2e.du_rect(202, 306, 50, 14)  # 3, View 2 "Play"
CPU_TARGET_PERCENT = 5.0
RSS_TARGET_MB = 100.0
TICKS = os.sysconf("SC_CLK_TCK")
IDLE_SECONDS = 5.0


def cpu_seconds(stat_path):
    """utime + stime of a /proc stat file, in seconds."""
    with open(stat_path) as f:
        text = f.read()
    # The command name may hold spaces; the fields follow its closing parenthesis.
    fields = text[text.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def status_kb(pid, key):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return 0


class Bench(e2e.Run):
    def __init__(self, args):
        super().__init__(args)
        self.results = {}

    def main(self):
        self.start_xvfb()
        self.start_replay()
        self.startup("pseudorandom", source1=3)
        self.exit_with_escape()
        self.sound.finish()
        self.startup("replay server", source1=1)
        self.play_both()
        self.exit_with_escape()
        self.sound.finish()
        # The program says at exit how often its sound output ran dry.
        with open(self.err_path) as f:
            dry = [line.split()[-2] for line in f if "ran dry" in line]
        self.results["sound output underruns while playing"] = dry[0] if dry else "0"
        self.startup("replay server, following", source1=1)
        self.follow_both()
        self.exit_with_escape()
        self.sound.finish()

    def follow_both(self):
        """Both views follow the present: the GUI thread's CPU and the server's requests."""
        pid = self.tessaly.pid
        thread_path = f"/proc/{pid}/task/{pid}/stat"
        self.xdotool("windowfocus", "--sync", self.window)
        self.xdotool("key", "--clearmodifiers", "alt+v", "l")
        time.sleep(0.5)
        self.xdotool("key", "--clearmodifiers", "alt+v", "v")
        time.sleep(2.0)  # past both views' first fetches
        requests0 = len(self.requests())
        gui0, wall0 = cpu_seconds(thread_path), time.monotonic()
        e2e.log(f"-- both views follow the present for {self.args.play:g} s")
        time.sleep(self.args.play)
        gui = 100 * (cpu_seconds(thread_path) - gui0) / (time.monotonic() - wall0)
        requests = len(self.requests()) - requests0
        e2e.check(self.tessaly.poll() is None, "tessaly ended while following")
        self.results["GUI thread CPU, both views following the present"] = (
            f"{gui:.1f} % of one core (target < 1 %{'' if gui < 1 else ': MISSED'})")
        self.results["requests the server sees while both follow"] = (
            f"{requests} in {self.args.play:g} s ({requests * 60 / self.args.play:.1f} a minute)")

    def find_window(self):
        # The test's search polls every 0.2 s; a start-up figure needs a finer one.
        deadline = time.time() + 20
        while not self.xdotool("search", "--onlyvisible", "--name", "^Tessaly$"):
            e2e.check(self.tessaly.poll() is None,
                      f"tessaly ended at start-up with code {self.tessaly.returncode}")
            e2e.check(time.time() < deadline, "no visible window titled \"Tessaly\" within 20 s")
            time.sleep(0.01)
        self.window_seen = time.time()
        super().find_window()

    def startup(self, name, source1):
        e2e.log(f"-- start-up, View 1 {name}")
        settings = (f"[Application]\nView2=1\nSource1={source1}\nSource2=3\n\n"
                    f"[Server]\nHost=127.0.0.1:{self.port}\n")
        self.launch("startup-" + name.replace(" ", "-"), settings)
        self.menu_h = self.win_h - e2e.DIALOG_H
        e2e.check(0 < self.menu_h < 60, f"frame height {self.win_h} leaves no menu bar")
        graphs = (("View 1 graph", e2e.GRAPH_1), ("View 2 graph", e2e.GRAPH_2))
        deadline = time.time() + 30
        grabs = 0
        while True:
            image = self.grab_pixels("startup")
            seen = time.time()
            grabs += 1
            problems = [f"{n}: {why}" for n, rect in graphs
                        if (why := e2e.graph_problem(image, self.to_image(rect)))]
            if not problems:
                break
            e2e.check(time.time() < deadline, "no data painted within 30 s: " + "; ".join(problems))
        seconds = seen - self.launched
        window = self.window_seen - self.launched
        self.results[f"start-up to painted data, View 1 {name}"] = (
            f"{seconds:.2f} s (window mapped at {window:.2f} s)")
        e2e.log(f"both graphs painted {seconds:.2f} s after start ({grabs} grabs); "
                f"window mapped at {window:.2f} s")

    def play_both(self):
        pid = self.tessaly.pid
        thread_path = f"/proc/{pid}/task/{pid}/stat"
        # For context: the same thread while nothing plays.
        idle0, wall0 = cpu_seconds(thread_path), time.monotonic()
        time.sleep(IDLE_SECONDS)
        idle = 100 * (cpu_seconds(thread_path) - idle0) / (time.monotonic() - wall0)
        self.results["GUI thread CPU, idle"] = f"{idle:.1f} % of one core"
        self.click(e2e.PLAY_1)
        self.click(PLAY_2)
        time.sleep(1.0)  # past the first fetches and the audio start
        e2e.check(self.tessaly.poll() is None, "tessaly ended when Play was pressed")
        before = self.grab_pixels("play-before")
        threads0, wall0 = cpu_seconds(thread_path), time.monotonic()
        process0 = cpu_seconds(f"/proc/{pid}/stat")
        e2e.log(f"-- both views play for {self.args.play:g} s")
        time.sleep(self.args.play)
        threads1, wall1 = cpu_seconds(thread_path), time.monotonic()
        process1 = cpu_seconds(f"/proc/{pid}/stat")
        e2e.check(self.tessaly.poll() is None, "tessaly ended while playing")
        after = self.grab_pixels("play-after")
        # The figure means nothing unless both views really played.
        for name, rect in (("View 1", e2e.GRAPH_1), ("View 2", e2e.GRAPH_2)):
            r = self.to_image(rect)
            e2e.check(e2e.region(before, r) != e2e.region(after, r), f"{name} did not play")
        e2e.check(self.sound.total > (self.args.play / 2) * e2e.BYTES_PER_SECOND,
                  "too little sound while playing")
        wall = wall1 - wall0
        gui = 100 * (threads1 - threads0) / wall
        whole = 100 * (process1 - process0) / wall
        self.results["GUI thread CPU, both views playing"] = (
            f"{gui:.1f} % of one core (target < {CPU_TARGET_PERCENT:g} %"
            f"{'' if gui < CPU_TARGET_PERCENT else ': MISSED'})")
        self.results["whole process CPU, both views playing"] = f"{whole:.1f} % of one core"
        rss = status_kb(pid, "VmRSS") / 1024
        peak = status_kb(pid, "VmHWM") / 1024
        self.results[f"tessaly RSS after {self.args.play:g} s playing"] = (
            f"{rss:.1f} MB (peak {peak:.1f} MB)")
        e2e.log(f"GUI thread {gui:.2f} %, process {whole:.2f} % over {wall:.1f} s; "
                f"RSS {rss:.1f} MB")


def store_memory(bench_exe):
    e2e.log("-- two simulated days through the stores")
    out = subprocess.run([bench_exe, "--benchmark_filter=^BM_TwoDaysThroughStores/",
                          "--benchmark_format=json"], capture_output=True, timeout=110)
    e2e.check(out.returncode == 0, "tessaly_bench failed:\n" + out.stderr.decode()[-2000:])
    runs = json.loads(out.stdout)["benchmarks"]
    e2e.check(runs, "tessaly_bench ran no BM_TwoDaysThroughStores")
    run = runs[0]
    e2e.log(f"{run['real_time']:.0f} ms; " + ", ".join(
        f"{k} {run[k]:.1f}" for k in ("rss_before_MB", "rss_MB", "peak_rss_MB", "store_seconds",
                                      "blocks", "server_fills")))
    missed = "" if run["rss_MB"] < RSS_TARGET_MB else ": MISSED"
    return {
        "RSS after two simulated days through the stores": (
            f"{run['rss_MB']:.1f} MB (before {run['rss_before_MB']:.1f} MB, "
            f"target < {RSS_TARGET_MB:g} MB{missed})"),
        "seconds held by the stores afterwards": (
            f"{run['store_seconds']:.0f} ({run['server_seconds']:.0f} server, "
            f"{run['pseudo_seconds']:.0f} pseudorandom)"),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default=os.path.join(ROOT, "build", "release"))
    parser.add_argument("--play", type=float, default=60.0,
                        help="seconds both views play for the CPU figure")
    parser.add_argument("--keep", action="store_true", help="keep the temporary folder")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    args.chord = None
    found = {}
    for name, folder in (("tessaly", ""), ("tessaly-replay", "tools/replay"),
                         ("tessaly_bench", "bench")):
        found[name] = next((p for p in (os.path.join(build, folder, name),
                                        os.path.join(build, name)) if os.access(p, os.X_OK)),
                           None)
        if found[name] is None:
            print(f"{name} is missing in {build}: build it first "
                  f"(cmake --build {args.build} --target {name})", file=sys.stderr)
            return 1
    args.tessaly, args.replay = found["tessaly"], found["tessaly-replay"]
    bench_exe = found["tessaly_bench"]
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"{tool} is missing: run scripts/install-deps.sh", file=sys.stderr)
            return 1

    run = Bench(args)
    try:
        run.main()
        run.results.update(store_memory(bench_exe))
    except e2e.Failure as failure:
        print(f"FAILED: {failure}", file=sys.stderr)
        return 1
    finally:
        run.cleanup()

    width = max(len(k) for k in run.results)
    print()
    print(f"{'measure':<{width}}  figure")
    print(f"{'-' * width}  {'-' * 40}")
    for key, value in run.results.items():
        print(f"{key:<{width}}  {value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
