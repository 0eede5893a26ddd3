# Drives the real viewer under a private Xvfb server with xdotool.
#
# Every wait is on a condition (a window, a line of output, a change in the
# picture) with a generous timeout, so the tests hold on a loaded machine.
import json
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import time

import numpy

TITLE = "3D volume rendering, Orvane Octobre 2003"
VOLUME_TITLE = "volview \u2014 "  # and the opened file's name
RUN_DIR = os.environ.get("VOLVIEW_RUN_DIR", os.path.join(os.path.dirname(__file__), "../../build/run"))
BIN = os.path.abspath(os.environ.get("VOLVIEW_BIN", os.path.join(RUN_DIR, "volview")))
SHOTS_DIR = os.path.join(RUN_DIR, "..", "e2e-shots")
os.makedirs(SHOTS_DIR, exist_ok=True)
BACKGROUND = (0, 0, 51)
VOLUME = (110, 110, 390, 390)
PANEL = (255, 15, 485, 245)  # the transfer-function editor


def wait_until(condition, timeout=60.0, interval=0.1, what="condition"):
    deadline = time.monotonic() + timeout
    while not (result := condition()):
        if time.monotonic() > deadline:
            raise AssertionError("timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)
    return result


class Image:
    # An RGB picture read through convert (and kept in SHOTS_DIR as save_as),
    # with simple pixel statistics.
    def __init__(self, source, blob=None, save_as=None):
        keep = ["-write", os.path.join(SHOTS_DIR, save_as)] if save_as else []
        ppm = subprocess.run(["convert", source] + keep + ["ppm:-"], input=blob, stdout=subprocess.PIPE,
                             check=True, timeout=60).stdout
        # "P6", comment lines, "<width> <height>", "255", then the pixels.
        header = re.match(rb"P6\n(?:#.*\n)*(\d+) (\d+)\n255\n", ppm)
        self.width, self.height, self.data = int(header[1]), int(header[2]), ppm[header.end():]

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def region(self, x0, y0, x1, y1):
        # Pixels of the rectangle [x0, x1) x [y0, y1).
        return [self.pixel(x, y) for y in range(y0, y1) for x in range(x0, x1)]

    def differing_pixels(self, other, box, tolerance=8):
        pairs = zip(self.region(*box), other.region(*box))
        return sum(1 for a, b in pairs if max(abs(a[k] - b[k]) for k in range(3)) > tolerance)

    def count(self, box, test):
        return sum(1 for p in self.region(*box) if test(p))


def pixels(image):
    # The picture as an array of floats, [y, x, RGB].
    return numpy.frombuffer(image.data, numpy.uint8).reshape(image.height, image.width, 3).astype(float)


def written(path, volume, writer):
    # path, once writer(volume, path) has made it (a run of a module writes each volume once).
    if not os.path.exists(path):
        writer(volume, str(path))
    return str(path)


def colourful(pixel, background=BACKGROUND, tolerance=12):
    return max(abs(pixel[k] - background[k]) for k in range(3)) > tolerance


def changed(before, box=VOLUME, at_least=300):
    return lambda image: image.differing_pixels(before, box) >= at_least


def run_without_display(*args, program=BIN, cwd=RUN_DIR):
    # DISPLAY names a server that is not there: anything that would open a window fails.
    env = dict(os.environ, DISPLAY=":599")
    return subprocess.run([program] + list(args), cwd=cwd, env=env, capture_output=True, text=True,
                          timeout=120)


# Root reads and writes any file: cases that need a user who cannot run as nobody.
AS_USER = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] if os.geteuid() == 0 else []


def measured(*args, cwd=RUN_DIR, as_user=False, timeout=60):
    """Exit code, stdout, stderr, peak memory (KiB) and seconds of one run without a display."""
    with tempfile.NamedTemporaryFile("r") as peak:
        command = ["/usr/bin/time", "-q", "-f", "%M", "-o", peak.name] + (AS_USER if as_user else []) + [BIN, *args]
        started = time.monotonic()
        result = subprocess.run(command, cwd=cwd, capture_output=True, text=True, errors="replace",
                                timeout=timeout, env=dict(os.environ, DISPLAY=":599"))
        seconds = time.monotonic() - started
        text = peak.read().split()
    return result.returncode, result.stdout, result.stderr, int(text[-1]) if text else 0, seconds


def screenshot(name, *args, geometry="500x500+0+0", to="shot.png", code=0, add=None):
    # Runs the viewer with --screenshot, expecting exit code `code`; returns its
    # picture (kept in SHOTS_DIR; None if it wrote none) and its stdout + stderr.
    with Viewer(name, *args, "--screenshot", to, geometry=geometry, remove=tuple(add or ()), add=add) as v:
        if v.proc.wait(180) != code:
            raise AssertionError("exit code %s:\n%s" % (v.proc.returncode, v.stdout() + v.stderr()))
        png = os.path.join(v.workdir, to)
        return Image(png, save_as=name + ".png") if os.path.exists(png) else None, v.stdout() + v.stderr()


def framed_screenshot(name, *args, **options):
    # A screenshot and the camera that took it, as the viewer saved it at
    # exit: where its start view framed the volume.
    state = os.path.join(tempfile.mkdtemp(prefix="volview-framing-"), "view.json")
    image, output = screenshot(name, *args, "--save-state", state, **options)
    with open(state) as saved:
        return image, output, Framing(json.load(saved)["camera"], image.width, image.height)


class Framing:
    """How a camera maps the model (the volume's centre at the origin, its
    longest side LONGEST units) to pane pixels: `fit` units from the pane's
    middle to its nearer edge at zoom 1, the pan in units at the centre's
    depth, a point `toward` units nearer the eye shown larger in perspective.
    Offsets are along the eye's axes from the volume's centre."""
    LONGEST = 200.0
    EYE = 600.0

    def __init__(self, camera, width, height):
        self.per_unit = min(width, height) / 2 / (camera["fit"] / camera["zoom"])
        # The turned pivot goes to the pane's middle, the user's pan on top.
        turned = numpy.reshape(camera["rotation"], (3, 3)) @ camera["pivot"]
        self.pan = numpy.subtract(camera["pan"], turned[:2])
        self.middle = (width / 2, height / 2)
        self.perspective = camera["projection"] == "perspective"

    def scale(self, toward):
        return self.EYE / (self.EYE - toward) if self.perspective else 1.0

    def pixel(self, right, up, toward=0.0):
        # Window pixel (x right, y down) of a point at eye offsets in model units.
        s = self.per_unit * self.scale(toward)
        return self.middle[0] + (right + self.pan[0]) * s, self.middle[1] - (up + self.pan[1]) * s

    def units(self, x, y, toward=0.0):
        # The eye offsets (right, up) in model units of pixel (x, y) on the plane `toward`.
        s = self.per_unit * self.scale(toward)
        return (x - self.middle[0]) / s - self.pan[0], (self.middle[1] - y) / s - self.pan[1]


class Viewer:
    # One run of the viewer (or of another program) under an Xvfb server of its
    # own, in a working directory linked to the run folder but for `remove`,
    # and to the paths of `add` ({name in the working directory: path}).
    def __init__(self, name, *args, remove=(), add=None, geometry="500x500+0+0", program=BIN):
        self.workdir = tempfile.mkdtemp(prefix="volview-e2e-%s-" % name)
        for entry in set(os.listdir(RUN_DIR)) - set(remove) - {os.path.basename(BIN)}:
            os.symlink(os.path.join(os.path.abspath(RUN_DIR), entry), os.path.join(self.workdir, entry))
        for entry, path in (add or {}).items():
            os.symlink(os.path.abspath(path), os.path.join(self.workdir, entry))
        viewer = program == BIN
        if viewer and set(remove) & set(os.listdir(RUN_DIR)):
            # The viewer also looks beside its executable: a file taken away
            # is only missing to a copy of it kept where that file is not.
            program = shutil.copy2(BIN, self.workdir)
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp", "-noreset"], pass_fds=(write_fd,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            self.env = dict(os.environ, DISPLAY=":" + pipe.readline().strip())
        command = [program] + (["-geometry", geometry] if viewer else []) + list(args)
        self.out, self.err = (pathlib.Path(self.workdir, s + ".log") for s in ("stdout", "stderr"))
        with self.out.open("wb") as out, self.err.open("wb") as err:
            self.proc = subprocess.Popen(command, cwd=self.workdir, env=self.env, stdin=subprocess.DEVNULL,
                                         stdout=out, stderr=err)

    # --- process and output -------------------------------------------------
    def stdout(self):
        return self.out.read_bytes().decode("utf-8", "replace")

    def stderr(self):
        return self.err.read_bytes().decode("utf-8", "replace")

    def wait_output(self, pattern, timeout=60):
        return wait_until(lambda: re.search(pattern, self.stdout(), re.M), timeout, what=repr(pattern))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        self.xvfb.kill()
        self.xvfb.wait()
        shutil.rmtree(self.workdir, ignore_errors=True)

    # --- X ----------------------------------------------------------------
    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, timeout=120)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (args, result.stderr.decode()))
        return result.stdout.decode().strip()

    def find_window(self, title=TITLE, timeout=90):
        # The first visible window named title (TITLE: the viewer's, with or without a volume),
        # or with title None any but the viewer's.
        def viewer(name):
            return name == TITLE or name.startswith(VOLUME_TITLE)

        def search():
            if self.proc.poll() is not None:
                raise AssertionError("the program ended (code %s) before window %r appeared:\n%s"
                                     % (self.proc.returncode, title, self.stderr()))
            for window in self.xdotool("search", "--onlyvisible", "--name", ".", check=False).split():
                name = self.xdotool("getwindowname", window, check=False)
                if name == title or (title == TITLE and viewer(name)) or (title is None and name and not viewer(name)):
                    return window
        return wait_until(search, timeout, 0.2, "window %r" % title)

    def screenshot(self, window=None, save_as=None):
        xwd = subprocess.run(["xwd", "-silent", "-id", window or self.window], env=self.env,
                             stdout=subprocess.PIPE, check=True, timeout=60).stdout
        return Image("xwd:-", xwd, save_as)

    def wait_picture(self, condition, timeout=120, what="the picture", window=None):
        # Waits until condition(screenshot) holds; returns that screenshot.
        def check():
            image = self.screenshot(window)
            return image if condition(image) else None
        return wait_until(check, timeout, 0.3, what)

    def wait_first_frame(self, timeout=90):
        self.window = self.find_window(TITLE, timeout)  # the one keys and shots go to
        # Until the first frame the window holds no picture at all (black).
        return self.wait_picture(lambda im: im.data.count(0) < len(im.data) * 0.98, timeout, "the first frame")

    def cpu_seconds(self):
        # The viewer's processor time so far, its GL threads' included.
        fields = pathlib.Path("/proc/%d/stat" % self.proc.pid).read_text().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def wait_frames(self, count=3, timeout=60, quiet=0.6):
        # Waits until the viewer has drawn a few more frames (the FPS text
        # changes), or, since an opened volume's window is drawn only when
        # something changed, until its processor time stands still: the last
        # frame is then on screen. Returns the last picture.
        opened = self.xdotool("getwindowname", self.window).startswith(VOLUME_TITLE)
        state = {"image": self.screenshot(), "frames": 0, "cpu": self.cpu_seconds(), "since": time.monotonic()}
        def drawn():
            image = self.screenshot()
            if changed(state["image"], (0, 0, 120, 26), 1)(image):
                state.update(image=image, frames=state["frames"] + 1)
            cpu = self.cpu_seconds()
            if cpu != state["cpu"]:
                state.update(cpu=cpu, since=time.monotonic())
            idle = opened and time.monotonic() - state["since"] >= quiet
            return state["frames"] >= count or idle
        wait_until(drawn, timeout, 0.1, "new frames")
        return self.screenshot()

    def key(self, name, window=None, then=None, what="the picture"):
        # Keys go to the window under the pointer. With `then`, waits for a
        # picture it holds for and returns that.
        self.move(20, 20, window)
        self.xdotool("key", name)
        return then and self.wait_picture(then, what=what, window=window)

    def move(self, x, y, window=None):
        self.xdotool("mousemove", "--window", window or self.window, x, y)

    def drag(self, button, start, end, steps, then=None, what="the picture"):
        # Presses button at start, moves to end in steps along a straight line,
        # releases; waits for `then` as key does.
        self.move(*start)
        self.xdotool("mousedown", button)
        for i in range(1, steps + 1):
            time.sleep(0.05)
            self.move(*(round(a + (b - a) * i / steps) for a, b in zip(start, end)))
        time.sleep(0.05)
        self.xdotool("mouseup", button)
        return then and self.wait_picture(then, what=what)

    def send_wm_delete(self, window=None):
        subprocess.run([os.environ["VOLVIEW_WM_DELETE"], window or self.window], env=self.env,
                       check=True, timeout=30)
