// SPDX-License-Identifier: MIT
// What a job hands to CUPS: its pictures as PNG image data checked to its end, the PDF
// around them, the destination's device choices and never a layout default; and the CUPS
// printer without a scheduler.
#include <cmath>
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
#include "PngBytes.h"
#include "core/Error.h"
#include "core/LightPrint.h"
#include "pdf/PdfPicture.h"
#include "pdf/PdfWriter.h"
#include "pdf/Png.h"
#include "pdf/PngStream.h"
#include "platform/cups/CupsPrinter.h"
#include "platform/cups/JobOptions.h"

// No allocation of these tests may be huge: a chunk's claimed length is never taken on trust.
constexpr std::size_t kMostAllocated = std::size_t{64} << 20;
void* operator new(std::size_t size) {
  if (size > kMostAllocated) {
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size)) {
    return memory;
  }
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
  std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
  std::free(memory);
}

namespace mirablot::pdf {
namespace {

using testing::Append32;
using testing::Bytes;
using testing::ChunkOf;
using testing::ErrorOf;
using testing::PngOf;

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  EXPECT_EQ(compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())), Z_OK);
  out.resize(size);
  return out;
}

// Three rows of two RGB pixels, each after its filter byte.
const Bytes kRaw = {0, 1, 2, 3, 4, 5, 6, 2, 9, 9, 9, 8, 8, 8, 4, 0, 0, 0, 7, 7, 7};

constexpr std::size_t kBudget = std::size_t{1} << 30;

using Use = PngStream::Use;

// A PNG arriving `piece` bytes at a time, read to be streamed (`readAhead` bytes of image data
// with the header) or whole. A start that is no PNG goes to the decoders, which refuse it.
std::unique_ptr<PngStream> Reading(const Bytes& png, Use use,
                                   std::size_t readAhead = PngStream::kReadAhead,
                                   std::size_t piece = 3) {
  auto reading = std::make_unique<PngStream>(std::make_unique<testing::MemoryStream>(png, piece),
                                             kBudget, use, readAhead);
  if (!reading->IsPng()) {
    throw Error(ErrorNumber::InvalidPicture);
  }
  return reading;
}

// The picture's data as a print writes it, in the pieces it is handed on in; then the print
// asks whether it was read whole.
std::vector<Bytes> HandedOn(const Bytes& png, Use use = Use::Stream,
                            std::size_t readAhead = PngStream::kReadAhead, std::size_t piece = 3) {
  const Picture picture = MakePngPicture(Reading(png, use, readAhead, piece));
  std::vector<Bytes> pieces;
  FlateImageOf(picture).data(
      [&](std::span<const std::uint8_t> part) { pieces.emplace_back(part.begin(), part.end()); });
  RequireReadWhole(picture);
  return pieces;
}

// The error of reading the PNG whole, which streaming it, read ahead or not, must give too.
int ErrorOfEveryReading(const Bytes& png) {
  const int whole = ErrorOf([&] { (void)MakePngPicture(Reading(png, Use::Keep)); });
  EXPECT_EQ(ErrorOf([&] { (void)MakePngPicture(Reading(png, Use::Decode)); }), whole);
  EXPECT_EQ(ErrorOf([&] { (void)HandedOn(png); }), whole);
  EXPECT_EQ(ErrorOf([&] { (void)HandedOn(png, Use::Stream, 0); }), whole);
  return whole;
}

// The zlib stream with its header naming a window of 2^(8 + cinfo) bytes.
Bytes NamingWindow(Bytes data, unsigned cinfo) {
  const auto top = static_cast<unsigned>(data[1] & 0xE0);
  data[0] = static_cast<std::uint8_t>(cinfo << 4 | 8);
  data[1] = static_cast<std::uint8_t>(top | (31 - (data[0] * 256U + top) % 31) % 31);
  return data;
}

Bytes Spliced(Bytes png, std::size_t at, const Bytes& chunk) {
  png.insert(png.begin() + static_cast<long>(at), chunk.begin(), chunk.end());
  return png;
}

TEST(PngTest, RefusesEveryDamageThatWouldPrintGarbage) {
  const Bytes good = PngOf(2, 3, Deflate(kRaw), 99);
  // Cut anywhere: a picture that was not read whole.
  for (std::size_t length = 1; length < good.size(); ++length) {
    EXPECT_EQ(ErrorOfEveryReading(Bytes(good.begin(), good.begin() + static_cast<long>(length))),
              481)
        << length;
  }
  const auto changed = [](Bytes png, std::size_t at, std::uint8_t value) {
    png[at] = value;
    return png;
  };
  const Bytes palette = Spliced(PngOf(2, 3, Deflate({0, 0, 1, 0, 1, 0, 0, 1, 1}), 99, 3), 33,
                                ChunkOf("PLTE", {9, 9, 9, 200, 0, 0}));
  const Bytes whole = Deflate(kRaw);
  Bytes claims = Bytes(good.begin(), good.begin() + 33);
  Append32(claims, 0x7fffffff);
  claims.insert(claims.end(), {'t', 'E', 'X', 't', 'a', 0, 'b', 'c', 'd', 'e', 'f', 'g'});
  for (const auto& [what, png, number] : {
           std::tuple{"sound", good, 0},
           {"the first IDAT's data: only its checksum tells", changed(good, 43, good[43] ^ 0x10),
            481},
           {"an empty first image data chunk", Spliced(good, 33, ChunkOf("IDAT", {})), 0},
           {"one byte in the first image data chunk", PngOf(2, 3, whole, 1), 0},
           {"a window larger than zlib's", PngOf(2, 3, NamingWindow(whole, 8)), 481},
           {"two rows of three", PngOf(2, 3, Deflate({kRaw.begin(), kRaw.begin() + 14})), 481},
           {"image data cut short", PngOf(2, 3, Bytes(whole.begin(), whole.end() - 6)), 481},
           {"bit depth 3", PngOf(2, 3, Deflate(kRaw), 99, 2, 3), 481},
           {"a chunk that claims 2 GB and holds 7 bytes", claims, 481},
           {"a palette picture, sound", palette, 0},
           {"a size an int would take for negative", PngOf(0x80000000U, 1, Deflate({0, 1, 2, 3})),
            481},
           {"2^31 - 1 square, too large to decode", PngOf(0x7fffffff, 0x7fffffff, {}), 7},
       }) {
    EXPECT_EQ(ErrorOfEveryReading(png), number) << what;
  }
  EXPECT_EQ(ErrorOf([] { RequireWithinBudget(1ULL << 31, 1ULL << 31, kBudget); }), 7);
}

TEST(PngTest, BlankRowsAreThoseWithinEightOfTheirFirstPixel) {
  // Four rows of three RGB pixels, Paeth-filtered as the decoded pictures are.
  const Bytes pixels = {9,   9, 9,  17,  1, 9,  9,   9, 9,   // within 8 of 9, 9, 9: blank
                        9,   9, 9,  18,  9, 9,  9,   9, 9,   // 18 is 9 away: not blank
                        200, 0, 50, 200, 0, 50, 192, 8, 42,  // blank, in colour
                        0,   0, 0,  0,   0, 0,  0,   0, 9};
  const Bytes png = PngOf(3, 4, DeflateRows(pixels.data(), 4, 9, 9, 3));
  for (const Use use : {Use::Keep, Use::Decode}) {
    EXPECT_EQ(MakePngPicture(Reading(png, use)).BlankRows(),
              (std::vector<bool>{true, false, true, false}));
  }
}

TEST(PngTest, PalettePicturesEncodeAsPngsWithTheirTransparency) {
  // Red, but transparent; green.
  const Bytes png = EncodePalettePng({2, 2, {0x00FF0000, 0xFF00FF00}, {0, 1, 1, 0}});
  // Decoded by another PNG reader, as a printer's filters do.
  const QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
  EXPECT_EQ(std::vector({qAlpha(image.pixel(0, 0)), qAlpha(image.pixel(1, 1))}),
            std::vector({0, 0}));
  EXPECT_EQ(std::vector({image.pixel(1, 0), image.pixel(0, 1)}),
            std::vector({0xFF00FF00U, 0xFF00FF00U}));
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
    // Right-aligned at 500 by Helvetica's widths (14 digits, 2 dashes, 3 blanks, ':' and '/':
    // 9840 thousandths, 68.88 pt at 7 pt), on its white box, over the picture drawn before.
    writer.DrawText("2026-12-07 23:40  1/2", 500, 830, 7, 0.3);
    EXPECT_EQ(ErrorOf([&] { writer.DrawText("2026年", 500, 830, 7, 0.3); }), 5);
    writer.BeginPage(842, 595.5);
    writer.DrawImage({4, 2, 3, DataIn({data}), DataIn({data})}, 0, 0, 842, 595.5);  // see-through
  });
  // y measured upwards: 842 - 20 - 50 = 772.
  for (const char* part :
       {"q 100.25 0 0 50 10 772 cm /Im3 Do Q\nq 1 g 430.07 10.25 70.98 7.7 re f "
        "0.3 g BT /F1 7 Tf 431.12 12 Td (2026-12-07 23:40  1/2) Tj ET Q",
        "/Type /Font /Subtype /Type1 /BaseFont /Helvetica",
        "/XObject << /Im3 3 0 R >> /Font << /F1 6 0 R >> >>", "/XObject << /Im10 10 0 R >> >>",
        "/MediaBox [0 0 595.5 842]", "/MediaBox [0 0 842 595.5]", "q 842 0 0 595.5 0 0 cm",
        "/Count 2", "/Width 4 /Height 2 /ColorSpace /DeviceRGB",
        "/Predictor 15 /Colors 3 /BitsPerComponent 8 /Columns 4", "/Title (Mirablot \\(test\\))",
        "/Columns 4 >> /SMask 8 0 R",
        "8 0 obj\n<< /Type /XObject /Subtype /Image /Width 4 /Height 2 "
        "/ColorSpace /DeviceGray"}) {
    EXPECT_NE(pdf.find(part), std::string::npos) << part << '\n' << pdf;
  }
  // 3 images (one the mask) and their lengths, 2 contents, a font, 2 pages, pages, catalog,
  // info: each entry of 20 bytes points at its object, and the table is where startxref says.
  const std::size_t table = pdf.find("xref\n0 15\n0000000000 65535 f \n");
  ASSERT_NE(table, std::string::npos);
  for (std::size_t number = 1; number < 15; ++number) {
    const std::string entry = pdf.substr(table + 10 + 20 * number, 20);
    EXPECT_EQ(entry.substr(10), " 00000 n \n");
    const std::string object = std::to_string(number) + " 0 obj";
    EXPECT_EQ(pdf.compare(std::stoul(entry), object.size(), object), 0) << object;
  }
  EXPECT_EQ(pdf.compare(table + 310, 7, "trailer"), 0);
  EXPECT_EQ(std::stoul(pdf.substr(pdf.find("startxref\n") + 10)), table);
}

// Whatever window the stream named (256 bytes, as for small pictures), what goes to the printer
// names 32 KB. Chunks of one byte each cost what their bytes cost: one read, one piece.
TEST(PngTest, WhatGoesToThePrinterNamesTheWholeWindowInAPieceARead) {
  Bytes noise(64 * (1 + 64 * 3));
  std::uint32_t seed = 1;
  for (std::uint8_t& byte : noise) {
    seed = seed * 1103515245 + 12345;
    byte = static_cast<std::uint8_t>(seed >> 16 & 3);  // filter bytes too: 0 to 3
  }
  const Bytes data = NamingWindow(Deflate(noise), 0);
  const auto top = static_cast<unsigned>(data[1] & 0xE0);
  const Bytes png = PngOf(64, 64, data, 1);
  EXPECT_LE(HandedOn(png, Use::Stream, 0, std::size_t{1} << 20).size(), 2U);
  for (const std::vector<Bytes>& pieces :
       {HandedOn(png, Use::Keep), HandedOn(png, Use::Stream, 0, 1)}) {
    Bytes out;
    for (const Bytes& piece : pieces) {
      out.insert(out.end(), piece.begin(), piece.end());
    }
    ASSERT_EQ(out.size(), data.size());
    EXPECT_EQ(out[0], 0x78);  // 32 KB
    EXPECT_EQ((out[0] * 256U + out[1]) % 31, 0U);
    EXPECT_EQ(out[1] & 0xE0U, top);
    EXPECT_TRUE(std::equal(out.begin() + 2, out.end(), data.begin() + 2));
  }
}

// A capture of 1000 pixels: 40 of each word's colour in turn, the rest its background; the
// first word is its plain text.
RgbImage Capture(std::uint32_t background, const std::vector<std::uint32_t>& words) {
  RgbImage image{100, 10, {}, {}};
  for (std::size_t i = 0; i < 1000; ++i) {
    const std::uint32_t rgb = i / 40 < words.size() ? words[i / 40] : background;
    image.rgb.insert(image.rgb.end(),
                     {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                      static_cast<std::uint8_t>(rgb)});
  }
  return image;
}

std::uint32_t PixelOf(const RgbImage& image, std::size_t i) {
  return std::uint32_t{image.rgb[i * 3]} << 16 | image.rgb[i * 3 + 1] << 8 | image.rgb[i * 3 + 2];
}

float HueOf(OkLab colour) {
  return std::atan2(colour.b, colour.a) * 180 / 3.14159265F;
}

TEST(LightPrintTest, DarkCapturesTurnToDarkOnWhitePaperKeepingTheirHuesAndTheRestStayAsTheyAre) {
  RgbImage noise{100, 10, std::vector<std::uint8_t>(3000), {}};
  std::uint32_t seed = 7;
  for (std::size_t i = 0; i < noise.rgb.size(); i += 3) {
    seed = seed * 1103515245 + 12345;
    std::fill_n(noise.rgb.begin() + static_cast<long>(i), 3, 96 + (seed >> 16) % 96);
  }
  const struct {
    const char* what;
    RgbImage picture;
    bool turned;
  } cases[] = {
      {"an editor", Capture(0x1e1e1e, {0xd4d4d4, 0xf44747, 0x6a9955, 0x569cd6, 0xce9178}), true},
      {"a terminal", Capture(0x000000, {0xffffff, 0x00ff00, 0xff5555, 0x5555ff}), true},
      {"a tinted theme", Capture(0x282a36, {0xf8f8f2, 0xff79c6, 0x8be9fd, 0x50fa7b}), true},
      {"a web page", Capture(0xffffff, {0x202020, 0x1a0dab, 0xc5221f}), false},
      {"a mid-grey photograph", noise, false},
  };
  for (const auto& [what, image, turned] : cases) {
    SCOPED_TRACE(what);
    const Picture picture = MakeRgbPicture(image);
    const Picture printed = LightPicture(picture, kBudget);
    ASSERT_EQ(printed.Pixels() != picture.Pixels(), turned);
    if (!turned) {
      continue;
    }
    const RgbImage& light = *RgbOf(printed);
    EXPECT_EQ(PixelOf(light, 999), 0xFFFFFFU);
    EXPECT_LE(OkLabOf(PixelOf(light, 0)).L, 0.3F);
    for (std::size_t i = 40; PixelOf(image, i) != PixelOf(image, 999); i += 40) {
      const OkLab before = OkLabOf(PixelOf(image, i)), after = OkLabOf(PixelOf(light, i));
      const float turn = std::remainder(HueOf(after) - HueOf(before), 360.0F);
      EXPECT_LT(std::abs(turn), 10) << std::hex << PixelOf(image, i);
      EXPECT_LT(after.L, 0.75F) << std::hex << PixelOf(image, i);
    }
  }
}

TEST(LightPrintTest, APngKeptWholeIsLookedAtDecodedAndPrintsUnchangedWhenLight) {
  // Two rows of two RGB pixels: a light one stays the very picture, a dark one turns; kept
  // only, or decoded as it was read.
  for (const auto& [sample, turned] : {std::pair{250, false}, std::pair{20, true}}) {
    Bytes raw;
    for (int row = 0; row < 2; ++row) {
      raw.push_back(0);
      raw.insert(raw.end(), 6, static_cast<std::uint8_t>(sample));
    }
    for (const Use use : {Use::Keep, Use::Decode}) {
      const Picture kept = MakePngPicture(Reading(PngOf(2, 2, Deflate(raw)), use));
      const Picture printed = LightPicture(kept, kBudget);
      EXPECT_EQ(printed.Pixels() == kept.Pixels(), !turned);
      EXPECT_EQ(RgbOf(printed) != nullptr && PixelOf(*RgbOf(printed), 3) == 0xFFFFFF, turned);
    }
  }
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
  EXPECT_EQ(testing::ErrorOf([&] { (void)printer.PageWidth(); }), 484);
  EXPECT_THAT([&] { (void)printer.PageWidth(); },
              ::testing::ThrowsMessage<Error>(::testing::HasSubstr("に接続できません")));
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
