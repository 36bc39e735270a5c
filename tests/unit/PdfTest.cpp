// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>
#include <zlib.h>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "core/Error.h"
#include "pdf/PdfPicture.h"
#include "pdf/PdfWriter.h"
#include "pdf/Png.h"

namespace mirablot::pdf {
namespace {

using Bytes = std::vector<std::uint8_t>;
using mirablot::testing::ErrorOf;

void Append32(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

void AppendChunk(Bytes& png, const char* type, const Bytes& data) {
  Append32(png, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  png.insert(png.end(), typed.begin(), typed.end());
  Append32(png,
           static_cast<std::uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
  out.resize(size);
  return out;
}

Bytes Inflate(const Bytes& deflated, std::size_t expected) {
  Bytes out(expected);
  uLongf size = static_cast<uLongf>(expected);
  EXPECT_EQ(uncompress(out.data(), &size, deflated.data(), static_cast<uLong>(deflated.size())),
            Z_OK);
  out.resize(size);
  return out;
}

// An 8-bit PNG of this size and image data, split into IDAT chunks of `part` bytes.
Bytes PngOf(std::uint32_t width, std::uint32_t height, const Bytes& data, std::size_t part = 7,
            std::uint8_t colourType = 2) {
  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  Bytes header;
  Append32(header, width);
  Append32(header, height);
  header.insert(header.end(), {8, colourType, 0, 0, 0});
  AppendChunk(png, "IHDR", header);
  for (std::size_t at = 0; at < data.size(); at += part) {
    AppendChunk(png, "IDAT",
                Bytes(data.begin() + static_cast<long>(at),
                      data.begin() + static_cast<long>(std::min(at + part, data.size()))));
  }
  AppendChunk(png, "IEND", {});
  return png;
}

// An 8-bit RGB PNG of the given rows (each a filter byte, then 3 bytes a pixel).
Bytes MakePng(std::uint32_t width, const std::vector<Bytes>& rows) {
  Bytes raw;
  for (const Bytes& row : rows) {
    raw.insert(raw.end(), row.begin(), row.end());
  }
  return PngOf(width, static_cast<std::uint32_t>(rows.size()), Deflate(raw));
}

const std::vector<Bytes> kRows = {
    {0, 1, 2, 3, 4, 5, 6}, {2, 9, 9, 9, 8, 8, 8}, {4, 0, 0, 0, 7, 7, 7}};

TEST(PngTest, ReadsTheHeaderAndTheImageDataAcrossChunks) {
  const Bytes png = MakePng(2, kRows);
  const PngImage image = ReadPng(png);
  EXPECT_EQ(image.header.width, 2u);
  EXPECT_EQ(image.header.height, 3u);
  EXPECT_EQ(image.header.Channels(), 3);
  EXPECT_TRUE(PdfCanCarry(image.header));
  Bytes joined;
  for (const auto part : image.data) {
    joined.insert(joined.end(), part.begin(), part.end());
  }
  EXPECT_GT(image.data.size(), 1u);
  EXPECT_EQ(Inflate(joined, 21),
            (Bytes{0, 1, 2, 3, 4, 5, 6, 2, 9, 9, 9, 8, 8, 8, 4, 0, 0, 0, 7, 7, 7}));
}

TEST(PngTest, RefusesEveryDamageThatWouldPrintGarbage) {
  const Bytes good = MakePng(2, kRows);
  // Cut anywhere: a picture that was not read whole.
  for (std::size_t length = 0; length < good.size(); ++length) {
    const Bytes cut(good.begin(), good.begin() + static_cast<long>(length));
    EXPECT_EQ(ErrorOf([&] { (void)ReadPng(cut); }), static_cast<int>(ErrorNumber::InvalidPicture))
        << "cut at " << length;
  }
  Bytes flipped = good;
  flipped[43] ^= 0x10;  // the first IDAT's third data byte: only its checksum tells
  EXPECT_EQ(ErrorOf([&] { (void)ReadPng(flipped); }),
            static_cast<int>(ErrorNumber::InvalidPicture));

  // Well-formed chunks whose image data is not a zlib stream.
  Bytes notZlib = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  const Bytes header = {0, 0, 0, 2, 0, 0, 0, 3, 8, 2, 0, 0, 0};
  AppendChunk(notZlib, "IHDR", header);
  AppendChunk(notZlib, "IDAT", {0, 1, 2, 3, 4, 5, 6, 7});
  AppendChunk(notZlib, "IEND", {});
  EXPECT_EQ(ErrorOf([&] { (void)ReadPng(notZlib); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
  // No image data at all.
  Bytes empty(notZlib.begin(), notZlib.begin() + 33);
  AppendChunk(empty, "IEND", {});
  EXPECT_EQ(ErrorOf([&] { (void)ReadPng(empty); }), static_cast<int>(ErrorNumber::InvalidPicture));
  // A size PNG does not allow, which an int would take for a negative one.
  EXPECT_EQ(ErrorOf([&] {
              (void)ReadPng(PngOf(0x80000000U, 1, Deflate({0, 1, 2, 3})));
            }),
            static_cast<int>(ErrorNumber::InvalidPicture));
}

// Sound chunks around image data that is short, too long, corrupt or fails its checksum: a
// picture that passes through unread is refused unless its rows are all there.
TEST(PngTest, ImageDataIsCheckedToItsEnd) {
  Bytes raw;
  for (const Bytes& row : kRows) {
    raw.insert(raw.end(), row.begin(), row.end());
  }
  const Bytes whole = Deflate(raw);
  Bytes corrupt = whole;
  corrupt[3] ^= 0xff;
  Bytes checksum = whole;
  checksum.back() ^= 1;
  Bytes longer = raw;
  longer.insert(longer.end(), kRows.front().begin(), kRows.front().end());
  for (const auto& [what, data, refused] : {
           std::tuple{"whole", whole, false},
           {"two rows of three", Deflate({raw.begin(), raw.begin() + 14}), true},
           {"a row too many", Deflate(longer), true},
           {"corrupt", corrupt, true},
           {"a wrong checksum", checksum, true},
           {"cut short", Bytes(whole.begin(), whole.end() - 6), true},
       }) {
    const Bytes png = PngOf(2, 3, data);
    EXPECT_EQ(ErrorOf([&] { RequireReadWhole(MakePngPicture(png)); }),
              refused ? static_cast<int>(ErrorNumber::InvalidPicture) : 0)
        << what;
  }
}

TEST(PngTest, BlankRowsAreThoseWithinEightOfTheirFirstPixel) {
  // Four rows of three RGB pixels, Paeth-filtered as the decoded pictures are.
  const Bytes pixels = {9,   9, 9,  17,  1, 9,  9,   9, 9,   // within 8 of 9, 9, 9: blank
                        9,   9, 9,  18,  9, 9,  9,   9, 9,   // 18 is 9 away: not blank
                        200, 0, 50, 200, 0, 50, 192, 8, 42,  // blank, in colour
                        0,   0, 0,  0,   0, 0,  0,   0, 9};
  const Bytes png = PngOf(3, 4, DeflateRows(pixels.data(), 4, 9, 9, 3));
  EXPECT_EQ(BlankRows(ReadPng(png)), (std::vector<bool>{true, false, true, false}));
}

TEST(PngTest, OnlyPlainEightBitGreyOrColourPassesThrough) {
  // Colour type, bit depth, interlace, transparency.
  const auto carried = [](int type, int depth, int interlace, bool transparency) {
    return PdfCanCarry({1, 1, static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(type),
                        static_cast<std::uint8_t>(interlace), transparency});
  };
  EXPECT_TRUE(carried(2, 8, 0, false));
  EXPECT_TRUE(carried(0, 8, 0, false));
  for (const int type : {3, 4, 6}) {
    EXPECT_FALSE(carried(type, 8, 0, false)) << type;
  }
  EXPECT_FALSE(carried(2, 16, 0, false));
  EXPECT_FALSE(carried(2, 8, 1, false));
  EXPECT_FALSE(carried(2, 8, 0, true));
  EXPECT_FALSE(ReadPngHeader(Bytes{1, 2, 3}).has_value());
}

TEST(PngTest, PalettePicturesEncodeAsCheckedPngsWithTheirTransparency) {
  const Bitmap bitmap{2, 2, {0x00000000, 0xFFFF0000}, {0, 1, 1, 0}};
  const Bytes png = EncodePalettePng(bitmap);
  const PngImage image = ReadPng(png);
  EXPECT_EQ(image.header.width, 2u);
  EXPECT_EQ(image.header.colourType, 3);
  EXPECT_TRUE(image.header.transparency);
  Bytes joined;
  for (const auto part : image.data) {
    joined.insert(joined.end(), part.begin(), part.end());
  }
  EXPECT_EQ(Inflate(joined, 6), (Bytes{0, 0, 1, 0, 1, 0}));
  const std::string text(png.begin(), png.end());
  EXPECT_NE(text.find(std::string("PLTE\0\0\0\xff\0\0", 10)), std::string::npos);
}

// Undoes PNG filtering, as a PDF reader does with predictor 15.
Bytes Unfilter(const Bytes& filtered, std::size_t rowBytes, std::size_t bpp) {
  Bytes out;
  for (std::size_t at = 0; at < filtered.size(); at += rowBytes + 1) {
    const std::uint8_t filter = filtered[at];
    const std::size_t start = out.size();
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= bpp ? out[start + i - bpp] : 0;
      const int b = start > 0 ? out[start - rowBytes + i] : 0;
      const int c = start > 0 && i >= bpp ? out[start - rowBytes + i - bpp] : 0;
      const int p = a + b - c;
      const int predicted =
          filter == 4 ? (std::abs(p - a) <= std::abs(p - b) && std::abs(p - a) <= std::abs(p - c)
                             ? a
                             : (std::abs(p - b) <= std::abs(p - c) ? b : c))
                      : 0;
      out.push_back(static_cast<std::uint8_t>(filtered[at + 1 + i] + predicted));
    }
  }
  return out;
}

TEST(PdfWriterTest, DeflatedRowsDecodeToThePixelsWithoutTheirPadding) {
  // Three rows of two RGB pixels, each row padded to 8 bytes as a QImage pads its lines.
  const Bytes pixels = {10,  20,  30,   40,   50, 60, 0xEE, 0xEE, 200, 100, 0,    255,
                        255, 255, 0xEE, 0xEE, 1,  2,  3,    4,    5,   6,   0xEE, 0xEE};
  const Bytes deflated = DeflateRows(pixels.data(), 3, 6, 8, 3);
  const Bytes filtered = Inflate(deflated, 21);
  ASSERT_EQ(filtered.size(), 21u);
  EXPECT_EQ(Unfilter(filtered, 6, 3),
            (Bytes{10, 20, 30, 40, 50, 60, 200, 100, 0, 255, 255, 255, 1, 2, 3, 4, 5, 6}));
}

std::string WriteDocument(const std::function<void(PdfWriter&)>& draw) {
  std::FILE* file = std::tmpfile();
  {
    PdfWriter writer(file);
    draw(writer);
    writer.Finish("Mirablot (test)");
  }
  std::rewind(file);
  std::string text;
  char buffer[4096];
  while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file)) {
    text.append(buffer, got);
  }
  std::fclose(file);
  return text;
}

TEST(PdfWriterTest, PlacesPicturesFromTheTopLeftOnPagesOfTheirOwnSize) {
  const Bytes data = {1, 2, 3};
  const FlateImage image{4, 2, 3, {data}, {}};
  const std::string pdf = WriteDocument([&](PdfWriter& writer) {
    writer.BeginPage(595.5, 842);
    writer.DrawImage(image, 10, 20, 100.25, 50);
    writer.BeginPage(842, 595.5);
    writer.DrawImage(image, 0, 0, 842, 595.5);
  });
  // y measured upwards: 842 - 20 - 50 = 772.
  EXPECT_NE(pdf.find("q 100.25 0 0 50 10 772 cm /Im3 Do Q"), std::string::npos) << pdf;
  EXPECT_NE(pdf.find("/MediaBox [0 0 595.5 842]"), std::string::npos);
  EXPECT_NE(pdf.find("/MediaBox [0 0 842 595.5]"), std::string::npos);
  EXPECT_NE(pdf.find("q 842 0 0 595.5 0 0 cm"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 2"), std::string::npos);
  EXPECT_NE(pdf.find("/Width 4 /Height 2 /ColorSpace /DeviceRGB"), std::string::npos);
  EXPECT_NE(pdf.find("/Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 4"), std::string::npos);
  EXPECT_NE(pdf.find("/Title (Mirablot \\(test\\))"), std::string::npos);

  // Every cross-reference entry points at its object.
  const std::size_t table = pdf.find("xref\n");
  ASSERT_NE(table, std::string::npos);
  const std::regex entry("(\\d{10}) 00000 n ");
  int number = 1;
  for (auto it = std::sregex_iterator(pdf.begin() + static_cast<long>(table), pdf.end(), entry);
       it != std::sregex_iterator(); ++it, ++number) {
    const std::size_t offset = std::stoul((*it)[1]);
    EXPECT_EQ(
        pdf.compare(offset, std::to_string(number).size() + 6, std::to_string(number) + " 0 obj"),
        0)
        << "object " << number;
  }
  EXPECT_EQ(number - 1, 9);  // 2 images, 2 contents, 2 pages, pages, catalog, info
  const std::size_t start = pdf.find("startxref\n") + 10;
  EXPECT_EQ(std::stoul(pdf.substr(start)), table);
}

TEST(PdfWriterTest, AnOpacityMaskGoesWithTheImage) {
  const Bytes data = {1};
  const std::string pdf = WriteDocument([&](PdfWriter& writer) {
    writer.BeginPage(100, 100);
    writer.DrawImage({1, 1, 3, {data}, {data}}, 0, 0, 1, 1);
  });
  EXPECT_NE(pdf.find("/SMask 3 0 R"), std::string::npos) << pdf;
  EXPECT_NE(pdf.find("3 0 obj\n<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace "
                     "/DeviceGray"),
            std::string::npos);
}

}  // namespace
}  // namespace mirablot::pdf
