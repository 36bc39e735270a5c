// SPDX-License-Identifier: MIT
#pragma once

// A minimal PDF writer for print jobs: pages of a given size, each showing pictures at given
// places. Pictures are Flate streams with PNG row predictors, so a PNG's own image data goes
// in unchanged and other pictures are compressed the way PNG compresses them.

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mirablot::pdf {

/// A picture as a PDF image: 8-bit samples, rows prefixed with a PNG filter byte, deflated.
struct FlateImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int components = 3;                                  // 1 grey, 3 RGB
  std::vector<std::span<const std::uint8_t>> data;     // the deflated rows, in parts
  std::vector<std::span<const std::uint8_t>> opacity;  // deflated 1-component rows, or none
};

/// Deflates 8-bit rows (each `stride` bytes apart, `rowBytes` long, `bytesPerPixel` per
/// pixel) with a PNG filter byte before each: Paeth on pixel data, as PNG encoders mostly
/// choose, at a fast compression level.
[[nodiscard]] std::vector<std::uint8_t> DeflateRows(const std::uint8_t* pixels, std::uint32_t rows,
                                                    std::size_t rowBytes, std::size_t stride,
                                                    int bytesPerPixel);

class PdfWriter {
 public:
  /// Writes to the file; every write failure is an Error (PrinterError) naming the reason.
  explicit PdfWriter(std::FILE* file);

  /// A new page of this size in points.
  void BeginPage(double width, double height);
  /// Puts the picture into the document once; returns its number for DrawImage.
  [[nodiscard]] int AddImage(const FlateImage& image);
  /// Shows the picture in the rectangle, in points from the page's top-left corner.
  void DrawImage(const FlateImage& image, double x, double y, double width, double height);
  /// Shows a picture added before in the rectangle; with a clip rectangle (x, y, width,
  /// height; points from the page's top-left corner), only as much of it as lies within.
  void DrawImage(int image, double x, double y, double width, double height,
                 const std::optional<std::array<double, 4>>& clip = std::nullopt);
  /// Ends the last page and writes the document's tables.
  void Finish(const std::string& title);

 private:
  int NewObject();
  void BeginObject(int number);
  void WriteStream(const std::string& dictionary,
                   const std::vector<std::span<const std::uint8_t>>& parts);
  int WriteImage(const FlateImage& image);
  void EndPage();
  void Write(std::string_view text);
  void Write(std::span<const std::uint8_t> bytes);

  std::FILE* m_file;
  std::uint64_t m_offset = 0;
  std::vector<std::uint64_t> m_objectOffsets;  // by object number - 1
  std::vector<int> m_pages;
  bool m_pageOpen = false;
  double m_pageWidth = 0;
  double m_pageHeight = 0;
  std::string m_content;
  std::vector<int> m_pageImages;
};

}  // namespace mirablot::pdf
