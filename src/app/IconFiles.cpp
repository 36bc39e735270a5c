// SPDX-License-Identifier: MIT
// Writes the program's icon as the desktop installs it: the 32 x 32, 16-colour picture the
// windows carry as a palette PNG, and the same design as a scalable SVG for launchers.
//
//   mirablot-icons PNG SVG
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/pdf/Png.h"
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

bool WriteFile(const char* path, const void* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PNG SVG\n", argv[0]);
    return 2;
  }
  const mirablot::Bitmap& icon = mirablot::ProgramIcon();
  const std::vector<std::uint8_t> png = mirablot::pdf::EncodePalettePng(icon);
  const std::string svg = Svg(icon);
  if (!WriteFile(argv[1], png.data(), png.size()) || !WriteFile(argv[2], svg.data(), svg.size())) {
    std::perror("mirablot-icons");
    return 1;
  }
  return 0;
}
