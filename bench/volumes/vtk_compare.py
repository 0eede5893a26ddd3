"""Full-detail frame time per covered pixel: this viewer against VTK's CPU
ray caster (vtkFixedPointVolumeRayCastMapper, python3-vtk9), on the same
file, in the same run, over the same turn (FRAMES steps about the vertical
axis) in a 500x500 window. VTK gets the viewer's own preset for the file
(its colours, opacities, light weights) and samples every half voxel; each
side's covered pixels are counted in its own picture, as the two frame the
volume differently. VTK is a measuring stick here, never a dependency.

  python3 bench/volumes/vtk_compare.py [VOLUME.nii[.gz] ...]   (starts its own Xvfb)"""
import os
import re
import subprocess
import sys
import tempfile

import numpy

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../../tests/e2e"))
from harness import Image  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
RUN = os.path.abspath(os.path.join(HERE, "../../build/run"))
FRAMES = 36
SIZE = 500
VTK_SCRIPT = r'''
import json, sys, time
import numpy, vtk
from vtk.util.numpy_support import vtk_to_numpy
path, preset_file, low, high, frames, size = sys.argv[1], sys.argv[2], float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5]), int(sys.argv[6])
reader = vtk.vtkNIFTIImageReader()
reader.SetFileName(path)
reader.Update()
preset = json.load(open(preset_file))
scale = (lambda v: low + v * (high - low)) if preset.get("RelativeToWindow") else (lambda v: v)
colour, opacity = vtk.vtkColorTransferFunction(), vtk.vtkPiecewiseFunction()
p = preset["RGBPoints"]
for i in range(0, len(p), 4):
    colour.AddRGBPoint(scale(p[i]), p[i + 1], p[i + 2], p[i + 3])
p = preset["Points"]
for i in range(0, len(p), 4):
    opacity.AddPoint(scale(p[i]), p[i + 1])
prop = vtk.vtkVolumeProperty()
prop.SetColor(colour)
prop.SetScalarOpacity(opacity)
prop.SetInterpolationTypeToLinear()
prop.ShadeOn()
prop.SetAmbient(0.25)
prop.SetDiffuse(0.75)
prop.SetSpecular(0.6)
prop.SetSpecularPower(24)
spacing = reader.GetOutput().GetSpacing()
prop.SetScalarOpacityUnitDistance(min(spacing))
mapper = vtk.vtkFixedPointVolumeRayCastMapper()
mapper.SetInputConnection(reader.GetOutputPort())
mapper.SetAutoAdjustSampleDistances(0)
mapper.SetSampleDistance(min(spacing) / 2)
volume = vtk.vtkVolume()
volume.SetMapper(mapper)
volume.SetProperty(prop)
renderer = vtk.vtkRenderer()
renderer.SetBackground(0, 0, 0)
renderer.AddVolume(volume)
window = vtk.vtkRenderWindow()
window.SetSize(size, size)
window.AddRenderer(renderer)
renderer.ResetCamera()
renderer.GetActiveCamera().Elevation(-90)
renderer.GetActiveCamera().OrthogonalizeViewUp()
renderer.ResetCamera()
window.Render()
grab = vtk.vtkWindowToImageFilter()
grab.SetInput(window)
grab.Update()
picture = vtk_to_numpy(grab.GetOutput().GetPointData().GetScalars())
covered = int((picture[:, :3].astype(int).sum(axis=1) > 6).sum())
times = []
for frame in range(frames):
    renderer.GetActiveCamera().Azimuth(360.0 / frames)
    start = time.perf_counter()
    window.Render()
    times.append(1000 * (time.perf_counter() - start))
print("VTK %.1f %d" % (sorted(times)[len(times) // 2], covered))
'''


def display():
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    with os.fdopen(read_fd) as pipe:
        return xvfb, dict(os.environ, DISPLAY=":" + pipe.readline().strip())


def ours(volume, env, scratch):
    viewer = [os.path.join(RUN, "volview"), "-geometry", "%dx%d+0+0" % (SIZE, SIZE), volume, "--clean"]
    out = subprocess.run(viewer + ["--benchmark", str(FRAMES)], cwd=RUN, env=env, capture_output=True, text=True,
                         timeout=3600, check=True).stdout
    ms = float(re.search(r"(?m)^Full detail: median ([\d.]+) ms", out).group(1))
    shot = os.path.join(scratch, "ours.png")
    log = subprocess.run(viewer + ["--screenshot", shot, "--verbose"], cwd=RUN, env=env, capture_output=True,
                         text=True, timeout=600, check=True)
    picture = numpy.frombuffer(Image(shot).data, numpy.uint8).reshape(SIZE, SIZE, 3).astype(int)
    background = picture[0, 0]
    covered = int((numpy.abs(picture - background).sum(axis=2) > 6).sum())
    preset = re.search(r"(?m)^Preset: (\S+)", log.stdout + log.stderr).group(1)
    info = subprocess.run([os.path.join(RUN, "volview"), volume, "--info"], cwd=RUN, capture_output=True, text=True,
                          check=True).stdout
    low, high = re.search(r"(?m)^Default window: (\S+):(\S+)$", info).groups()
    return ms, covered, preset, float(low), float(high)


def main():
    volumes = [os.path.abspath(v) for v in sys.argv[1:]] or [os.path.join(RUN, "samples", n)
                                                             for n in ("mr.nii.gz", "ct.nii.gz")]
    with open("/proc/cpuinfo") as cpu:
        print([l.split(": ")[1].strip() for l in cpu if l.startswith("model name")][0])
    xvfb, env = display()
    try:
        with tempfile.TemporaryDirectory() as scratch:
            for volume in volumes:
                ms, covered, preset, low, high = ours(volume, env, scratch)
                vtk_out = subprocess.run(["/usr/bin/python3", "-c", VTK_SCRIPT, volume,
                                          os.path.join(RUN, "presets", preset + ".json"), str(low), str(high),
                                          str(FRAMES), str(SIZE)], env=env, capture_output=True, text=True,
                                         timeout=3600, check=True).stdout
                vtk_ms, vtk_covered = vtk_out.split()[1:3]
                vtk_ms, vtk_covered = float(vtk_ms), int(vtk_covered)
                ours_per = 1e3 * ms / max(covered, 1)
                vtk_per = 1e3 * vtk_ms / max(vtk_covered, 1)
                print("%-12s ours %6.1f ms, %4.1f%% covered, %.3f us/pixel | VTK %6.1f ms, %4.1f%% covered, "
                      "%.3f us/pixel | VTK/ours per pixel %.2f"
                      % (os.path.basename(volume), ms, 100.0 * covered / SIZE ** 2, ours_per, vtk_ms,
                         100.0 * vtk_covered / SIZE ** 2, vtk_per, vtk_per / ours_per), flush=True)
    finally:
        xvfb.kill()
        xvfb.wait()


if __name__ == "__main__":
    main()
