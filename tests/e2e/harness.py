# Drives the real viewer under a private Xvfb server with xdotool.
#
# Every wait is on a condition (a window, a line of output, a change in the
# picture) with a generous timeout, so the tests hold on a loaded machine.
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time

TITLE = "3D volume rendering, Orvane Octobre 2003"
RUN_DIR = os.environ.get("VOLVIEW_RUN_DIR", os.path.join(os.path.dirname(__file__), "../../build/run"))
BIN = os.environ.get("VOLVIEW_BIN", os.path.join(RUN_DIR, "volview"))
SHOTS_DIR = os.path.join(RUN_DIR, "..", "e2e-shots")
os.makedirs(SHOTS_DIR, exist_ok=True)
BACKGROUND = (0, 0, 51)
VOLUME = (110, 110, 390, 390)
PANEL = (255, 15, 485, 245)  # the transfer-function editor


def wait_until(condition, timeout=60.0, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


class Image:
    # An RGB screenshot with simple pixel statistics.
    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(blob):
        # convert writes "P6", comment lines, "<width> <height>", "255", one field a line.
        fields, rest = [], blob
        while len(fields) < 3:
            line, rest = rest.split(b"\n", 1)
            if not line.startswith(b"#"):
                fields.append(line)
        width, height = map(int, fields[1].split())
        return Image(width, height, rest[:width * height * 3])

    @staticmethod
    def from_file(path):
        return Image.from_ppm(subprocess.run(["convert", path, "ppm:-"], stdout=subprocess.PIPE, check=True).stdout)

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x0, y0, x1, y1):
        # Pixels of the rectangle [x0, x1) x [y0, y1).
        return [self.pixel(x, y) for y in range(y0, y1) for x in range(x0, x1)]

    def differing_pixels(self, other, box, tolerance=8):
        pairs = zip(self.region(*box), other.region(*box))
        return sum(1 for a, b in pairs if max(abs(a[k] - b[k]) for k in range(3)) > tolerance)


def colourful(pixel, background=BACKGROUND, tolerance=12):
    return max(abs(pixel[k] - background[k]) for k in range(3)) > tolerance


def changed(before, box=VOLUME, at_least=300):
    return lambda image: image.differing_pixels(before, box) >= at_least


def filled(image, box):
    return sum(1 for p in image.region(*box) if p != BACKGROUND)


def run_without_display(*args):
    # Anything that would open a window fails here.
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    return subprocess.run([os.path.abspath(BIN)] + list(args), cwd=RUN_DIR, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, timeout=120)


def screenshot(name, *args, geometry="500x500+0+0", to="shot.png"):
    # Runs the viewer with --screenshot; returns its exit code, picture (kept
    # in SHOTS_DIR) and output.
    with Viewer(name, args=("-geometry", geometry) + args + ("--screenshot", to)) as v:
        code = v.wait_exit(180)
        png = os.path.join(v.workdir, to)
        if not os.path.exists(png):
            return code, None, v.stdout() + v.stderr()
        return code, Image.from_file(shutil.copy(png, os.path.join(SHOTS_DIR, name + ".png"))), v.stdout()


class Viewer:
    # One run of the viewer (or of another program: binary) in a working
    # directory of its own, linked to the run folder but for `remove`.
    def __init__(self, name, remove=(), args=("-geometry", "500x500+0+0"), binary=None):
        self.workdir = tempfile.mkdtemp(prefix="volview-e2e-%s-" % name)
        for entry in os.listdir(RUN_DIR):
            if entry not in remove and entry != os.path.basename(BIN):
                os.symlink(os.path.join(os.path.abspath(RUN_DIR), entry), os.path.join(self.workdir, entry))
        self._start_xvfb()
        self.stdout_path = os.path.join(self.workdir, "stdout.log")
        self.stderr_path = os.path.join(self.workdir, "stderr.log")
        with open(self.stdout_path, "wb") as out, open(self.stderr_path, "wb") as err:
            self.proc = subprocess.Popen(
                [binary or os.path.abspath(BIN)] + list(args),
                cwd=self.workdir, env=self.env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        self.window = None

    def _start_xvfb(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise AssertionError("Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)

    # --- process and output -------------------------------------------------
    def stdout(self):
        return pathlib.Path(self.stdout_path).read_bytes().decode("utf-8", "replace")

    def stderr(self):
        return pathlib.Path(self.stderr_path).read_bytes().decode("utf-8", "replace")

    def wait_output(self, pattern, timeout=60):
        return wait_until(lambda: re.search(pattern, self.stdout(), re.M), timeout, what="%r on stdout" % pattern)

    def wait_exit(self, timeout=60):
        return self.proc.wait(timeout=timeout)  # TimeoutExpired says what it waited for

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.xvfb.kill()
        self.xvfb.wait()
        shutil.rmtree(self.workdir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # --- X ----------------------------------------------------------------
    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (args, result.stderr.decode()))
        return result.stdout.decode().strip()

    def find_window(self, title=TITLE, timeout=60):
        # The viewer's own window becomes the one keys and shots go to.
        def search():
            if self.proc.poll() is not None:
                raise AssertionError("the viewer ended (code %s) before its window appeared:\n%s"
                                     % (self.proc.returncode, self.stderr()))
            out = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % re.escape(title), check=False)
            return out.split()[0] if out else None
        window = wait_until(search, timeout, 0.2, "window %r" % title)
        if title == TITLE:
            self.window = window
        return window

    def screenshot(self, window=None, save_as=None):
        xwd = subprocess.run(["xwd", "-silent", "-id", window or self.window], env=self.env,
                             stdout=subprocess.PIPE, check=True, timeout=60).stdout
        ppm = subprocess.run(["convert", "xwd:-", "ppm:-"], input=xwd,
                             stdout=subprocess.PIPE, check=True, timeout=60).stdout
        if save_as:
            subprocess.run(["convert", "ppm:-", os.path.join(SHOTS_DIR, save_as)], input=ppm, check=True)
        return Image.from_ppm(ppm)

    def wait_picture(self, condition, timeout=60, what="the picture", window=None):
        # Waits until condition(screenshot) holds; returns that screenshot.
        def check():
            image = self.screenshot(window)
            return image if condition(image) else None
        return wait_until(check, timeout, 0.3, what)

    def wait_first_frame(self, timeout=90):
        self.find_window(TITLE, timeout)
        # Until the first frame the window holds no picture at all (black).
        return self.wait_picture(lambda im: im.pixel(5, 490) == BACKGROUND and colourful(im.pixel(250, 250)),
                                 timeout, "the first frame")

    def wait_frames(self, count=3, timeout=60):
        # Waits until the viewer has drawn a few more frames (the FPS text changes).
        for _ in range(count):
            before = self.screenshot()
            self.wait_picture(lambda im: im.differing_pixels(before, (0, 0, 120, 26), 0) > 0, timeout,
                              "a new frame")

    def key(self, name, window=None):
        # Keys go to the window under the pointer.
        self.xdotool("mousemove", "--window", window or self.window, 20, 20)
        self.xdotool("key", name)

    def move(self, x, y):
        self.xdotool("mousemove", "--window", self.window, x, y)

    def drag(self, button, points, step_pause=0.05):
        # Presses button at the first point, moves through the others, releases.
        self.move(*points[0])
        self.xdotool("mousedown", button)
        for x, y in points[1:]:
            time.sleep(step_pause)
            self.move(x, y)
        time.sleep(step_pause)
        self.xdotool("mouseup", button)

    def send_wm_delete(self, window=None):
        subprocess.run([os.environ["VOLVIEW_WM_DELETE"], window or self.window], env=self.env,
                       check=True, timeout=30)


def line_path(start, end, steps):
    (x0, y0), (x1, y1) = start, end
    return [(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps)) for i in range(steps + 1)]
