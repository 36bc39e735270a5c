// SPDX-License-Identifier: MIT
#include "PngOracle.h"

#include <png.h>
#include <stdlib.h>
#include <string.h>

struct Source {
  const uint8_t* data;
  size_t size;
  size_t at;
};

static void ReadBytes(png_structp png, png_bytep into, size_t count) {
  struct Source* source = png_get_io_ptr(png);
  if (count > source->size - source->at) {
    png_error(png, "ends early");
  }
  memcpy(into, source->data + source->at, count);
  source->at += count;
}

static void Fail(png_structp png, png_const_charp message) {
  struct PngOracleImage* image = png_get_error_ptr(png);
  strncpy(image->message, message, sizeof image->message - 1);
  png_longjmp(png, 1);
}

static void Warn(png_structp png, png_const_charp message) {
  (void)png;
  (void)message;
}

// The ancillary chunks a print ignores (colour management, text, times): handled as unknown,
// which skips them after their checksum. tRNS is not among them: it changes pixels.
static const png_byte kIgnored[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
    "sBIT\0sCAL\0sPLT\0sRGB\0tEXt\0tIME\0zTXt\0";

enum PngOracleVerdict PngOracleDecode(const uint8_t* data, size_t size, uint64_t most_pixels,
                                      struct PngOracleImage* image) {
  memset(image, 0, sizeof *image);
  struct Source source = {data, size, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, image, Fail, Warn);
  png_infop info = png_create_info_struct(png);
  png_bytep* volatile rows = NULL;
  uint8_t* volatile pixels = NULL;
  volatile enum PngOracleVerdict verdict = kPngOracleRefused;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_read_fn(png, &source, ReadBytes);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_set_benign_errors(png, 0);
    /* The window a stream's header names is no limit: ours declares 32 KB in what it hands on. */
    png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
    png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
    png_set_chunk_cache_max(png, 0);
    png_set_chunk_malloc_max(png, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, (int)(sizeof kIgnored / 5));
    png_read_info(png, info);
    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    if ((uint64_t)width * height > most_pixels) {
      verdict = kPngOracleTooLarge;
    } else {
      const int depth = png_get_bit_depth(png, info);
      png_set_expand(png);
      png_set_gray_to_rgb(png);
      png_set_add_alpha(png, depth == 16 ? 0xffff : 0xff, PNG_FILLER_AFTER);
      png_set_interlace_handling(png);
      png_read_update_info(png, info);
      const size_t stride = png_get_rowbytes(png, info);
      pixels = malloc(stride * height);
      rows = malloc(sizeof(png_bytep) * height);
      for (uint32_t y = 0; y < height; ++y) {
        rows[y] = pixels + stride * y;
      }
      png_read_image(png, rows);
      png_read_end(png, NULL);
      image->width = width;
      image->height = height;
      image->rgba = malloc((size_t)width * height * 4 + 1);
      for (size_t i = 0; i < (size_t)width * height * 4; ++i) {
        image->rgba[i] =
            depth == 16
                ? (uint8_t)(((pixels[2 * i] << 8 | pixels[2 * i + 1]) * 255U + 32767) / 65535)
                : pixels[i];
      }
      verdict = kPngOracleDecoded;
    }
  }
  free(rows);
  free(pixels);
  png_destroy_read_struct(&png, &info, NULL);
  return verdict;
}

void PngOracleFree(struct PngOracleImage* image) {
  free(image->rgba);
  image->rgba = NULL;
}
