// SPDX-License-Identifier: MIT
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ErrorOf.h"
#include "PackedDib.h"
#include "core/Error.h"
#include "platform/win32/Win32Dib.h"

namespace mirablot::win32 {
namespace {

using mirablot::testing::Drawn;
using mirablot::testing::ErrorOf;
using mirablot::testing::Packed;

// What GDI draws from a packed DIB (see Packed), or "refused".
std::string DrawnOrRefused(const std::vector<std::uint8_t>& bytes) {
  std::shared_ptr<const DibPicture> dib;
  const int error = ErrorOf([&] { dib = DibPicture::FromPacked(bytes.data(), bytes.size()); });
  return error == static_cast<int>(ErrorNumber::InvalidPicture) ? "refused"
         : error == 0                                           ? Drawn(*dib)
                                                                : "another error";
}

// The rows are found after every kind of colour table and masks, and drawn as their owner
// wrote them: bottom-up unless the height is negative; alpha laid on white, straight (a channel
// above its alpha gives it away) or premultiplied, and an alpha never written (all zero) taken
// for an opaque picture. Whatever GDI cannot draw, or runs past the data, is refused.
TEST(Win32DibTest, DrawsWhatGdiCanAsItsOwnerWroteItAndRefusesTheRest) {
  for (const auto& [dib, drawn] : {
           std::pair{"40 2x2 8 RGB used=2 | 0000FF00 FF000000 | 00010000 01010000",
                     "0000FF 0000FF FF0000 0000FF"},
           {"40 2x1 8 RGB | 0000FF00 FF000000 | 00010000", "FF0000 0000FF"},  // 256 colours
           {"40 2x1 16 BITFIELDS | 00F80000 E0070000 1F000000 | 00F81F00", "FF0000 0000FF"},
           {"124 2x-2 32 BITFIELDS | | 00000000 00FF00FF 0000FF80 0000FF00",
            "FFFFFF 00FF00 FF7F7F FFFFFF"},
           {"124 4x-1 32 BITFIELDS | | 00008080 00000000 000000FF FFFFFFFF",
            "FF7F7F FFFFFF 000000 FFFFFF"},
           {"124 4x-1 32 BITFIELDS | | 00000000 10203000 00000000 00000000",
            "000000 302010 000000 000000"},
           {"40 1x1 24 RGB | | 0000FF00", "FF0000"},
           {"40 1x1 24 RGB | | 0000FF", "refused"},  // the row's padding is missing
           {"12 1x1 24 RGB", "refused"},
           {"40 1x1 2 RGB", "refused"},
           {"40 1x1 24 JPEG", "refused"},
           {"40 1x1 24 BITFIELDS", "refused"},  // masks are for 16 and 32 bits only
           {"40 0x1 24 RGB", "refused"},
           {"40 1x0 24 RGB", "refused"},
           {"40 1x-2147483648 24 RGB", "refused"},
           {"40 2147483647x2147483647 32 RGB", "refused"},  // more bytes than exist, even past 2^64
           {"40 1x1 4 RGB used=17", "refused"},             // 16 colours at most
       }) {
    EXPECT_EQ(DrawnOrRefused(Packed(dib)), drawn) << dib;
  }
  const std::vector<std::uint8_t> whole = Packed("40 1x1 24 RGB");
  EXPECT_EQ(DrawnOrRefused({whole.begin(), whole.begin() + 39}), "refused");
  EXPECT_EQ(ErrorOf([] { static_cast<void>(DibPicture::FromPacked(nullptr, 0)); }),
            static_cast<int>(ErrorNumber::InvalidPicture));
}

TEST(Win32DibTest, DecodedPngRowsBecomeATopDownBitmapOnWhite) {
  const auto dib = DibPicture::FromBgra(2, 2,
                                        {0, 0, 0xFF, 0xFF, 0, 0, 0, 0,  //
                                         0xFF, 0, 0, 0x80, 0, 0xFF, 0, 0xFF});
  EXPECT_EQ(Drawn(*dib), "FF0000 FFFFFF 7F7FFF 00FF00");
}

}  // namespace
}  // namespace mirablot::win32
