// SPDX-License-Identifier: MIT
#pragma once

// libpng, held strictly to the format, as the judge of what a PNG reader must accept: every
// checksum counts, what libpng calls a benign error is an error, and the ancillary chunks
// that do not change pixels are skipped as a printer skips them. Written in C: libpng reports
// errors with longjmp, which must not cross C++ frames.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum PngOracleVerdict {
  kPngOracleRefused = 0,
  kPngOracleDecoded = 1,
  /// Sound as far as the header, but more than `most_pixels`: not decoded.
  kPngOracleTooLarge = 2,
};

struct PngOracleImage {
  uint32_t width;
  uint32_t height;
  /// 8-bit RGBA rows from the top; 16-bit samples brought to 8 bits as (v * 255 + 32767) / 65535.
  uint8_t* rgba;
  char message[128];  // why libpng refused it
};

enum PngOracleVerdict PngOracleDecode(const uint8_t* data, size_t size, uint64_t most_pixels,
                                      struct PngOracleImage* image);
void PngOracleFree(struct PngOracleImage* image);

#ifdef __cplusplus
}
#endif
