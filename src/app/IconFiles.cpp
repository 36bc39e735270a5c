// SPDX-License-Identifier: MIT
// Writes the program's icon as the desktops install it: the 32 x 32, 16-colour picture the
// windows carry as a palette PNG, the same design as a scalable SVG for launchers, and as the
// Windows icon resource.
//
//   mirablot-icons PNG SVG [ICO]
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "pdf/Png.h"
#include "ui/ProgramIcon.h"

namespace {

std::string Svg(const mirablot::Bitmap& icon) {
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
      std::to_string(icon.width) + "\" height=\"" + std::to_string(icon.height) +
      "\" viewBox=\"0 0 " + std::to_string(icon.width) + " " + std::to_string(icon.height) +
      "\" shape-rendering=\"crispEdges\">\n";
  // One rectangle per run of equal pixels in a row keeps the file small and the edges sharp.
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < icon.width;) {
      const std::uint8_t index = icon.At(x, y);
      int run = 1;
      while (x + run < icon.width && icon.At(x + run, y) == index) {
        ++run;
      }
      const std::uint32_t colour = icon.palette[index];
      if ((colour >> 24) != 0) {
        char fill[8];
        std::snprintf(fill, sizeof fill, "#%06x", colour & 0xffffffU);
        svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
               std::to_string(run) + "\" height=\"1\" fill=\"" + fill + "\"/>\n";
      }
      x += run;
    }
  }
  return svg + "</svg>\n";
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFFU);
  Put16(out, value >> 16);
}

// One 4-bit image: a BITMAPINFOHEADER of twice the height, the 16-colour table, the colour
// rows and the 1-bit transparency mask, both from the bottom up.
std::vector<std::uint8_t> Ico(const mirablot::Bitmap& icon) {
  constexpr std::uint32_t kHeaderSize = 40;
  constexpr std::uint32_t kColours = 16;
  const auto width = static_cast<std::uint32_t>(icon.width);
  const auto height = static_cast<std::uint32_t>(icon.height);
  const std::uint32_t colourStride = (width * 4 + 31) / 32 * 4;
  const std::uint32_t maskStride = (width + 31) / 32 * 4;
  const std::uint32_t imageSize = kHeaderSize + kColours * 4 + (colourStride + maskStride) * height;
  std::vector<std::uint8_t> out;
  Put16(out, 0);  // reserved
  Put16(out, 1);  // icon
  Put16(out, 1);  // one image
  out.push_back(static_cast<std::uint8_t>(width));
  out.push_back(static_cast<std::uint8_t>(height));
  out.push_back(static_cast<std::uint8_t>(kColours));
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, imageSize);
  Put32(out, 6 + 16);  // the image follows this directory
  Put32(out, kHeaderSize);
  Put32(out, width);
  Put32(out, height * 2);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // uncompressed
  Put32(out, (colourStride + maskStride) * height);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, kColours);
  Put32(out, 0);
  for (std::uint32_t index = 0; index < kColours; ++index) {
    const std::uint32_t argb = index < icon.palette.size() ? icon.palette[index] : 0;
    out.push_back(static_cast<std::uint8_t>(argb));
    out.push_back(static_cast<std::uint8_t>(argb >> 8));
    out.push_back(static_cast<std::uint8_t>(argb >> 16));
    out.push_back(0);
  }
  const auto transparent = [&icon](int x, int y) {
    return (icon.palette[icon.At(x, y)] >> 24) == 0;
  };
  for (int y = icon.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(colourStride);
    for (int x = 0; x < icon.width; ++x) {
      // Transparent pixels are black in the colour rows, so that the mask alone shows through.
      const std::uint8_t index = transparent(x, y) ? 0 : icon.At(x, y);
      row[static_cast<std::size_t>(x / 2)] |=
          static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = icon.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskStride);
    for (int x = 0; x < icon.width; ++x) {
      if (transparent(x, y)) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

bool WriteFile(const char* path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s PNG SVG [ICO]\n", argv[0]);
    return 2;
  }
  const mirablot::Bitmap& icon = mirablot::ProgramIcon();
  const std::vector<std::uint8_t> png = mirablot::pdf::EncodePalettePng(icon);
  const std::string svg = Svg(icon);
  if (!WriteFile(argv[1], png.data(), png.size()) || !WriteFile(argv[2], svg.data(), svg.size())) {
    std::perror("mirablot-icons");
    return 1;
  }
  if (argc == 4) {
    const std::vector<std::uint8_t> ico = Ico(icon);
    if (!WriteFile(argv[3], ico.data(), ico.size())) {
      std::perror("mirablot-icons");
      return 1;
    }
  }
  return 0;
}
