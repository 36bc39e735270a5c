// SPDX-License-Identifier: MIT
#pragma once

// A minimal PDF writer for print jobs: pages of a given size, each showing pictures at given
// places. Pictures are Flate streams with PNG row predictors, so a PNG's own image data goes
// in unchanged and other pictures are compressed the way PNG compresses them.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace mirablot::pdf {

/// Takes bytes in order: the document as it is written, a picture's data as it arrives.
using ByteSink = std::function<void(std::span<const std::uint8_t>)>;

/// Hands a picture's data to the sink, piece by piece, once.
using ImageData = std::function<void(const ByteSink&)>;

/// Image data that lies in memory already, in parts.
[[nodiscard]] ImageData DataIn(std::vector<std::span<const std::uint8_t>> parts);

/// A picture as a PDF image: 8-bit samples, rows prefixed with a PNG filter byte, deflated.
struct FlateImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int components = 3;  // 1 grey, 3 RGB
  ImageData data;      // the deflated rows
  ImageData opacity;   // deflated 1-component rows, or none
};

/// Deflates 8-bit rows (each `stride` bytes apart, `rowBytes` long, `bytesPerPixel` per
/// pixel) with a PNG filter byte before each: Paeth on pixel data, as PNG encoders mostly
/// choose, at ISA-L's fastest level.
[[nodiscard]] std::vector<std::uint8_t> DeflateRows(const std::uint8_t* pixels, std::uint32_t rows,
                                                    std::size_t rowBytes, std::size_t stride,
                                                    int bytesPerPixel);

class PdfWriter {
 public:
  /// Writes the document into the sink as it goes; the sink's Errors pass through.
  explicit PdfWriter(ByteSink sink);

  /// A new page of this size in points.
  void BeginPage(double width, double height);
  /// Puts the picture into the document once, its data as it comes; returns its number for
  /// DrawImage. Its length follows it, so that nothing about it need be known in advance.
  [[nodiscard]] int AddImage(const FlateImage& image);
  /// Shows the picture in the rectangle, in points from the page's top-left corner.
  void DrawImage(const FlateImage& image, double x, double y, double width, double height);
  /// Shows a picture added before in the rectangle; with a clip rectangle (x, y, width,
  /// height; points from the page's top-left corner), only as much of it as lies within.
  void DrawImage(int image, double x, double y, double width, double height,
                 const std::optional<std::array<double, 4>>& clip = std::nullopt);
  /// Writes a line of text in Helvetica, one of PDF's standard fonts (nothing embedded), of
  /// `size` points and `grey` (0 black, 1 white), right-aligned at `right` with its baseline at
  /// `baseline` (points from the page's top-left corner), on a white box just large enough
  /// for it. Only digits, spaces and "-:/" are known: any other text is error 5 (InvalidCall).
  void DrawText(const std::string& text, double right, double baseline, double size, double grey);
  /// Ends the last page and writes the document's tables.
  void Finish(const std::string& title);

 private:
  int NewObject();
  void BeginObject(int number);
  void WriteStream(const std::string& dictionary, std::span<const std::uint8_t> data);
  // A stream whose length is written after it, as an object of its own.
  void WriteStream(const std::string& dictionary, const ImageData& data);
  int WriteImage(const FlateImage& image);
  void EndPage();
  void Write(std::string_view text);
  void Write(std::span<const std::uint8_t> bytes);

  ByteSink m_sink;
  std::uint64_t m_offset = 0;
  std::vector<std::uint64_t> m_objectOffsets;  // by object number - 1
  std::vector<int> m_pages;
  bool m_pageOpen = false;
  double m_pageWidth = 0;
  double m_pageHeight = 0;
  std::string m_content;
  std::vector<int> m_pageImages;
  bool m_pageText = false;  // whether the page uses the font
  int m_font = 0;           // its object, once written
};

}  // namespace mirablot::pdf
