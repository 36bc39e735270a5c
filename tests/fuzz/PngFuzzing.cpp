// SPDX-License-Identifier: MIT
#include "PngFuzzing.h"

#include <cstdlib>
#include <cstring>
#include <zlib.h>

#include "FuzzCheck.h"
#include "PngBytes.h"
#include "PngOracle.h"
#include "core/Error.h"
#include "pdf/PdfPicture.h"
#include "pdf/PdfWriter.h"
#include "pdf/PngStream.h"

namespace mirablot::fuzz {
namespace {

using testing::BigEndian32;

// One image of the document: its size, components and stream.
struct PdfImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int components = 0;
  std::string stream;
};

std::uint32_t NumberAfter(const std::string& text, std::size_t from, const char* key) {
  const std::size_t at = text.find(key, from);
  Check(at != std::string::npos, "an image lacks a key");
  return static_cast<std::uint32_t>(
      std::strtoul(text.c_str() + at + std::strlen(key), nullptr, 10));
}

// The images in the order they were written; each stream's length is an object of its own.
std::vector<PdfImage> ImagesOf(const std::string& pdf) {
  std::vector<PdfImage> images;
  for (std::size_t at = pdf.find("/Subtype /Image"); at != std::string::npos;
       at = pdf.find("/Subtype /Image", at + 1)) {
    const std::size_t start = pdf.find(">>\nstream\n", at);
    Check(start != std::string::npos, "an image without its stream");
    PdfImage image;
    image.width = NumberAfter(pdf, at, "/Width ");
    image.height = NumberAfter(pdf, at, "/Height ");
    image.components = static_cast<int>(NumberAfter(pdf, at, "/Colors "));
    const std::string lengthObject =
        "\n" + std::to_string(NumberAfter(pdf, at, "/Length ")) + " 0 obj\n";
    const std::size_t length = pdf.find(lengthObject, start);
    Check(length != std::string::npos, "an image's length is not written");
    image.stream = pdf.substr(
        start + 10, std::strtoul(pdf.c_str() + length + lengthObject.size(), nullptr, 10));
    Check(pdf.compare(start + 10 + image.stream.size(), 10, "\nendstream") == 0,
          "an image's length is not its stream's");
    images.push_back(std::move(image));
  }
  return images;
}

// The image's pixels, as libpng reads its stream held strictly to PNG's rules, which are the
// PDF's Flate with PNG predictors: exactly its rows, every filter byte valid, nothing after.
std::vector<std::uint8_t> Pixels(const PdfImage& image) {
  const testing::Bytes png =
      testing::PngOf(image.width, image.height, {image.stream.begin(), image.stream.end()},
                     image.stream.size() + 1, image.components == 1 ? 0 : 2);
  PngOracleImage decoded;
  const PngOracleVerdict verdict = PngOracleDecode(png.data(), png.size(), UINT64_MAX, &decoded);
  Check(verdict == kPngOracleDecoded, "an image stream of the document does not decode");
  std::vector<std::uint8_t> rgba(decoded.rgba,
                                 decoded.rgba + std::size_t{image.width} * image.height * 4);
  PngOracleFree(&decoded);
  return rgba;
}

// The pixels the document shows: its one picture, and the mask written before it, if any.
void ReadBack(Print& print) {
  const std::vector<PdfImage> images = ImagesOf(print.document);
  Check(images.size() == 1 || images.size() == 2, "a document of one picture holds no image");
  print.width = images.back().width;
  print.height = images.back().height;
  print.rgba = Pixels(images.back());
  if (images.size() == 2) {
    Check(images[0].components == 1 && images[0].width == print.width &&
              images[0].height == print.height,
          "the mask is not the picture's");
    const std::vector<std::uint8_t> mask = Pixels(images[0]);
    for (std::size_t i = 3; i < print.rgba.size(); i += 4) {
      print.rgba[i] = mask[i - 3];
    }
  }
}

// Where the format is stricter than libpng: the header first, the image data in one run of
// chunks, nothing after the zlib stream's end.
bool StricterThanLibpng(std::span<const std::uint8_t> png) {
  if (png.size() >= 20 && std::memcmp(&png[12], "IHDR", 4) != 0) {
    return true;
  }
  testing::Bytes data;
  bool run = false;
  bool runEnded = false;
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::uint32_t length = BigEndian32(&png[at]);
    const std::string type(reinterpret_cast<const char*>(&png[at + 4]), 4);
    if (type == "IEND" || length > png.size() - at - 12) {
      break;
    }
    if (type == "IDAT") {
      if (runEnded) {
        return true;
      }
      run = true;
      data.insert(data.end(), &png[at + 8], &png[at + 8] + length);
    } else {
      runEnded = run;
    }
    at += 12 + std::size_t{length};
  }
  // Room for the rows of any picture libpng reads within its budget: 16-bit RGBA at most.
  std::vector<std::uint8_t> out(kBudget * 4);
  uLongf size = out.size();
  uLong used = data.size();
  return uncompress2(out.data(), &size, data.data(), &used) == Z_OK && used < data.size();
}

}  // namespace

Print PrintOf(const std::function<Picture()>& fetch) {
  Print print;
  try {
    const Picture picture = fetch();
    pdf::PdfWriter writer([&](std::span<const std::uint8_t> part) {
      print.document.append(part.begin(), part.end());
    });
    writer.BeginPage(100, 100);
    writer.DrawImage(pdf::FlateImageOf(picture), 0, 0, 100, 100);
    pdf::RequireReadWhole(picture);
    writer.Finish("fuzz");
  } catch (const Error& error) {
    print.error = error.Number();
    print.document.clear();
    return print;
  }
  ReadBack(print);
  return print;
}

Print PrintOf(std::unique_ptr<ByteStream> bytes, bool stream, std::size_t readAhead) {
  return PrintOf([&] {
    using Use = pdf::PngStream::Use;
    auto png = std::make_unique<pdf::PngStream>(std::move(bytes), kBudget,
                                                stream ? Use::Stream : Use::Keep, readAhead);
    if (!png->IsPng()) {
      throw Error(ErrorNumber::InvalidPicture);
    }
    return pdf::MakePngPicture(std::move(png));
  });
}

void CheckAgainstLibpng(std::span<const std::uint8_t> png, const Print& print) {
  Check(print.error == 0 || print.error == 7 || print.error == 481,
        "a picture failed with an error no picture causes");
  if (print.error == 7) {
    // Only a sound header that asks for too much: libpng reads as far as that.
    Check(png.size() >= 24, "error 7 without a header");
    const std::uint64_t width = BigEndian32(&png[16]);
    const std::uint64_t height = BigEndian32(&png[20]);
    Check(width * (height + 4) > kBudget / 4, "error 7 for a picture within the budget");
    return;
  }
  PngOracleImage image;
  const PngOracleVerdict verdict = PngOracleDecode(png.data(), png.size(), kBudget / 4, &image);
  if (verdict != kPngOracleDecoded) {
    Check(print.error == 481, "a picture libpng refuses was printed");
  } else if (print.error != 0) {
    Check(StricterThanLibpng(png), "a picture libpng reads was refused");
  } else {
    Check(print.width == image.width && print.height == image.height,
          "the printed size is not libpng's");
    Check(print.rgba == std::vector<std::uint8_t>(image.rgba, image.rgba + print.rgba.size()),
          "the printed pixels are not libpng's");
  }
  PngOracleFree(&image);
}

}  // namespace mirablot::fuzz
