// SPDX-License-Identifier: MIT
#include "PreviewPictures.h"

#include <initializer_list>

namespace mirablot {
namespace {

constexpr int kSize = 80;
constexpr std::uint8_t kWhite = 0;
constexpr std::uint8_t kBlack = 1;

struct Run {
  int first;
  int length;
};

struct Line {
  int row;
  std::initializer_list<Run> runs;
};

Bitmap WhitePicture() {
  return Bitmap{
      kSize, kSize, {0xFFFFFFFF, 0xFF000000}, std::vector<std::uint8_t>(kSize * kSize, kWhite)};
}

Bitmap MakeLinesOfPrint() {
  static const Line kLines[] = {
      {10, {{0, 25}, {28, 24}, {57, 23}}}, {20, {{3, 15}, {22, 20}, {47, 33}}},
      {30, {{0, 13}, {23, 18}}},           {40, {{3, 23}, {30, 6}, {39, 23}}},
      {50, {{2, 12}, {19, 61}}},           {60, {{0, 60}}},
      {70, {{5, 17}, {40, 19}}},
  };
  Bitmap picture = WhitePicture();
  for (const Line& line : kLines) {
    for (const Run& run : line.runs) {
      for (int x = run.first; x < run.first + run.length; ++x) {
        picture.pixels[static_cast<std::size_t>(line.row * kSize + x)] = kBlack;
      }
    }
  }
  return picture;
}

}  // namespace

const Bitmap& SheetPicture() {
  static const Bitmap picture = WhitePicture();
  return picture;
}

const Bitmap& LinesOfPrintPicture() {
  static const Bitmap picture = MakeLinesOfPrint();
  return picture;
}

}  // namespace mirablot
