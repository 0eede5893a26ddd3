#include "app/png_file.h"

#include <png.h>

#include <csetjmp>

#include "files/replace_file.h"

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
  // No exception may unwind through libpng's C frames.
  try {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
  } catch (...) {
    png_error(png, "out of memory");
  }
}

void NoFlush(png_structp) {}

// libpng's own messages would add lines of their own to ours.
[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void Quiet(png_structp, png_const_charp) {}

}  // namespace

std::string WritePng(const std::string& path, int32_t width, int32_t height, const uint8_t* rows) {
  // Encoded in memory, then put in the file's place whole: a full disk or
  // any other failure leaves an existing file as it was.
  std::string encoded;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return "out of memory";
  }
  // libpng reports its errors by jumping back here; nothing with a
  // destructor is created between the jump point and the writes.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return "PNG encoding failed";
  }
  png_set_write_fn(png, &encoded, AppendBytes, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < height; ++y) {
    png_write_row(png, rows + static_cast<size_t>(y) * static_cast<size_t>(width) * 3);
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  try {
    ReplaceFile(path, encoded);
  } catch (const ReplaceFileError& error) {
    // The caller says it could not write; the reason is enough.
    const std::string why = error.what(), prefix = "cannot write: ";
    return why.compare(0, prefix.size(), prefix) == 0 ? why.substr(prefix.size()) : why;
  }
  return {};
}
