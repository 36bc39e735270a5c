// SPDX-License-Identifier: MIT
#include "Win32ScreenMetrics.h"

#include <windows.h>

#include "core/Conversions.h"
#include "core/Error.h"

namespace mirablot::win32 {

int ScreenDotsPerInch(bool vertical) {
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) {
    throw Error(ErrorNumber::InvalidCall, "画面の情報を取得できません。");
  }
  const int dotsPerInch = GetDeviceCaps(screen, vertical ? LOGPIXELSY : LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dotsPerInch > 0 ? dotsPerInch : USER_DEFAULT_SCREEN_DPI;
}

double Win32ScreenMetrics::Width() {
  return GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixelX();
}

double Win32ScreenMetrics::Height() {
  return GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixelY();
}

double Win32ScreenMetrics::TwipsPerPixelX() {
  return kTwipsPerInch / ScreenDotsPerInch(false);
}

double Win32ScreenMetrics::TwipsPerPixelY() {
  return kTwipsPerInch / ScreenDotsPerInch(true);
}

}  // namespace mirablot::win32
