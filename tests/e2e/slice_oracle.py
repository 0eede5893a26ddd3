"""What a slice pane should show, worked out from a file's own geometry
(nibabel's affine, the DICOM positions) in RAS millimetres, never from the
viewer's voxel order: where each pane pixel lies in the patient, the file's
value there, and that value through a grey window."""
import os

import nibabel
import numpy
import pydicom

STATUS = 18  # the status strip along the bottom of every slice layout
FPS_BOX = (0, 0, 120, 26)  # the frame rate, white text over the window's top left corner


def logo_box(width, height):
    """Where the 128 x 64 logo lies (x0, y0, x1, y1): its corner is projected from the eye-space
    point (60, -130, -250) through a 60-degree perspective, so it follows the window's height."""
    half = 250 * numpy.tan(numpy.radians(30))
    x0 = int(width / 2 + 60 / half * height / 2)
    bottom = int(height / 2 * (1 + 130 / half))
    return x0, bottom - 64, x0 + 128, bottom + 1
NORMAL = {"sagittal": 0, "coronal": 1, "axial": 2}  # the RAS axis each slice is normal to
# The RAS axis along the screen's right and down, and whether it grows that
# way, radiological: axial from the feet with anterior up, coronal from the
# front, sagittal from the patient's left with anterior on the left.
SCREEN = {"axial": ((0, -1), (1, -1)), "coronal": ((0, -1), (2, -1)), "sagittal": ((1, -1), (2, -1))}
MIRRORED = {"axial": True, "coronal": True, "sagittal": False}  # by --neurological


def quad_panes(width, height):
    """Pane rectangles (x, y, w, h) of the quad layout in a window of width x height."""
    left, above = width // 2, height - STATUS
    top = above // 2
    return {"axial": (0, 0, left, top), "3d": (left, 0, width - left, top),
            "sagittal": (0, top, left, above - top), "coronal": (left, top, width - left, above - top)}


class FileVolume:
    """A file's voxels in data units, data[i, j, k] in its own index order, and its voxel -> RAS affine."""

    def __init__(self, data, affine):
        self.data, self.affine = numpy.asarray(data, float), numpy.asarray(affine, float)
        self.inverse = numpy.linalg.inv(self.affine)

    @classmethod
    def nifti(cls, path):
        image = nibabel.load(path)
        return cls(image.get_fdata(), image.affine)  # get_fdata applies the slope and intercept

    @classmethod
    def dicom(cls, folder):
        slices = [pydicom.dcmread(os.path.join(folder, name)) for name in sorted(os.listdir(folder))]
        row, column = (numpy.array(slices[0].ImageOrientationPatient[a:a + 3], float) for a in (0, 3))
        normal = numpy.cross(row, column)
        slices.sort(key=lambda s: numpy.dot(normal, numpy.array(s.ImagePositionPatient, float)))
        first, second = (numpy.array(s.ImagePositionPatient, float) for s in slices[:2])
        spacing_row, spacing_column = (float(v) for v in slices[0].PixelSpacing)
        lps = numpy.eye(4)
        # Index i runs along a row (across columns), j down the columns, k through the slices.
        lps[:3, 0], lps[:3, 1], lps[:3, 2], lps[:3, 3] = row * spacing_column, column * spacing_row, second - first, first
        pixels = numpy.stack([s.pixel_array.T * float(getattr(s, "RescaleSlope", 1)) +
                              float(getattr(s, "RescaleIntercept", 0)) for s in slices], axis=2)
        return cls(pixels, numpy.diag([-1.0, -1.0, 1.0, 1.0]) @ lps)

    def to_index(self, ras):
        """Continuous file indices (..., 3) of RAS points (..., 3)."""
        return ras @ self.inverse[:3, :3].T + self.inverse[:3, 3]

    def to_ras(self, index):
        return numpy.asarray(index, float) @ self.affine[:3, :3].T + self.affine[:3, 3]

    def box(self):
        """Per RAS axis, (low, high) mm of the voxels' box: the outer centres plus half a voxel."""
        low, high = [], []
        for axis in range(3):
            along = int(numpy.argmax(numpy.abs(self.affine[axis, :3])))
            half = abs(self.affine[axis, along]) / 2
            ends = [self.to_ras([0, 0, 0])[axis], self.to_ras([0, 0, 0])[axis] +
                    self.affine[axis, along] * (self.data.shape[along] - 1)]
            low.append(min(ends) - half)
            high.append(max(ends) + half)
        return numpy.array(low), numpy.array(high)

    def sample(self, ras, nearest=False):
        """Values at RAS points and whether each lies within the voxels' box: trilinear between voxel
        centres, clamped at the outer voxels, or the voxel each point falls in."""
        index = self.to_index(ras)
        shape = numpy.array(self.data.shape)
        inside = numpy.all((index >= -0.5) & (index < shape - 0.5), axis=-1)
        if nearest:
            i, j, k = numpy.moveaxis(numpy.clip(numpy.floor(index + 0.5), 0, shape - 1).astype(int), -1, 0)
            return self.data[i, j, k], inside
        index = numpy.clip(index, 0, shape - 1)
        base = numpy.minimum(numpy.floor(index).astype(int), shape - 2)
        frac = index - base
        value = 0
        for corner in numpy.ndindex(2, 2, 2):
            weight = numpy.prod(numpy.where(corner, frac, 1 - frac), axis=-1)
            i, j, k = numpy.moveaxis(base + corner, -1, 0)
            value = value + weight * self.data[i, j, k]
        return value, inside

    def voxel_of(self, ras):
        """The file's indices of the voxel a RAS point falls in."""
        return tuple(int(v) for v in numpy.clip(numpy.floor(self.to_index(ras) + 0.5), 0,
                                                numpy.array(self.data.shape) - 1))


def pane_points(volume, plane, cursor, width, height, neurological=False, zoom=1.0, about=(0, 0)):
    """RAS mm (height, width, 3) at the centre of each pixel of a slice pane through `cursor`; zoomed
    by `zoom` about pane point `about`, which stays where it was."""
    low, high = volume.box()
    (right, right_sign), (down, down_sign) = SCREEN[plane]
    if neurological and MIRRORED[plane]:
        right_sign = -right_sign
    fit = min(width / (high[right] - low[right]), height / (high[down] - low[down]))
    xs, ys = numpy.arange(width) + 0.5, numpy.arange(height) + 0.5
    # Millimetres from the pane's centre at zoom 1, then zoomed about `about`.
    right_mm = ((about[0] - width / 2) + (xs - about[0]) / zoom) / fit
    down_mm = ((about[1] - height / 2) + (ys - about[1]) / zoom) / fit
    points = numpy.empty((height, width, 3))
    points[...] = cursor
    points[..., right] = ((low + high) / 2)[right] + right_sign * right_mm[None, :]
    points[..., down] = ((low + high) / 2)[down] + down_sign * down_mm[:, None]
    return points


def pane_position(volume, plane, point, width, height, neurological=False):
    """Where a RAS point falls in a slice pane at zoom 1: (x, y) from its top left corner."""
    low, high = volume.box()
    (right, right_sign), (down, down_sign) = SCREEN[plane]
    if neurological and MIRRORED[plane]:
        right_sign = -right_sign
    fit = min(width / (high[right] - low[right]), height / (high[down] - low[down]))
    centre = (low + high) / 2
    return (width / 2 + right_sign * (point[right] - centre[right]) * fit,
            height / 2 + down_sign * (point[down] - centre[down]) * fit)


def windowed(values, window):
    low, high = window
    return numpy.floor(numpy.clip((values - low) / (high - low) * 255, 0, 255) + 0.5)


def expected_pane(volume, plane, cursor, size, window, neurological=False, nearest=False, zoom=1.0,
                  about=(0, 0)):
    """The grey levels (height, width) a pane of `size` should show, 0 outside the voxels' box."""
    values, inside = volume.sample(pane_points(volume, plane, cursor, *size, neurological, zoom, about), nearest)
    return numpy.where(inside, windowed(values, window), 0.0)


def pixels(image, box):
    """The RGB pixels (h, w, 3) of an Image within box (x, y, w, h), as ints."""
    x, y, w, h = box
    rgb = numpy.frombuffer(image.data, numpy.uint8).reshape(image.height, image.width, 3)
    return rgb[y:y + h, x:x + w].astype(int)


def agreement(image, box, want, border=3):
    """Correlation and mean absolute error between a pane's grey pixels and `want`, over the pixels
    either shows something at. Coloured marks, the pane's edge, the frame rate and the logo are
    left out."""
    rgb = pixels(image, box)
    grey = rgb[..., 0].astype(float)
    use = (rgb[..., 0] == rgb[..., 1]) & (rgb[..., 1] == rgb[..., 2])
    use[:border], use[-border:], use[:, :border], use[:, -border:] = False, False, False, False
    fx0, fy0, fx1, fy1 = FPS_BOX
    use[max(fy0 - box[1], 0):max(fy1 - box[1], 0), max(fx0 - box[0], 0):max(fx1 - box[0], 0)] = False
    lx0, ly0, lx1, ly1 = logo_box(image.width, image.height)
    use[max(ly0 - box[1], 0):max(ly1 - box[1], 0), max(lx0 - box[0], 0):max(lx1 - box[0], 0)] = False
    use &= (grey > 0) | (want > 0)
    got, wanted = grey[use], want[use]
    return numpy.corrcoef(got, wanted)[0, 1], numpy.abs(got - wanted).mean()


def centroid(grey, test):
    """Mean (x, y) of the pixels of a grey picture (h, w) where test holds."""
    ys, xs = numpy.nonzero(test(grey))
    assert len(xs), "no such pixel"
    return xs.mean(), ys.mean()
