"""Time from process start to the first frame of the real viewer, under Xvfb.

Usage: python3 bench/startup/first_frame.py [runs]   (after building build/run)
Polls the window every 20 ms, so the figure is accurate to a few tens of ms.
"""
import os
import statistics
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tests", "e2e"))
from harness import BACKGROUND, TITLE, Viewer, colourful, wait_until  # noqa: E402


def first_frame_seconds():
    with Viewer("first-frame") as viewer:
        started = time.monotonic()
        window = viewer.find_window(TITLE, 60)

        def drawn():
            image = viewer.screenshot(window)
            return image.pixel(5, 490) == BACKGROUND and colourful(image.pixel(250, 250))
        wait_until(drawn, 60, 0.02, "the first frame")
        return time.monotonic() - started


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    times = [first_frame_seconds() for _ in range(runs)]
    print("first frame after %s s (median of %d runs; min %.2f, max %.2f)"
          % (round(statistics.median(times), 2), runs, min(times), max(times)))


if __name__ == "__main__":
    main()
