// SPDX-License-Identifier: MIT
// The same bytes through every route a picture reaches a print by: a file and a clipboard
// owner, each streamed (one page) and read whole (a long picture), and the bytes Qt's own
// clipboard hands over. Every route ends the same way: the same document, or the same error.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "FuzzCheck.h"
#include "MemoryStream.h"
#include "PngBytes.h"
#include "PngFuzzing.h"
#include "core/Error.h"
#include "pdf/PdfPicture.h"
#include "platform/posix/PictureSources.h"

using mirablot::fuzz::Check;
namespace posix = mirablot::posix;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Stands in for the decoders of pictures that are no PNG: a picture made of the bytes it was
// given, so that a route handing it other bytes shows; nothing starting with 'X' decodes.
mirablot::Picture Decode(Bytes bytes, const std::string&, std::size_t, const std::string&) {
  if (bytes[0] == 'X') {
    throw mirablot::Error(mirablot::ErrorNumber::InvalidPicture, "undecodable");
  }
  const auto width = static_cast<std::uint32_t>(std::min<std::size_t>(bytes.size(), 64));
  Bytes rgb(bytes.begin(), bytes.begin() + width);
  rgb.resize(std::size_t{width} * 3);
  return mirablot::pdf::MakeRgbPicture({width, 1, std::move(rgb), {}});
}

// An owner offering its bytes as PNG, handing them over a few at a time.
class Owner final : public mirablot::SelectionReader {
 public:
  explicit Owner(const Bytes& bytes) : SelectionReader({}), m_bytes(bytes) {}
  std::vector<std::string> Types() override { return {"text/plain", "image/png"}; }
  std::unique_ptr<mirablot::ByteStream> Open(const std::string&) override {
    return std::make_unique<mirablot::testing::MemoryStream>(m_bytes, 1000);
  }

 private:
  Bytes m_bytes;
};

std::string g_file;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The routes take the machine's own budget: pictures that would fill it are the PNG
  // targets' to judge, with a small one.
  using mirablot::testing::BigEndian32;
  if (size >= 24 &&
      std::uint64_t{BigEndian32(data + 16)} * BigEndian32(data + 20) > std::uint64_t{1} << 22) {
    return 0;
  }
  const Bytes bytes(data, data + size);
  if (g_file.empty()) {
    g_file = "/tmp/mirablot-fuzz-picture-" + std::to_string(::getpid());
  }
  std::FILE* file = std::fopen(g_file.c_str(), "wb");
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  std::vector<mirablot::fuzz::Print> prints;
  for (const posix::Reading reading :
       {posix::Reading::Streamed, posix::Reading::Whole, posix::Reading::Decoded}) {
    prints.push_back(mirablot::fuzz::PrintOf(
        [&] { return posix::PictureFile(g_file, Decode, reading).FetchBitmap(); }));
    prints.push_back(mirablot::fuzz::PrintOf([&] {
      return posix::ClipboardPictures([&](const auto&) { return std::make_unique<Owner>(bytes); },
                                      Decode, reading)
          .FetchBitmap();
    }));
  }
  prints.push_back(mirablot::fuzz::PrintOf([&] {
    return posix::PictureOfBytes(bytes, "image/png", std::size_t{1} << 30, "fuzz", Decode);
  }));
  for (const mirablot::fuzz::Print& print : prints) {
    Check(print.error == prints[0].error, "two routes end with different errors");
    Check(print.document == prints[0].document, "two routes print differently");
  }
  return 0;
}
