// SPDX-License-Identifier: MIT
#include "PngStream.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <string_view>
#include <thread>
#include <zlib.h>

#include "core/Error.h"

namespace mirablot::pdf {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::uint32_t kLongestChunk = 0x7fffffff;
// Pieces of image data are handed on as they arrive, at most this much at a time.
constexpr std::size_t kPiece = std::size_t{1} << 18;
// Inflating costs about as much as the transfer: it runs on a thread of its own, a few
// megabytes behind at most.
constexpr std::size_t kMostQueued = std::size_t{8} << 20;

std::uint32_t BigEndian32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         std::uint32_t{p[3]};
}

}  // namespace

// The image data inflated on a thread of its own, as it arrives; its first failure is
// reported by the next Feed or by End.
class PngStream::Check {
 public:
  explicit Check(const PngHeader& header) : m_inflater(header), m_thread([this] { Run(); }) {}
  Check(const Check&) = delete;
  Check& operator=(const Check&) = delete;
  ~Check() {
    {
      const std::lock_guard lock(m_mutex);
      m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
  }

  void Feed(std::span<const std::uint8_t> piece) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queued < kMostQueued || m_failure; });
    if (m_failure) {
      std::rethrow_exception(m_failure);
    }
    m_pieces.emplace_back(piece.begin(), piece.end());
    m_queued += piece.size();
    m_changed.notify_all();
  }

  void End() {
    std::unique_lock lock(m_mutex);
    m_last = true;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_done || m_failure; });
    if (m_failure) {
      std::rethrow_exception(m_failure);
    }
  }

 private:
  void Run() {
    try {
      for (;;) {
        std::vector<std::uint8_t> piece;
        {
          std::unique_lock lock(m_mutex);
          m_changed.wait(lock, [this] { return !m_pieces.empty() || m_last || m_stop; });
          if (m_stop) {
            return;
          }
          if (m_pieces.empty()) {
            break;
          }
          piece = std::move(m_pieces.front());
          m_pieces.pop_front();
          m_queued -= piece.size();
        }
        m_changed.notify_all();
        m_inflater.Feed(piece);
      }
      m_inflater.End();
      const std::lock_guard lock(m_mutex);
      m_done = true;
    } catch (...) {
      const std::lock_guard lock(m_mutex);
      m_failure = std::current_exception();
    }
    m_changed.notify_all();
  }

  ImageDataInflater m_inflater;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::deque<std::vector<std::uint8_t>> m_pieces;
  std::size_t m_queued = 0;
  bool m_last = false;
  bool m_stop = false;
  bool m_done = false;
  std::exception_ptr m_failure;
  std::thread m_thread;  // last: it runs on everything above
};

PngStream::PngStream(std::unique_ptr<ByteStream> source, bool passThrough, std::size_t readAhead)
    : m_source(std::move(source)) {
  m_read.resize(kSignature.size());
  std::size_t got = 0;
  while (got < m_read.size()) {
    const std::size_t part = m_source->Read(std::span(m_read).subspan(got));
    if (part == 0) {
      break;
    }
    got += part;
  }
  m_read.resize(got);
  if (!std::equal(kSignature.begin(), kSignature.end(), m_read.begin(), m_read.end())) {
    return;
  }
  // The first chunk is the header, or this is no PNG.
  const std::size_t headerStart = m_read.size();
  ReadChunkStart();
  if (m_length != 13 || !IsType("IHDR")) {
    return;
  }
  m_isPng = true;
  KeepChunk();
  m_header = *ReadPngHeader(std::span(m_read).first(headerStart + 8 + 13));
  for (;;) {
    ReadChunkStart();
    if (IsType("IDAT")) {
      break;
    }
    KeepChunk();
    if (IsType("tRNS")) {
      m_header.transparency = true;
    } else if (IsType("IEND")) {
      m_ended = true;
      break;
    }
  }
  if (!passThrough || !PdfCanCarry(m_header)) {
    return;  // read whole
  }
  CheckPngHeader(m_header);
  if (m_ended) {
    RefusePng("画素データがありません");
  }
  m_check = std::make_unique<Check>(m_header);
  std::size_t ahead = 0;
  while (ahead < readAhead) {
    std::vector<std::uint8_t> piece = NextPiece();
    if (piece.empty()) {
      break;
    }
    ahead += piece.size();
    m_check->Feed(piece);
    m_ahead.push_back(std::move(piece));
  }
}

PngStream::~PngStream() = default;

bool PngStream::IsType(const char* type) const {
  return std::memcmp(m_type, type, 4) == 0;
}

std::vector<std::uint8_t> PngStream::ReadWhole() {
  if (m_passing) {
    throw Error(ErrorNumber::InvalidCall, "PNG の画素データはもう渡し始めています。");
  }
  std::vector<std::uint8_t> whole = std::move(m_read);
  const std::vector<std::uint8_t> rest = ReadToEnd(*m_source);
  whole.insert(whole.end(), rest.begin(), rest.end());
  return whole;
}

void PngStream::ReadExactly(std::span<std::uint8_t> into, const char* where) {
  for (std::size_t got = 0; got < into.size();) {
    const std::size_t part = m_source->Read(into.subspan(got));
    if (part == 0) {
      RefusePng(where);
    }
    got += part;
  }
}

void PngStream::ReadChunkStart() {
  std::uint8_t start[8];
  ReadExactly(start, "IEND の前で終わっています");
  if (!m_passing) {
    m_read.insert(m_read.end(), start, start + 8);
  }
  m_length = BigEndian32(start);
  if (m_length > kLongestChunk) {
    RefusePng("チャンクの長さが不正です");
  }
  m_left = m_length;
  std::memcpy(m_type, start + 4, 4);
  m_checksum = static_cast<std::uint32_t>(crc32(0, m_type, 4));
}

void PngStream::KeepChunk() {
  const std::size_t start = m_read.size();
  m_read.resize(start + m_length + 4);
  ReadExactly(std::span(m_read).subspan(start), "チャンクが途中で終わっています");
  m_checksum = static_cast<std::uint32_t>(
      crc32(m_checksum, m_read.data() + start, static_cast<uInt>(m_length)));
  m_left = 0;
  if (BigEndian32(m_read.data() + start + m_length) != m_checksum) {
    RefusePng("チャンクのチェックサムが合いません");
  }
}

std::vector<std::uint8_t> PngStream::NextPiece() {
  m_passing = true;
  m_read.clear();
  m_read.shrink_to_fit();
  std::vector<std::uint8_t> piece;
  while (!m_ended) {
    if (m_left > 0) {
      // Whatever has arrived of this chunk, up to a piece's size.
      std::vector<std::uint8_t> data(std::min<std::size_t>(m_left, kPiece));
      const std::size_t got = m_source->Read(data);
      if (got == 0) {
        RefusePng("チャンクが途中で終わっています");
      }
      data.resize(got);
      m_checksum =
          static_cast<std::uint32_t>(crc32(m_checksum, data.data(), static_cast<uInt>(got)));
      m_left -= static_cast<std::uint32_t>(got);
      if (IsType("IDAT")) {
        return data;
      }
      continue;  // another chunk's data: checked, not kept
    }
    std::uint8_t checksum[4];
    ReadExactly(checksum, "チャンクが途中で終わっています");
    if (BigEndian32(checksum) != m_checksum) {
      RefusePng("チャンクのチェックサムが合いません");
    }
    if (IsType("IEND")) {
      m_ended = true;
      break;
    }
    ReadChunkStart();
  }
  return piece;
}

void PngStream::PassImageData(const std::function<void(std::span<const std::uint8_t>)>& put) {
  if (!m_check) {
    throw Error(ErrorNumber::InvalidCall, "この画像はそのまま渡せません。");
  }
  for (; !m_ahead.empty(); m_ahead.pop_front()) {
    put(m_ahead.front());
  }
  for (std::vector<std::uint8_t> piece = NextPiece(); !piece.empty(); piece = NextPiece()) {
    m_check->Feed(piece);
    put(piece);
  }
  const std::unique_ptr<Check> check = std::move(m_check);
  check->End();
  // Whatever follows the PNG is read too, so that the owner's transfer ends as it should.
  std::array<std::uint8_t, 1 << 16> rest;
  while (m_source->Read(rest) > 0) {
  }
}

}  // namespace mirablot::pdf
