// Opening a 512 x 512 x 400 int16 NRRD to the renderer's first buffer (read,
// canonical axes, value range, robust window, fitting to 256 by area
// averaging) against ITK reading the same file alone, in one run. Each
// measurement runs in a child process so its peak memory can be told apart.
//
//   open_volume_bench [DIR] [RUNS]   (the file is made in DIR, default /tmp,
//   with a 256 x 256 x 200 one that fills the same texture, for the viewer's
//   fixed start-up in first_frame_volume.sh)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <itkImage.h>
#include <itkImageFileReader.h>
#include <itkImageFileWriter.h>
#include <itkNrrdImageIO.h>
#include <itkNrrdImageIOFactory.h>

#include "files/volume_file.h"
#include "files/volume_fit.h"
#include "files/volume_window.h"

namespace {

using Image = itk::Image<int16_t, 3>;
constexpr int kSizeX = 512, kSizeY = 512, kSizeZ = 400;

// Air around a ball of tissue with a little structure, filling the box.
void MakeFile(const std::string& path, int sizeX, int sizeY, int sizeZ) {
  struct stat status {};
  if (stat(path.c_str(), &status) == 0) return;
  std::printf("writing %s\n", path.c_str());
  auto image = Image::New();
  image->SetRegions(Image::RegionType(Image::SizeType{
      {static_cast<size_t>(sizeX), static_cast<size_t>(sizeY), static_cast<size_t>(sizeZ)}}));
  image->Allocate();
  int16_t* v = image->GetBufferPointer();
  for (int z = 0; z < sizeZ; ++z) {
    for (int y = 0; y < sizeY; ++y) {
      for (int x = 0; x < sizeX; ++x) {
        const double dx = (x - sizeX / 2.0) / sizeX, dy = (y - sizeY / 2.0) / sizeY;
        const double dz = (z - sizeZ / 2.0) / sizeZ;
        const bool inside = dx * dx + dy * dy + dz * dz < 0.2;
        *v++ = static_cast<int16_t>(inside ? 40 + (x ^ y ^ z) % 200 : -1000 + (x * 7 + y) % 13);
      }
    }
  }
  auto writer = itk::ImageFileWriter<Image>::New();
  writer->SetImageIO(itk::NrrdImageIO::New());
  writer->SetInput(image);
  writer->SetFileName(path);
  writer->Update();
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BareRead(const std::string& path) {
  itk::NrrdImageIOFactory::RegisterOneFactory();
  auto reader = itk::ImageFileReader<Image>::New();
  reader->SetFileName(path);
  reader->Update();
}

void OpenToFirstBuffer(const std::string& path) {
  const Volume volume = OpenVolume({path, {}, {}, 0});
  const IntensityWindow window = RobustWindow(volume);
  const std::array<int32_t, 3> sizes = FitVolumeSize(volume.info().sizes, 256, 2048);
  std::vector<float> texels(static_cast<size_t>(sizes[0]) * sizes[1] * sizes[2]);
  ResampleVolume(volume, WholeVolume(volume), window, sizes, texels.data());
}

struct Measure {
  double seconds;
  double peakMB;
};

// Runs `work` in a child; its wall time and peak resident size.
Measure InChild(void (*work)(const std::string&), const std::string& path) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) std::exit(1);
  const pid_t child = fork();
  if (child == 0) {
    const auto start = std::chrono::steady_clock::now();
    work(path);
    const double seconds = Seconds(start);
    if (write(pipeEnds[1], &seconds, sizeof seconds) != sizeof seconds) _exit(1);
    _exit(0);
  }
  Measure measure{0, 0};
  int status = 0;
  struct rusage usage {};
  if (read(pipeEnds[0], &measure.seconds, sizeof measure.seconds) != sizeof measure.seconds ||
      wait4(child, &status, 0, &usage) != child || status != 0) {
    std::fprintf(stderr, "open_volume_bench: child failed\n");
    std::exit(1);
  }
  close(pipeEnds[0]);
  close(pipeEnds[1]);
  measure.peakMB = usage.ru_maxrss / 1024.0;
  return measure;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string path = dir + "/volview_bench_512x512x400_int16.nrrd";
  MakeFile(path, kSizeX, kSizeY, kSizeZ);
  MakeFile(dir + "/volview_bench_256x256x200_int16.nrrd", kSizeX / 2, kSizeY / 2, kSizeZ / 2);
  struct stat status {};
  stat(path.c_str(), &status);
  const double fileMB = status.st_size / (1024.0 * 1024.0);
  InChild(BareRead, path);  // warms the page cache for both
  std::vector<double> bare, ours, barePeak, oursPeak;
  for (int run = 0; run < runs; ++run) {
    const Measure b = InChild(BareRead, path);
    const Measure o = InChild(OpenToFirstBuffer, path);
    bare.push_back(b.seconds);
    ours.push_back(o.seconds);
    barePeak.push_back(b.peakMB);
    oursPeak.push_back(o.peakMB);
  }
  std::printf("file %.1f MiB, median of %d runs\n", fileMB, runs);
  std::printf("ITK read alone         %.3f s, peak %.1f MiB\n", Median(bare), Median(barePeak));
  std::printf("open to first buffer   %.3f s, peak %.1f MiB\n", Median(ours), Median(oursPeak));
  std::printf("time ratio %.2f, peak / file size %.2f\n", Median(ours) / Median(bare),
              Median(oursPeak) / fileMB);
  return 0;
}
