"""Pictures and frame times of opened volumes, this build against an older
one in the same run: the mean absolute difference (pixel values in [0, 1])
of the picture at 100 and 200 slices to the one at 2000, and the still
frame's time (swap to swap, by the preloaded swap timer).

  python3 bench/volumes/fidelity_bench.py OLD_RUN_DIR [VOLUME ...]

OLD_RUN_DIR is the working directory of the older build (its volview and
shaders); it is driven with its keys (s: 5 slices fewer, z: 5 more), this
build with --slices. Volumes default to the MR and CT samples."""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../../tests/e2e"))
from harness import Image  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
NEW_RUN = os.path.abspath(os.path.join(HERE, "../../build/run"))
TIMER = os.path.abspath(os.path.join(HERE, "../../build/bench/volumes/libswap_timer.so"))
REGION = (0, 30, 500, 400)  # the volume, without the frame rate, logo and marker


class Display:
    def __enter__(self):
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(write_fd,),
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as pipe:
            self.env = dict(os.environ, DISPLAY=":" + pipe.readline().strip())
        return self

    def __exit__(self, *exc):
        self.xvfb.kill()
        self.xvfb.wait()


def region(image):
    x0, y0, x1, y1 = REGION
    return [v for y in range(y0, y1) for v in image.data[3 * (y * image.width + x0):3 * (y * image.width + x1)]]


def mad(a, b):
    return sum(abs(p - q) for p, q in zip(a, b)) / (255.0 * len(a))


def new_picture(volume, slices):
    with Display() as d, tempfile.TemporaryDirectory() as scratch:
        shot = os.path.join(scratch, "shot.png")
        subprocess.run([os.path.join(NEW_RUN, "volview"), "-geometry", "500x500+0+0", volume, "--slices",
                        str(slices), "--screenshot", shot], cwd=NEW_RUN, env=d.env, check=True,
                       capture_output=True, timeout=600)
        return region(Image(shot))


def old_picture(old_run, volume, keys):
    # The older build has no --slices: its keys set the count, then the
    # picture is read once it stops changing.
    with Display() as d:
        viewer = subprocess.Popen([os.path.join(old_run, "volview"), "-geometry", "500x500+0+0", volume],
                                  cwd=old_run, env=d.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "3D volume"],
                                    env=d.env, capture_output=True, text=True, timeout=120).stdout.split()[0]
            time.sleep(3)
            if keys:
                subprocess.run(["xdotool", "mousemove", "--window", window, "20", "20"], env=d.env, check=True)
                subprocess.run(["xdotool", "key", "--delay", "20"] + keys, env=d.env, check=True, timeout=600)
            previous = None
            while True:
                time.sleep(4)
                xwd = subprocess.run(["xwd", "-silent", "-id", window], env=d.env, stdout=subprocess.PIPE,
                                     check=True).stdout
                pixels = region(Image("xwd:-", xwd))
                if previous is not None and mad(pixels, previous) < 1e-4:
                    return pixels
                previous = pixels
        finally:
            viewer.kill()
            viewer.wait()


def still_frame_ms(run_dir, volume):
    with Display() as d:
        result = subprocess.run([os.path.join(run_dir, "volview"), "-geometry", "500x500+0+0", volume],
                                cwd=run_dir, env=dict(d.env, LD_PRELOAD=TIMER, VOLVIEW_SWAP_FRAMES="15"),
                                capture_output=True, text=True, timeout=900)
        line = [l for l in result.stderr.splitlines() if l.startswith("swap timer")][0]
        return float(line.split("median ")[1].split(" ms")[0])


def main():
    old_run = os.path.abspath(sys.argv[1])
    volumes = [os.path.abspath(v) for v in sys.argv[2:]] or [os.path.join(NEW_RUN, "samples", n)
                                                              for n in ("mr.nii.gz", "ct.nii.gz")]
    with open("/proc/cpuinfo") as cpu:
        print([l.split(": ")[1].strip() for l in cpu if l.startswith("model name")][0])
    for volume in volumes:
        name = os.path.basename(volume)
        new = {n: new_picture(volume, n) for n in (100, 200, 2000)}
        old = {100: old_picture(old_run, volume, ["s"] * 20), 200: old_picture(old_run, volume, []),
               2000: old_picture(old_run, volume, ["z"] * 360)}
        for slices in (100, 200):
            print("%-10s %4d slices: mean difference to 2000 slices: this build %.4f, older build %.4f"
                  % (name, slices, mad(new[slices], new[2000]), mad(old[slices], old[2000])))
        print("%-10s still frame: this build %.1f ms, older build %.1f ms"
              % (name, still_frame_ms(NEW_RUN, volume), still_frame_ms(old_run, volume)))


if __name__ == "__main__":
    main()
