// SPDX-License-Identifier: MIT
#include "ProgramIcon.h"

#include <array>
#include <string_view>

namespace mirablot {
namespace {

// One character a pixel; the palette below says which colour each stands for.
constexpr std::array<std::string_view, 32> kArt = {
    "................................", "................................",
    "......kkkkkkkkkkkkkkkkkkkk......", "......kssssssssssssssssssk......",
    "......ksssssssssssssyysssk......", "......kssssssssssssyyyyssk......",
    "......kssssssssssssyyyyssk......", "......ksssssssssssssyysssk......",
    "......ksssssGGsssssssssssk......", "......kssssGGGGssssssssssk......",
    "......ksssGGGGGGsssssGGssk......", "......kssGGGGGGGGsssGGGGsk......",
    "......ksGGGGVGGGGGsGGGGGGk......", "......kGGGGVVVGGGGGGGVGGGk......",
    "......kGGGVVVVVGGGGGVVVGGk......", "......kGGVVVVVVVGGGVVVVVGk......",
    "......kGVVVVVVVVVGVVVVVVVk......", "...kkkkkkkkkkkkkkkkkkkkkkkkkk...",
    "..kllllllllllllllllllllllllllk..", "..klwwwwwwwwwwwwwwwwwwwwwwwwlk..",
    "..kllllllllllllllllllllllllllk..", "..kllllllllllllllllllllGlrlolk..",
    "..kllllllllllllllllllllllllllk..", "..kggggggggggggggggggggggggggk..",
    "..kDDDDkkkkkkkkkkkkkkkkkkDDDDk..", "..kDDDDkwwwwwwwwwwwwwwwwkDDDDk..",
    "..kkkkkkwwwwwwwwwwwwwwwwkkkkkk..", ".......kwkkkkkkkkkkkkkkwk.......",
    ".......kwwwwwwwwwwwwwwwwk.......", ".......kwkkkkkkkkkwwwwwwk.......",
    ".......kwwwwwwwwwwwwwwwwk.......", ".......kkkkkkkkkkkkkkkkkk.......",
};

constexpr std::string_view kKeys = ".kDglwNbsGVyrnto";
constexpr std::array<std::uint32_t, 16> kPalette = {
    0x00000000,  // . transparent
    0xFF000000,  // k black
    0xFF404040,  // D dark grey
    0xFF808080,  // g grey
    0xFFC0C0C0,  // l light grey
    0xFFFFFFFF,  // w white
    0xFF000080,  // N navy
    0xFF3070D0,  // b blue
    0xFF90C8F8,  // s sky
    0xFF30A040,  // G green
    0xFF106020,  // V dark green
    0xFFFFD020,  // y yellow
    0xFFD03020,  // r red
    0xFF905020,  // n brown
    0xFFD0A060,  // t tan
    0xFFF08020,  // o orange
};

Bitmap MakeIcon() {
  Bitmap icon{32, 32, {kPalette.begin(), kPalette.end()}, {}};
  icon.pixels.reserve(32 * 32);
  for (const std::string_view row : kArt) {
    for (const char key : row) {
      icon.pixels.push_back(static_cast<std::uint8_t>(kKeys.find(key)));
    }
  }
  return icon;
}

}  // namespace

const Bitmap& ProgramIcon() {
  static const Bitmap icon = MakeIcon();
  return icon;
}

}  // namespace mirablot
