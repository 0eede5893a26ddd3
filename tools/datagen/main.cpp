// Makes the data files the viewer ships with.
//
//   volview-datagen DIR         writes "zemaLogo Small.tga" and "result128.raw" into DIR
//   volview-datagen --big DIR   writes DIR/g:/Ima3D_234c.raw (1024 x 1024 x 741, ~777 MB)
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "tools/datagen/fractal_volume.h"
#include "tools/datagen/head_phantom.h"
#include "tools/datagen/logo.h"
#include "tools/datagen/tga_writer.h"

namespace {

constexpr int kPhantomSize = 128;
constexpr int kBigSizeX = 1024, kBigSizeY = 1024, kBigSizeZ = 741;

int Usage() {
  std::fprintf(stderr, "usage: volview-datagen DIR\n       volview-datagen --big DIR\n");
  return 2;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

int WriteShippedFiles(const std::string& directory) {
  const std::string logo = directory + "/zemaLogo Small.tga";
  if (!WriteTga32(logo, kLogoWidth, kLogoHeight, RenderLogo())) {
    std::fprintf(stderr, "volview-datagen: cannot write %s\n", logo.c_str());
    return 1;
  }
  const std::string phantom = directory + "/result128.raw";
  if (!WriteBytes(phantom, BuildHeadPhantom(kPhantomSize))) {
    std::fprintf(stderr, "volview-datagen: cannot write %s\n", phantom.c_str());
    return 1;
  }
  return 0;
}

// The viewer opens the large file by its Windows-style path "g:/Ima3D_234c.raw",
// which on this platform is the directory "g:" under the working directory.
int WriteBigVolume(const std::string& directory) {
  const std::string folder = directory + "/g:";
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
    std::fprintf(stderr, "volview-datagen: %s: %s\n", folder.c_str(), std::strerror(errno));
    return 1;
  }
  const int threads = static_cast<int>(std::min(2u, std::max(1u, std::thread::hardware_concurrency())));
  std::string error;
  if (!WriteFractalVolume(folder + "/Ima3D_234c.raw", kBigSizeX, kBigSizeY, kBigSizeZ, threads,
                          error)) {
    std::fprintf(stderr, "volview-datagen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--big") != 0) return WriteShippedFiles(argv[1]);
  if (argc == 3 && std::strcmp(argv[1], "--big") == 0) return WriteBigVolume(argv[2]);
  return Usage();
}
