// SPDX-License-Identifier: MIT
// What a job hands to CUPS: its pictures as PNG image data checked to its end, the PDF
// around them, the destination's device choices and never a layout default; and the CUPS
// printer without a scheduler.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>
#include <zlib.h>

#include <QImage>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "MemoryStream.h"
#include "core/Error.h"
#include "pdf/PdfPicture.h"
#include "pdf/PdfWriter.h"
#include "pdf/Png.h"
#include "pdf/PngStream.h"
#include "platform/cups/CupsPrinter.h"
#include "platform/cups/JobOptions.h"

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

// Three rows of two RGB pixels, each after its filter byte.
const Bytes kRaw = {0, 1, 2, 3, 4, 5, 6, 2, 9, 9, 9, 8, 8, 8, 4, 0, 0, 0, 7, 7, 7};

// The image data a print streams on for the PNG arriving a few bytes at a time, `readAhead`
// bytes of it read with the header; an Error where the print would refuse it (a start that is
// no PNG goes to the decoders, which refuse it too).
Bytes Streamed(const Bytes& png, std::size_t readAhead = PngStream::kReadAhead) {
  PngStream stream(std::make_unique<testing::MemoryStream>(png, 3), true, readAhead);
  if (!stream.IsPng()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  Bytes data;
  stream.PassImageData([&](std::span<const std::uint8_t> part) {
    data.insert(data.end(), part.begin(), part.end());
  });
  return data;
}

// The error of reading the PNG whole, which streaming it, read ahead or not, must give too.
int ErrorOfEveryReading(const Bytes& png, const std::function<void(const Bytes&)>& readWhole) {
  const int whole = ErrorOf([&] { readWhole(png); });
  EXPECT_EQ(ErrorOf([&] { (void)Streamed(png); }), whole);
  EXPECT_EQ(ErrorOf([&] { (void)Streamed(png, 0); }), whole);
  return whole;
}

TEST(PngTest, RefusesEveryDamageThatWouldPrintGarbage) {
  const auto refused = [](const Bytes& png) {
    return ErrorOfEveryReading(png, [](const Bytes& whole) { (void)ReadPng(whole); }) ==
           static_cast<int>(ErrorNumber::InvalidPicture);
  };
  const Bytes good = PngOf(2, 3, Deflate(kRaw));
  // Cut anywhere: a picture that was not read whole.
  for (std::size_t length = 0; length < good.size(); ++length) {
    EXPECT_TRUE(refused(Bytes(good.begin(), good.begin() + static_cast<long>(length)))) << length;
  }
  Bytes flipped = good;
  flipped[43] ^= 0x10;  // the first IDAT's third data byte: only its checksum tells
  EXPECT_TRUE(refused(flipped));
  flipped = good;
  flipped[48] ^= 0x01;  // the first IDAT's checksum, its data sound
  EXPECT_TRUE(refused(flipped));
  EXPECT_TRUE(refused(PngOf(2, 3, {0, 1, 2, 3, 4, 5, 6, 7})));  // not a zlib stream
  EXPECT_TRUE(refused(PngOf(2, 3, {})));                        // no image data at all
  // A size PNG does not allow, which an int would take for a negative one.
  EXPECT_TRUE(refused(PngOf(0x80000000U, 1, Deflate({0, 1, 2, 3}))));
}

// Sound chunks around image data that is short, too long, corrupt or fails its checksum: a
// picture that passes through unread is refused unless its rows are all there.
TEST(PngTest, ImageDataIsCheckedToItsEnd) {
  const Bytes whole = Deflate(kRaw);
  Bytes corrupt = whole;
  corrupt[3] ^= 0xff;
  Bytes checksum = whole;
  checksum.back() ^= 1;
  Bytes longer = kRaw;
  longer.insert(longer.end(), kRaw.begin(), kRaw.begin() + 7);
  for (const auto& [what, data, refused] : {
           std::tuple{"whole", whole, false},
           {"two rows of three", Deflate({kRaw.begin(), kRaw.begin() + 14}), true},
           {"a row too many", Deflate(longer), true},
           {"corrupt", corrupt, true},
           {"a wrong checksum", checksum, true},
           {"cut short", Bytes(whole.begin(), whole.end() - 6), true},
       }) {
    EXPECT_EQ(ErrorOfEveryReading(PngOf(2, 3, data),
                                  [](const Bytes& png) { RequireReadWhole(MakePngPicture(png)); }),
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
  // Bit depth, colour type, interlace, transparency.
  for (const auto& [header, carried] : {
           std::pair{PngHeader{1, 1, 8, 2, 0, false}, true},
           {PngHeader{1, 1, 8, 0, 0, false}, true},
           {PngHeader{1, 1, 8, 3, 0, false}, false},
           {PngHeader{1, 1, 8, 4, 0, false}, false},
           {PngHeader{1, 1, 8, 6, 0, false}, false},
           {PngHeader{1, 1, 16, 2, 0, false}, false},
           {PngHeader{1, 1, 8, 2, 1, false}, false},
           {PngHeader{1, 1, 8, 2, 0, true}, false},
       }) {
    EXPECT_EQ(PdfCanCarry(header), carried) << +header.colourType << ' ' << +header.bitDepth;
  }
  EXPECT_FALSE(ReadPngHeader(Bytes{1, 2, 3}).has_value());
  Bytes interlaced = PngOf(2, 3, Deflate(kRaw));
  interlaced[28] = 1;  // the header's last byte; only the whole read checks the checksum
  EXPECT_EQ(ReadPngHeader(interlaced)->interlace, 1);
}

// Decoded by another PNG reader, as a printer's filters do.
QImage Decoded(const Bytes& png) {
  return QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
}

TEST(PngTest, PalettePicturesEncodeAsPngsWithTheirTransparency) {
  // Red, but transparent; green.
  const Bytes png = EncodePalettePng({2, 2, {0x00FF0000, 0xFF00FF00}, {0, 1, 1, 0}});
  EXPECT_TRUE(ReadPng(png).header.transparency);
  const QImage image = Decoded(png);
  EXPECT_EQ(std::vector({qAlpha(image.pixel(0, 0)), qAlpha(image.pixel(1, 1))}),
            std::vector({0, 0}));
  EXPECT_EQ(std::vector({image.pixel(1, 0), image.pixel(0, 1)}),
            std::vector({0xFF00FF00U, 0xFF00FF00U}));
}

TEST(PdfWriterTest, DeflatedRowsDecodeToThePixelsWithoutTheirPadding) {
  // Three rows of two RGB pixels, each row padded to 8 bytes as a QImage pads its lines.
  const Bytes pixels = {10,  20,  30,   40,   50, 60, 0xEE, 0xEE, 200, 100, 0,    255,
                        255, 255, 0xEE, 0xEE, 1,  2,  3,    4,    5,   6,   0xEE, 0xEE};
  const Bytes png = PngOf(2, 3, DeflateRows(pixels.data(), 3, 6, 8, 3));
  const QImage image = Decoded(png);  // as a PDF reader undoes the predictors
  ASSERT_EQ(image.size(), QSize(2, 3));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 2; ++x) {
      const std::uint8_t* rgb = &pixels[static_cast<std::size_t>(y * 8 + x * 3)];
      EXPECT_EQ(image.pixel(x, y), qRgb(rgb[0], rgb[1], rgb[2])) << x << ',' << y;
    }
  }
}

// The document the drawing makes, titled "Mirablot (test)".
std::string WriteDocument(const std::function<void(PdfWriter&)>& draw) {
  std::string text;
  PdfWriter writer(
      [&](std::span<const std::uint8_t> bytes) { text.append(bytes.begin(), bytes.end()); });
  draw(writer);
  writer.Finish("Mirablot (test)");
  return text;
}

TEST(PdfWriterTest, PlacesPicturesFromTheTopLeftOnPagesOfTheirOwnSize) {
  const Bytes data = {1, 2, 3};
  const FlateImage image{4, 2, 3, DataIn({data}), {}};
  const std::string pdf = WriteDocument([&](PdfWriter& writer) {
    writer.BeginPage(595.5, 842);
    writer.DrawImage(image, 10, 20, 100.25, 50);
    writer.BeginPage(842, 595.5);
    writer.DrawImage(image, 0, 0, 842, 595.5);
  });
  // y measured upwards: 842 - 20 - 50 = 772.
  for (const char* part :
       {"q 100.25 0 0 50 10 772 cm /Im3 Do Q", "/MediaBox [0 0 595.5 842]",
        "/MediaBox [0 0 842 595.5]", "q 842 0 0 595.5 0 0 cm", "/Count 2",
        "/Width 4 /Height 2 /ColorSpace /DeviceRGB",
        "/Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 4", "/Title (Mirablot \\(test\\))"}) {
    EXPECT_NE(pdf.find(part), std::string::npos) << part << '\n' << pdf;
  }
  // 2 images and their lengths, 2 contents, 2 pages, pages, catalog, info: each entry of 20
  // bytes points at its object, and the table is where startxref says.
  const std::size_t table = pdf.find("xref\n0 12\n0000000000 65535 f \n");
  ASSERT_NE(table, std::string::npos);
  for (std::size_t number = 1; number < 12; ++number) {
    const std::string entry = pdf.substr(table + 10 + 20 * number, 20);
    EXPECT_EQ(entry.substr(10), " 00000 n \n");
    const std::string object = std::to_string(number) + " 0 obj";
    EXPECT_EQ(pdf.compare(std::stoul(entry), object.size(), object), 0) << object;
  }
  EXPECT_EQ(pdf.compare(table + 250, 7, "trailer"), 0);
  EXPECT_EQ(std::stoul(pdf.substr(pdf.find("startxref\n") + 10)), table);
}

TEST(PdfWriterTest, AStreamedPngMakesTheDocumentOfOneReadWhole) {
  // Noise, which deflates to many pieces; grey and colour; other chunks between.
  Bytes noise(64 * (1 + 64 * 3));
  std::uint32_t seed = 1;
  for (std::uint8_t& byte : noise) {
    seed = seed * 1103515245 + 12345;
    byte = static_cast<std::uint8_t>(seed >> 16);
  }
  for (std::size_t row = 0; row < 64; ++row) {
    noise[row * (1 + 64 * 3)] = 0;  // the filter bytes
  }
  Bytes annotated = PngOf(2, 3, Deflate(kRaw));
  Bytes text;
  AppendChunk(text, "tEXt", {'a', 0, 'b'});
  annotated.insert(annotated.end() - 12, text.begin(), text.end());    // after the image data
  annotated.insert(annotated.begin() + 33, text.begin(), text.end());  // before it
  for (const auto& [what, png] : {
           std::pair{"noise in 1000-byte chunks", PngOf(64, 64, Deflate(noise), 1000)},
           {"grey in one chunk", PngOf(3, 3, Deflate({0, 1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9}), 99, 0)},
           {"text chunks around", annotated},
       }) {
    const auto document = [](const Picture& picture) {
      return WriteDocument([&](PdfWriter& writer) {
        writer.BeginPage(100, 100);
        writer.DrawImage(FlateImageOf(picture), 10, 10, 50, 75);
      });
    };
    for (const std::size_t readAhead : {std::size_t{0}, std::size_t{100}, PngStream::kReadAhead}) {
      const Picture streamed =
          MakeStreamedPngPicture(std::make_unique<PngStream>(
                                     std::make_unique<testing::MemoryStream>(png), true, readAhead),
                                 nullptr);
      EXPECT_EQ(document(streamed), document(MakePngPicture(png))) << what << ' ' << readAhead;
      EXPECT_EQ(ErrorOf([&] { RequireReadWhole(streamed); }), 0) << what;
    }
  }
}

TEST(PdfWriterTest, AnOpacityMaskGoesWithTheImage) {
  const Bytes data = {1};
  const std::string pdf = WriteDocument([&](PdfWriter& writer) {
    writer.BeginPage(100, 100);
    writer.DrawImage({1, 1, 3, DataIn({data}), DataIn({data})}, 0, 0, 1, 1);
  });
  EXPECT_NE(pdf.find("/SMask 3 0 R"), std::string::npos) << pdf;
  EXPECT_NE(pdf.find("3 0 obj\n<< /Type /XObject /Subtype /Image /Width 1 /Height 1 /ColorSpace "
                     "/DeviceGray"),
            std::string::npos);
}

}  // namespace
}  // namespace mirablot::pdf

namespace mirablot::cups {
namespace {

// Options written "name=value name=value".
std::vector<JobOption> Options(const std::string& text) {
  std::istringstream words(text);
  std::vector<JobOption> options;
  for (std::string word; words >> word;) {
    options.push_back({word.substr(0, word.find('=')), word.substr(word.find('=') + 1)});
  }
  return options;
}

std::string Text(const std::vector<JobOption>& options) {
  std::string text;
  for (const auto& [name, value] : options) {
    text.append(text.empty() ? "" : " ").append(name).append("=").append(value);
  }
  return text;
}

TEST(JobOptions, DeviceChoicesTravelTheLayoutIsOurOwnAndTheRunsChoicesStandInstead) {
  // What cupsGetNamedDest gave for a queue with layout defaults and a user's lpoptions.
  const std::vector<JobOption> destination = Options(
      "copies=1 print-color-mode=monochrome print-quality=5 media-source=tray-2 "
      "media-type=photographic-glossy sides=two-sided-long-edge printer-resolution=600dpi "
      "finishings=3 number-up=2 orientation-requested=4 page-border=double fit-to-page=true "
      "print-scaling=fit media=na_letter_8.5x11in PageSize=Letter Landscape=true "
      "position=center page-ranges=2");
  EXPECT_EQ(Text(JobOptions(destination, "iso_a4_210x297mm", false)),
            "copies=1 print-color-mode=monochrome print-quality=5 media-source=tray-2 "
            "media-type=photographic-glossy sides=two-sided-long-edge printer-resolution=600dpi "
            "finishings=3 media=iso_a4_210x297mm print-scaling=none fit-to-page=false "
            "number-up=1 page-border=none orientation-requested=3");
  EXPECT_EQ(Text(JobOptions(Options("copies=2 print-color-mode=color ColorModel=RGB "
                                    "sides=one-sided orientation-requested=3"),
                            "iso_a5_148x210mm", true, {"", 3, true})),
            "sides=one-sided media=iso_a5_148x210mm print-scaling=none fit-to-page=false "
            "number-up=1 page-border=none orientation-requested=4 copies=3 "
            "print-color-mode=monochrome");
}

TEST(JobOptions, ThePaperChosenIsFoundInEveryFormLpTakes) {
  for (const auto& [options, chosen] : {
           std::pair{"media=A5", "iso_a5_148x210mm (A5)"},
           {"media=Letter", "na_letter_8.5x11in (Letter)"},
           {"media=A5,Tray2", "iso_a5_148x210mm (A5,Tray2)"},
           {"media=tray-2,iso_a5_148x210mm,photographic",
            "iso_a5_148x210mm (tray-2,iso_a5_148x210mm,photographic)"},
           {"media=iso-a5", "iso_a5_148x210mm (iso-a5)"},
           {"PageSize=A5", "iso_a5_148x210mm ()"},
           {"PageRegion=Letter copies=2", "na_letter_8.5x11in ()"},
           {"media=Tray2 PageSize=A5", "iso_a5_148x210mm (Tray2)"},
           {"media=Tray2", " (Tray2)"},
           {"copies=2", " ()"},
       }) {
    const ChosenMedia media = ChooseMedia(Options(options));
    EXPECT_EQ(media.size + " (" + media.media + ")", chosen) << options;
  }
}

TEST(CupsPrinter, NoSchedulerIsNoPrinterAndNothingToAbort) {
  // A scheduler's socket that does not exist: no scheduler to ask for a destination.
  ::setenv("CUPS_SERVER", "/nonexistent/cups.sock", 1);
  CupsPrinter printer;
  try {
    (void)printer.PageWidth();
    ADD_FAILURE() << "a page width without a printer";
  } catch (const Error& error) {
    EXPECT_EQ(error.Number(), static_cast<int>(ErrorNumber::NoPrinter));
    EXPECT_THAT(error.Description(), ::testing::HasSubstr("に接続できません"));
  }
  EXPECT_EQ(testing::ErrorOf([&] { printer.NewPage(); }), 484);
  EXPECT_EQ(testing::ErrorOf([&] { printer.AbortDocument(); }), 482);  // nothing open
  ::unsetenv("CUPS_SERVER");
}

TEST(CupsPrinter, LandscapeMarginsTurnWithThePage) {
  // Sheet margins left 1, top 2, right 3, bottom 4: the landscape page's left edge is the
  // sheet's bottom edge, its top edge the sheet's left edge.
  EXPECT_EQ(LandscapeMargins({1, 2, 3, 4}), (Margins{4, 1, 2, 3}));
}

}  // namespace
}  // namespace mirablot::cups
