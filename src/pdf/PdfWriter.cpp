// SPDX-License-Identifier: MIT
#include "PdfWriter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <isa-l/igzip_lib.h>
#include <string_view>

#include "core/Error.h"

namespace mirablot::pdf {
namespace {

constexpr int kCatalog = 1;
constexpr int kPages = 2;
constexpr int kFirstFree = 3;

// Decimal text independent of the user's locale, at most four decimals, no exponent.
std::string Number(double value) {
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 4).ptr;
  std::string result(text, end);
  while (result.back() == '0') {
    result.pop_back();
  }
  if (result.back() == '.') {
    result.pop_back();
  }
  return result == "-0" ? "0" : result;
}

// In 16-bit lanes, where the estimate's distances fit: the compiler vectorises the row eight
// pixels' bytes at a time (in 32-bit lanes it was two thirds of a turned screenshot's time).
std::uint8_t Paeth(std::int16_t left, std::int16_t up, std::int16_t upLeft) {
  const auto toLeft = static_cast<std::int16_t>(std::abs(up - upLeft));
  const auto toUp = static_cast<std::int16_t>(std::abs(left - upLeft));
  const auto toUpLeft = static_cast<std::int16_t>(std::abs(left + up - 2 * upLeft));
  if (toLeft <= toUp && toLeft <= toUpLeft) {
    return static_cast<std::uint8_t>(left);
  }
  return static_cast<std::uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

std::string EscapeText(const std::string& text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '(' || c == ')' || c == '\\') {
      escaped += '\\';
    }
    escaped += c;
  }
  return escaped;
}

// Helvetica's advance widths, in thousandths of the size, of the characters a stamp uses.
int HelveticaWidth(char c) {
  if (c >= '0' && c <= '9') {
    return 556;
  }
  switch (c) {
    case ' ':
    case ':':
    case '/':
      return 278;
    case '-':
      return 333;
    default:
      throw Error(ErrorNumber::InvalidCall, "この文字は印刷できません。");
  }
}

// Below the baseline and above the capitals, in thousandths of the size: Helvetica's
// descenders and a little paper around the line.
constexpr double kBoxBelow = 250;
constexpr double kBoxAbove = 850;
constexpr double kBoxSide = 150;

}  // namespace

std::vector<std::uint8_t> DeflateRows(const std::uint8_t* pixels, std::uint32_t rows,
                                      std::size_t rowBytes, std::size_t stride, int bytesPerPixel) {
  // ISA-L's fastest level: several times zlib's speed on the rows of a screenshot, for about
  // the same size once Paeth has turned its flat colours into runs of zeros.
  isal_zstream stream{};
  isal_deflate_init(&stream);
  std::vector<std::uint8_t> level(ISAL_DEF_LVL1_DEFAULT);
  stream.level = 1;
  stream.level_buf = level.data();
  stream.level_buf_size = static_cast<std::uint32_t>(level.size());
  stream.gzip_flag = IGZIP_ZLIB;
  std::vector<std::uint8_t> out;
  std::size_t used = 0;
  // Feeds the deflater until it has taken the input (or, at the end, written everything),
  // growing the output as it fills.
  const auto pump = [&](bool last) {
    stream.end_of_stream = last ? 1 : 0;
    do {
      if (used == out.size()) {
        out.resize(out.size() + std::max<std::size_t>(out.size() / 2, 1 << 20));
      }
      stream.next_out = out.data() + used;
      stream.avail_out =
          static_cast<std::uint32_t>(std::min<std::size_t>(out.size() - used, 1U << 30));
      const std::uint32_t room = stream.avail_out;
      if (isal_deflate(&stream) != COMP_OK) {
        throw Error(ErrorNumber::OutOfMemory);
      }
      used += room - stream.avail_out;
    } while (stream.avail_in > 0 || (last && stream.internal_state.state != ZSTATE_END));
  };
  std::vector<std::uint8_t> filtered(rowBytes + 1);
  const auto bpp = static_cast<std::size_t>(bytesPerPixel);
  for (std::uint32_t y = 0; y < rows; ++y) {
    const std::uint8_t* row = pixels + y * stride;
    const std::uint8_t* above = y > 0 ? row - stride : nullptr;
    filtered[0] = 4;  // Paeth
    // The first pixel and the first row apart, so that the loop over the rest has no branch
    // but Paeth's own (which the compiler turns into selects).
    const std::size_t first = std::min(bpp, rowBytes);
    for (std::size_t i = 0; i < first; ++i) {
      filtered[i + 1] = static_cast<std::uint8_t>(row[i] - (above != nullptr ? above[i] : 0));
    }
    if (above == nullptr) {
      for (std::size_t i = first; i < rowBytes; ++i) {
        filtered[i + 1] = static_cast<std::uint8_t>(row[i] - row[i - bpp]);
      }
    } else {
      for (std::size_t i = first; i < rowBytes; ++i) {
        filtered[i + 1] =
            static_cast<std::uint8_t>(row[i] - Paeth(row[i - bpp], above[i], above[i - bpp]));
      }
    }
    stream.next_in = filtered.data();
    stream.avail_in = static_cast<std::uint32_t>(filtered.size());
    pump(false);
  }
  pump(true);
  out.resize(used);
  return out;
}

ImageData DataIn(std::vector<std::span<const std::uint8_t>> parts) {
  return [parts = std::move(parts)](const ByteSink& sink) {
    for (const std::span<const std::uint8_t> part : parts) {
      sink(part);
    }
  };
}

PdfWriter::PdfWriter(ByteSink sink) : m_sink(std::move(sink)) {
  m_objectOffsets.resize(kFirstFree - 1);
  // The binary comment marks the file as binary for tools that guess.
  Write("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
}

void PdfWriter::BeginPage(double width, double height) {
  EndPage();
  m_pageOpen = true;
  m_pageWidth = width;
  m_pageHeight = height;
}

int PdfWriter::AddImage(const FlateImage& image) {
  return WriteImage(image);
}

void PdfWriter::DrawImage(const FlateImage& image, double x, double y, double width,
                          double height) {
  DrawImage(WriteImage(image), x, y, width, height);
}

void PdfWriter::DrawImage(int image, double x, double y, double width, double height,
                          const std::optional<std::array<double, 4>>& clip) {
  if (std::find(m_pageImages.begin(), m_pageImages.end(), image) == m_pageImages.end()) {
    m_pageImages.push_back(image);
  }
  // PDF measures from the bottom-left corner upwards; an image fills the unit square.
  m_content += "q ";
  if (clip) {
    const auto& [left, top, clipWidth, clipHeight] = *clip;
    m_content += Number(left) + " " + Number(m_pageHeight - top - clipHeight) + " " +
                 Number(clipWidth) + " " + Number(clipHeight) + " re W n ";
  }
  m_content += Number(width) + " 0 0 " + Number(height) + " " + Number(x) + " " +
               Number(m_pageHeight - y - height) + " cm /Im" + std::to_string(image) + " Do Q\n";
}

void PdfWriter::DrawText(const std::string& text, double right, double baseline, double size,
                         double grey) {
  int width = 0;
  for (const char c : text) {
    width += HelveticaWidth(c);
  }
  const double left = right - width * size / 1000;
  const double y = m_pageHeight - baseline;
  const double side = kBoxSide * size / 1000;
  const double below = kBoxBelow * size / 1000;
  m_content += "q 1 g " + Number(left - side) + " " + Number(y - below) + " " +
               Number(right - left + 2 * side) + " " + Number(below + kBoxAbove * size / 1000) +
               " re f " + Number(grey) + " g BT /F1 " + Number(size) + " Tf " + Number(left) + " " +
               Number(y) + " Td (" + EscapeText(text) + ") Tj ET Q\n";
  m_pageText = true;
}

void PdfWriter::Finish(const std::string& title) {
  EndPage();
  std::string kids;
  for (const int page : m_pages) {
    kids += std::to_string(page) + " 0 R ";
  }
  BeginObject(kPages);
  Write("<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(m_pages.size()) +
        " >>\nendobj\n");
  BeginObject(kCatalog);
  Write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
  const int info = NewObject();
  BeginObject(info);
  Write("<< /Title (" + EscapeText(title) + ") /Creator (" + EscapeText(title) + ") >>\nendobj\n");

  const std::uint64_t table = m_offset;
  Write("xref\n0 " + std::to_string(m_objectOffsets.size() + 1) + "\n0000000000 65535 f \n");
  for (const std::uint64_t offset : m_objectOffsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n",
                  static_cast<unsigned long long>(offset));
    Write(entry);
  }
  Write("trailer\n<< /Size " + std::to_string(m_objectOffsets.size() + 1) + " /Root 1 0 R /Info " +
        std::to_string(info) + " 0 R >>\nstartxref\n" + std::to_string(table) + "\n%%EOF\n");
}

int PdfWriter::NewObject() {
  m_objectOffsets.push_back(0);
  return static_cast<int>(m_objectOffsets.size());
}

void PdfWriter::BeginObject(int number) {
  m_objectOffsets[static_cast<std::size_t>(number - 1)] = m_offset;
  Write(std::to_string(number) + " 0 obj\n");
}

void PdfWriter::WriteStream(const std::string& dictionary, std::span<const std::uint8_t> data) {
  Write("<< " + dictionary + " /Length " + std::to_string(data.size()) + " >>\nstream\n");
  Write(data);
  Write("\nendstream\nendobj\n");
}

void PdfWriter::WriteStream(const std::string& dictionary, const ImageData& data) {
  const int length = NewObject();
  Write("<< " + dictionary + " /Length " + std::to_string(length) + " 0 R >>\nstream\n");
  const std::uint64_t start = m_offset;
  data([this](std::span<const std::uint8_t> piece) { Write(piece); });
  const std::uint64_t written = m_offset - start;
  Write("\nendstream\nendobj\n");
  BeginObject(length);
  Write(std::to_string(written) + "\nendobj\n");
}

int PdfWriter::WriteImage(const FlateImage& image) {
  int mask = 0;
  if (image.opacity) {
    mask = NewObject();
    BeginObject(mask);
    WriteStream("/Type /XObject /Subtype /Image /Width " + std::to_string(image.width) +
                    " /Height " + std::to_string(image.height) +
                    " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode"
                    " /DecodeParms << /Predictor 15 /Colors 1 /BitsPerComponent 8 /Columns " +
                    std::to_string(image.width) + " >>",
                image.opacity);
  }
  const int number = NewObject();
  BeginObject(number);
  const std::string components = std::to_string(image.components);
  WriteStream("/Type /XObject /Subtype /Image /Width " + std::to_string(image.width) + " /Height " +
                  std::to_string(image.height) + " /ColorSpace " +
                  (image.components == 1 ? "/DeviceGray" : "/DeviceRGB") +
                  " /BitsPerComponent 8 /Filter /FlateDecode /DecodeParms << /Predictor 15"
                  " /Colors " +
                  components + " /BitsPerComponent 8 /Columns " + std::to_string(image.width) +
                  " >>" + (mask != 0 ? " /SMask " + std::to_string(mask) + " 0 R" : ""),
              image.data);
  return number;
}

void PdfWriter::EndPage() {
  if (!m_pageOpen) {
    return;
  }
  m_pageOpen = false;
  const int content = NewObject();
  BeginObject(content);
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(m_content.data()),
                                            m_content.size());
  WriteStream("", bytes);
  std::string images;
  for (const int image : m_pageImages) {
    images += "/Im" + std::to_string(image) + " " + std::to_string(image) + " 0 R ";
  }
  std::string fonts;
  if (m_pageText) {
    if (m_font == 0) {
      m_font = NewObject();
      BeginObject(m_font);
      Write(
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"
          "\nendobj\n");
    }
    fonts = "/Font << /F1 " + std::to_string(m_font) + " 0 R >> ";
  }
  const int page = NewObject();
  BeginObject(page);
  Write("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(m_pageWidth) + " " +
        Number(m_pageHeight) + "] /Resources << /XObject << " + images + ">> " + fonts +
        ">> /Contents " + std::to_string(content) + " 0 R >>\nendobj\n");
  m_pages.push_back(page);
  m_content.clear();
  m_pageImages.clear();
  m_pageText = false;
}

void PdfWriter::Write(std::string_view text) {
  Write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                      text.size()));
}

void PdfWriter::Write(std::span<const std::uint8_t> bytes) {
  m_sink(bytes);
  m_offset += bytes.size();
}

}  // namespace mirablot::pdf
