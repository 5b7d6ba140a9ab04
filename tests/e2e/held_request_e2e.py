#!/usr/bin/env python3
# A data server that holds every request for 20 s: the window keeps answering.
#
# View 1 (data server) waits for its first data while View 2 (pseudorandom)
# plays: two grabs a few seconds apart show View 2's graph moved on, so the
# window repaints during the request; then Escape ends the program within 2 s,
# long before the server answers.
#
# The set-up (Xvfb, tessaly-replay, the ALSA file sink, xdotool, Wine) is the
# one of desktop_e2e.py.
#
# Usage: held_request_e2e.py --tessaly T --replay R [--wine] [--keep]

import os
import sys
import time

import desktop_e2e as e2e
from desktop_e2e import check, log

HOLD_SECONDS = 20
EXIT_SECONDS = 2


class HeldRun(e2e.Run):
    left = 0  # the dialog's left edge in the window
    # Without a window manager on the display, Wine waits 2 s for one to
    # withdraw each managed window it destroys, which Windows never does.
    # Unmanaged windows, framed by Wine itself, go at once.
    WINE_SETUP = e2e.Run.WINE_SETUP + (
        ["reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N", "/f"],)

    def to_window(self, rect):
        x, *rest = super().to_window(rect)
        return (x + self.left, *rest)

    def start_replay(self):
        self.replay_log = os.path.join(self.tmp, "replay.log")
        self.port = self.spawn_replay(["--fault", "slow", "--delay-ms", str(HOLD_SECONDS * 1000)],
                                      self.replay_log)

    def scenario(self):
        self.launch("held", "[Application]\nView2=1\nSource1=1\nSource2=3\n\n"
                    f"[Server]\nHost=127.0.0.1:{self.port}\n")
        if self.args.wine:
            # Wine's own frame: its border and caption, then the menu bar.
            e2e.use_dialog_units(*e2e.WINE_BASE_UNITS, system=True)
            self.left = e2e.WINE_BORDER
            self.menu_h = e2e.WINE_BORDER + e2e.WINE_CAPTION + e2e.WINE_MENU_H
            check((self.win_w, self.win_h) == (e2e.DIALOG_W + 2 * self.left,
                                               e2e.DIALOG_H + self.menu_h + e2e.WINE_BORDER),
                  f"window {self.win_w}x{self.win_h} is not the framed dialog")
        else:
            self.menu_h = self.win_h - e2e.DIALOG_H
        # View 2's "Play" lies as far below View 1's as its graph below View 1's.
        time.sleep(2.0)  # View 1's first request has gone out and is held
        x, y, w, h = e2e.PLAY_1
        self.click((x, y + e2e.GRAPH_2[1] - e2e.GRAPH_1[1], w, h))
        time.sleep(1.5)
        first = e2e.read_ppm(self.grab())
        time.sleep(2.5)
        second = e2e.read_ppm(self.grab())
        check(self.tessaly.poll() is None, "tessaly ended while View 1 waited")
        graph = self.to_image(e2e.GRAPH_2)
        check(e2e.region(first, graph) != e2e.region(second, graph),
              "View 2's graph did not move while View 1 waited for the server")
        log(f"View 2 played on while View 1 waited {time.time() - self.launched:.1f} s")

        took = self.exit_with_escape(HOLD_SECONDS)
        self.sound.finish()
        check(took < EXIT_SECONDS,
              f"Escape during a held request ended tessaly after {took:.1f} s, "
              f"expected under {EXIT_SECONDS} s")
        check(time.time() - self.launched < HOLD_SECONDS, "the server answered before the check")
        log(f"Escape during the held request ended tessaly in {took:.2f} s")


if __name__ == "__main__":
    sys.exit(e2e.main(HeldRun))
