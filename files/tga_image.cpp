#include "files/tga_image.h"

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>

namespace {

constexpr int kHeaderSize = 18;
constexpr uint8_t kRunLengthTrueColour = 10;

struct TgaHeader {
  uint8_t idLength;
  uint8_t colourMapType;
  uint8_t imageType;
  uint16_t colourMapLength;
  uint8_t colourMapEntryBits;
  uint16_t width;
  uint16_t height;
  uint8_t depth;
};

uint16_t ReadLittle16(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// A file shorter than a header reads as zeros, which the depth check refuses.
TgaHeader ReadHeader(std::FILE* file) {
  uint8_t raw[kHeaderSize] = {};
  const size_t got = std::fread(raw, 1, kHeaderSize, file);
  (void)got;
  TgaHeader header;
  header.idLength = raw[0];
  header.colourMapType = raw[1];
  header.imageType = raw[2];
  header.colourMapLength = ReadLittle16(raw + 5);
  header.colourMapEntryBits = raw[7];
  header.width = ReadLittle16(raw + 12);
  header.height = ReadLittle16(raw + 14);
  header.depth = raw[16];
  return header;
}

// Where the pixel data starts: after the image ID and, when present, the
// colour map that true-colour writers may still include.
uint64_t PixelDataOffset(const TgaHeader& header) {
  uint64_t offset = kHeaderSize + header.idLength;
  if (header.colourMapType == 1) {
    offset += static_cast<uint64_t>(header.colourMapLength) * ((header.colourMapEntryBits + 7) / 8);
  }
  return offset;
}

// Bytes of a regular file after `offset`; 0 for anything else (a folder, a pipe).
uint64_t BytesAfter(std::FILE* file, uint64_t offset) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
  const uint64_t size = static_cast<uint64_t>(status.st_size);
  return size > offset ? size - offset : 0;
}

// Reads up to `count` bytes; whatever a short file does not supply is zero.
void ReadOrZero(std::FILE* file, uint8_t* destination, size_t count) {
  const size_t got = std::fread(destination, 1, count, file);
  if (got < count) std::memset(destination + got, 0, count - got);
}

// Rows are stored in file order, so the whole image is one contiguous read.
void DecodeTrueColour(std::FILE* file, size_t pixelCount, size_t bytesPerPixel, uint8_t* out) {
  const size_t total = pixelCount * bytesPerPixel;
  ReadOrZero(file, out, total);
  for (size_t i = 0; i < total; i += bytesPerPixel) {
    const uint8_t blue = out[i];
    out[i] = out[i + 2];
    out[i + 2] = blue;
  }
}

void DecodeSixteenBit(std::FILE* file, size_t pixelCount, uint8_t* out) {
  for (size_t i = 0; i < pixelCount; ++i) {
    uint8_t word[2];
    ReadOrZero(file, word, 2);
    const unsigned v = ReadLittle16(word);
    out[3 * i + 0] = static_cast<uint8_t>(((v >> 10) & 31) * 8);
    out[3 * i + 1] = static_cast<uint8_t>(((v >> 5) & 31) * 8);
    out[3 * i + 2] = static_cast<uint8_t>((v & 31) * 8);
  }
}

void StorePixel(const uint8_t* filePixel, size_t bytesPerPixel, uint8_t* out) {
  out[0] = filePixel[2];
  out[1] = filePixel[1];
  out[2] = filePixel[0];
  if (bytesPerPixel == 4) out[3] = filePixel[3];
}

// Packets are cut at the last pixel so a bad count never writes past the
// buffer; pixels after the end of a short file are zero.
void DecodeRunLength(std::FILE* file, size_t pixelCount, size_t bytesPerPixel, uint8_t* out) {
  size_t written = 0;
  while (written < pixelCount) {
    const int packet = std::fgetc(file);
    if (packet == EOF) break;
    const size_t repeat = static_cast<size_t>(packet & 0x7F) + 1;
    const size_t count = repeat < pixelCount - written ? repeat : pixelCount - written;
    uint8_t filePixel[4];
    if (packet < 128) {
      for (size_t i = 0; i < count; ++i, ++written) {
        ReadOrZero(file, filePixel, bytesPerPixel);
        StorePixel(filePixel, bytesPerPixel, out + written * bytesPerPixel);
      }
    } else {
      ReadOrZero(file, filePixel, bytesPerPixel);
      for (size_t i = 0; i < count; ++i, ++written) {
        StorePixel(filePixel, bytesPerPixel, out + written * bytesPerPixel);
      }
    }
  }
  std::memset(out + written * bytesPerPixel, 0, (pixelCount - written) * bytesPerPixel);
}

enum class Decoding { RunLength, TrueColour, SixteenBit, Unsupported };

// The fewest file bytes that can hold the pixels: whole pixels when
// uncompressed, full 128-pixel run packets of 1 + b bytes when run-length.
// A header alone must not make the loader allocate and fill gigabytes.
uint64_t SmallestPixelData(Decoding decoding, uint64_t pixelCount, uint64_t fileBytesPerPixel) {
  if (decoding == Decoding::RunLength) return (pixelCount + 127) / 128 * (1 + fileBytesPerPixel);
  return pixelCount * fileBytesPerPixel;
}

Decoding ChooseDecoding(const TgaHeader& header) {
  const bool trueColourDepth = header.depth == 24 || header.depth == 32;
  if (header.imageType == kRunLengthTrueColour) {
    return trueColourDepth ? Decoding::RunLength : Decoding::Unsupported;
  }
  if (trueColourDepth) return Decoding::TrueColour;
  if (header.depth == 16) return Decoding::SixteenBit;
  return Decoding::Unsupported;
}

}  // namespace

int32_t LoadTga(const char* fileName, TgaImage& image) {
  std::FILE* file = std::fopen(fileName, "rb");
  if (file == nullptr) {
    std::cout << "Could not open the tga file : " << fileName << "\n";
    std::cout.flush();
    return 1;
  }
  const TgaHeader header = ReadHeader(file);
  const Decoding decoding = ChooseDecoding(header);
  if (decoding == Decoding::Unsupported) {
    std::fclose(file);
    return 1;
  }
  const size_t bytesPerPixel = decoding == Decoding::SixteenBit ? 3 : header.depth / 8;
  const size_t pixelCount = static_cast<size_t>(header.width) * header.height;
  const uint64_t pixelOffset = PixelDataOffset(header);
  if (BytesAfter(file, pixelOffset) < SmallestPixelData(decoding, pixelCount, header.depth / 8)) {
    std::fclose(file);
    return 1;
  }
  uint8_t* pixels = new (std::nothrow) uint8_t[pixelCount * bytesPerPixel];
  if (pixels == nullptr) {
    std::fclose(file);
    return 1;
  }
  std::fseek(file, static_cast<long>(pixelOffset), SEEK_SET);
  switch (decoding) {
    case Decoding::TrueColour:
      DecodeTrueColour(file, pixelCount, bytesPerPixel, pixels);
      break;
    case Decoding::SixteenBit:
      DecodeSixteenBit(file, pixelCount, pixels);
      break;
    case Decoding::RunLength:
      DecodeRunLength(file, pixelCount, bytesPerPixel, pixels);
      break;
    case Decoding::Unsupported:
      break;
  }
  std::fclose(file);
  image.pixels = pixels;
  image.bytesPerPixel = static_cast<int32_t>(bytesPerPixel);
  image.width = header.width;
  image.height = header.height;
  return 0;
}
