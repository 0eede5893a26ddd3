"""How a full-detail frame's cost grows with the volume and the window: the
same head-like phantom at 128^3, 256^3 and 512^3 (--max-size 512, so none
is shrunk), each in 500x500 and 1000x1000 windows, timed by --benchmark
(median over a turn) with the fragments the GL shaded. Ratios are against
128^3 in 500x500, measured in this run; the goal is a cost linear in the
covered pixels and well below linear in the voxels.

  python3 bench/volumes/cost_vs_size.py [RUN_DIR] [FRAMES]   (starts its own Xvfb)"""
import os
import re
import subprocess
import sys
import tempfile

import nibabel
import numpy

HERE = os.path.dirname(os.path.abspath(__file__))
RUN = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "../../build/run"))
FRAMES = sys.argv[2] if len(sys.argv) > 2 else "12"


def phantom(n, path):
    """Skull shell around a textured brain with noise, the same shape at every size."""
    z, y, x = numpy.mgrid[:n, :n, :n].astype(numpy.float32) / n - 0.5
    r = numpy.sqrt(x * x + (y * 1.2) ** 2 + (z * 1.1) ** 2)
    brain = 300 + 120 * numpy.sin(40 * x) * numpy.cos(37 * y) * numpy.sin(33 * z)
    noise = numpy.random.default_rng(1).normal(0, 15, r.shape).astype(numpy.float32)
    data = numpy.where(r < 0.38, brain, 0) + numpy.where((r >= 0.38) & (r < 0.42), 700, 0) + noise
    del x, y, z, r, brain, noise
    nibabel.save(nibabel.Nifti1Image(numpy.clip(data, 0, None).astype(numpy.int16), numpy.diag([256 / n] * 3 + [1])),
                 path)


def benchmark(volume, size, env):
    out = subprocess.run([os.path.join(RUN, "volview"), "-geometry", "%dx%d+0+0" % (size, size), volume,
                          "--max-size", "512", "--benchmark", FRAMES], cwd=RUN, env=env, capture_output=True,
                         text=True, timeout=3600, check=True).stdout
    ms = float(re.search(r"(?m)^Full detail: median ([\d.]+) ms", out).group(1))
    found = re.search(r"(?m)^Fragments per frame: ([\d.]+) million rasterized", out)
    return ms, float(found.group(1)) if found else float("nan")


def main():
    with open("/proc/cpuinfo") as cpu:
        print([l.split(": ")[1].strip() for l in cpu if l.startswith("model name")][0])
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1200x1100x24", "-nolisten", "tcp"],
                            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        env = dict(os.environ, DISPLAY=":" + pipe.readline().strip())
    try:
        with tempfile.TemporaryDirectory() as scratch:
            rows = []
            for n in (128, 256, 512):
                path = os.path.join(scratch, "phantom%d.nii.gz" % n)
                phantom(n, path)
                for size in (500, 1000):
                    rows.append((n, size) + benchmark(path, size, env))
            base_ms = rows[0][2]
            print("%-8s %-10s %10s %8s %12s %10s" % ("volume", "window", "full ms", "x time", "Mfragments", "x pixels"))
            for n, size, ms, fragments in rows:
                print("%-8s %-10s %10.1f %8.2f %12.2f %10.1f" % ("%d^3" % n, "%dx%d" % (size, size), ms, ms / base_ms,
                                                                fragments, (size / 500.0) ** 2))
    finally:
        xvfb.kill()
        xvfb.wait()


if __name__ == "__main__":
    main()
