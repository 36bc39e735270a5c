// SPDX-License-Identifier: MIT
// Packed DIBs as clipboard owners write them, and what GDI draws from a picture.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Win32Dib.h"

namespace mirablot::testing {

// "HEADER-SIZE WxH DEPTH RGB|BITFIELDS|JPEG [used=N] | TABLE | ROWS": the colour table (or the
// masks after a short header) and the rows in hex. The table is filled up with zeros to its
// colours (256 for used=0 up to 8 bits); rows left out are 64 zero bytes. A long header holds
// the ARGB masks.
inline std::vector<std::uint8_t> Packed(const std::string& dib) {
  std::istringstream in(dib);
  BITMAPV5HEADER header{};
  std::string compression;
  char by = 0;
  in >> header.bV5Size >> header.bV5Width >> by >> header.bV5Height >> header.bV5BitCount >>
      compression;
  header.bV5Planes = 1;
  header.bV5Compression = compression == "RGB"         ? BI_RGB
                          : compression == "BITFIELDS" ? BI_BITFIELDS
                                                       : BI_JPEG;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  std::string word;
  if (in >> word && word.starts_with("used=")) {
    header.bV5ClrUsed = static_cast<DWORD>(std::stoul(word.substr(5)));
    in >> word;
  }
  // A header shorter than BITMAPINFOHEADER still fills its room: only its size is wrong.
  std::vector<std::uint8_t> bytes(std::max<DWORD>(header.bV5Size, sizeof(BITMAPINFOHEADER)));
  std::memcpy(bytes.data(), &header, bytes.size());
  std::vector<std::uint8_t> table;
  std::vector<std::uint8_t> rows;
  for (std::vector<std::uint8_t>* part = &table; in >> word;) {
    if (word == "|") {
      part = &rows;
    }
    for (std::size_t i = 0; word != "|" && i + 1 < word.size(); i += 2) {
      part->push_back(static_cast<std::uint8_t>(std::stoul(word.substr(i, 2), nullptr, 16)));
    }
  }
  const DWORD colours = header.bV5ClrUsed != 0 || header.bV5BitCount > 8 ? header.bV5ClrUsed
                                                                         : 1U << header.bV5BitCount;
  table.resize(std::max<std::size_t>(table.size(), colours * 4));
  if (rows.empty()) {
    rows.resize(64);
  }
  bytes.insert(bytes.end(), table.begin(), table.end());
  bytes.insert(bytes.end(), rows.begin(), rows.end());
  return bytes;
}

// What GDI draws from the picture at its own size, as "RRGGBB ...", rows from the top.
inline std::string Drawn(const win32::DibPicture& dib) {
  BITMAPINFO target{};
  target.bmiHeader = {
      sizeof(BITMAPINFOHEADER), dib.Width(), -dib.Height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &target, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  StretchDIBits(dc, 0, 0, dib.Width(), dib.Height(), 0, 0, dib.Width(), dib.Height(), dib.Bits(),
                dib.Info(), DIB_RGB_COLORS, SRCCOPY);
  GdiFlush();
  std::string drawn;
  for (int i = 0; i < dib.Width() * dib.Height(); ++i) {
    char pixel[8];
    std::snprintf(pixel, sizeof pixel, " %06X", static_cast<const unsigned*>(bits)[i] & 0xFFFFFFU);
    drawn += pixel;
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return drawn.substr(1);
}

}  // namespace mirablot::testing
