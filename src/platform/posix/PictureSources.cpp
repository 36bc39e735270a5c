// SPDX-License-Identifier: MIT
#include "PictureSources.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <set>
#include <unistd.h>
#include <utility>

#include "core/Error.h"
#include "pdf/PdfPicture.h"
#include "pdf/PngStream.h"

namespace mirablot::posix {
namespace {

constexpr std::size_t kMegabyte = std::size_t{1} << 20;
constexpr std::size_t kSmallestBudget = 64 * kMegabyte;
// An owner may offer any number of types; trying a few dozen finds a picture if any will.
constexpr std::size_t kMostTypesTried = 32;

// MemAvailable from /proc/meminfo, or nothing where the kernel does not tell.
std::optional<std::size_t> AvailableMemory() {
  std::FILE* meminfo = std::fopen("/proc/meminfo", "re");
  if (meminfo == nullptr) {
    return std::nullopt;
  }
  std::optional<std::size_t> available;
  char line[256];
  unsigned long long kilobytes = 0;
  while (!available && std::fgets(line, sizeof line, meminfo) != nullptr) {
    if (std::sscanf(line, "MemAvailable: %llu kB", &kilobytes) == 1) {
      available = static_cast<std::size_t>(kilobytes) * 1024;
    }
  }
  std::fclose(meminfo);
  return available;
}

// The image types to try, most faithful first: PNG, then the owner's other image types, each
// once.
std::vector<std::string> ImageTypes(const std::vector<std::string>& offered) {
  std::vector<std::string> types;
  std::set<std::string> seen;
  if (std::find(offered.begin(), offered.end(), "image/png") != offered.end()) {
    types.emplace_back("image/png");
    seen.insert(types.back());
  }
  for (const std::string& type : offered) {
    if (types.size() == kMostTypesTried) {
      break;
    }
    if (type.starts_with("image/") && seen.insert(type).second) {
      types.push_back(type);
    }
  }
  return types;
}

// A file, or standard input, read as it arrives, within the budget.
class FileStream final : public ByteStream {
 public:
  FileStream(int fd, bool owned, std::string what, std::size_t budget)
      : m_fd(fd), m_owned(owned), m_what(std::move(what)), m_budget(budget) {}
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;
  ~FileStream() override {
    if (m_owned) {
      ::close(m_fd);
    }
  }

  std::size_t Read(std::span<std::uint8_t> into) override {
    for (;;) {
      const ssize_t got = ::read(m_fd, into.data(), into.size());
      if (got < 0 && errno == EINTR) {
        continue;
      }
      if (got < 0) {
        throw Error(ErrorNumber::FileAccess, m_what + " を読めません: " + std::strerror(errno));
      }
      m_read += static_cast<std::size_t>(got);
      if (m_read > m_budget) {
        throw Error(ErrorNumber::OutOfMemory, m_what + " は大きすぎて印刷できません。");
      }
      return static_cast<std::size_t>(got);
    }
  }

 private:
  int m_fd;
  bool m_owned;
  std::string m_what;
  std::size_t m_budget;
  std::size_t m_read = 0;
};

// Bytes that are all there already, handed out as a stream.
class BytesStream final : public ByteStream {
 public:
  explicit BytesStream(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

  std::size_t Read(std::span<std::uint8_t> into) override {
    const std::size_t count = std::min(into.size(), m_bytes.size() - m_at);
    std::copy_n(m_bytes.begin() + static_cast<std::ptrdiff_t>(m_at), count, into.begin());
    m_at += count;
    return count;
  }

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_at = 0;
};

}  // namespace

std::size_t DecodeBudget() {
  const std::size_t available = AvailableMemory().value_or(3 * 1024 * kMegabyte);
  return std::max(available / 3, kSmallestBudget);
}

Picture PictureOfBytes(std::vector<std::uint8_t> bytes, const std::string& hint, std::size_t budget,
                       const std::string& what, const PictureDecoder& decode) {
  return PictureOfStream(std::make_unique<BytesStream>(std::move(bytes)), nullptr, hint, budget,
                         what, Reading::Whole, decode);
}

Picture PictureOfStream(std::unique_ptr<ByteStream> stream, std::shared_ptr<const void> source,
                        const std::string& hint, std::size_t budget, const std::string& what,
                        Reading reading, const PictureDecoder& decode) {
  using Use = pdf::PngStream::Use;
  const Use use = reading == Reading::Streamed ? Use::Stream
                  : reading == Reading::Whole  ? Use::Keep
                                               : Use::Decode;
  auto png = std::make_unique<pdf::PngStream>(std::move(stream), budget, use);
  if (png->IsPng()) {
    return pdf::MakePngPicture(std::move(png), std::move(source));
  }
  std::vector<std::uint8_t> bytes = png->ReadWhole();
  if (bytes.empty()) {
    return {};  // an owner that sends nothing has nothing in that type
  }
  return decode(std::move(bytes), hint, budget, what);
}

Picture FirstPicture(const std::vector<std::string>& offered,
                     const std::function<Picture(const std::string&)>& tryType) {
  std::optional<Error> firstFailure;
  for (const std::string& type : ImageTypes(offered)) {
    try {
      Picture picture = tryType(type);
      if (!picture.IsEmpty()) {
        return picture;
      }
    } catch (const Error& error) {
      if (error.Number() == static_cast<int>(ErrorNumber::OutOfMemory)) {
        throw;
      }
      firstFailure = firstFailure.value_or(error);
    }
  }
  if (firstFailure) {
    throw *firstFailure;
  }
  return {};
}

ClipboardPictures::ClipboardPictures(SelectionOpener open, PictureDecoder decode, Reading reading)
    : m_open(std::move(open)), m_decode(std::move(decode)), m_reading(reading) {}

Picture ClipboardPictures::FetchBitmap() {
  const std::size_t budget = DecodeBudget();
  const std::shared_ptr<SelectionReader> reader = m_open({.maxBytes = budget});
  return FirstPicture(reader->Types(), [&](const std::string& type) -> Picture {
    std::unique_ptr<ByteStream> stream = reader->Open(type);
    if (!stream) {
      return {};
    }
    return PictureOfStream(std::move(stream), reader, type, budget,
                           "クリップボードの画像 (" + type + ")", m_reading, m_decode);
  });
}

PictureFile::PictureFile(std::string path, PictureDecoder decode, Reading reading)
    : m_path(std::move(path)), m_decode(std::move(decode)), m_reading(reading) {}

Picture PictureFile::FetchBitmap() {
  const std::size_t budget = DecodeBudget();
  const bool standardInput = m_path == "-";
  const std::string what = standardInput ? "標準入力の画像" : "ファイル " + m_path;
  const int fd = standardInput ? STDIN_FILENO : ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    throw Error(errno == ENOENT ? ErrorNumber::FileNotFound : ErrorNumber::FileAccess,
                what + " を開けません: " + std::strerror(errno));
  }
  // Standard input is read for as long as it is open: a capture tool waits for the user.
  Picture picture = PictureOfStream(std::make_unique<FileStream>(fd, !standardInput, what, budget),
                                    nullptr, m_path, budget, what, m_reading, m_decode);
  if (picture.IsEmpty()) {
    throw Error(ErrorNumber::InvalidPicture, what + " に画像がありません。");
  }
  return picture;
}

}  // namespace mirablot::posix
