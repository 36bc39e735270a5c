// SPDX-License-Identifier: MIT
#include "PngStream.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

#include "core/Error.h"
#include "core/Picture.h"
#include "pdf/PngDecoder.h"
#include "pdf/PngImageData.h"

namespace mirablot::pdf {
namespace {

// What is read at a time, and so the largest piece of image data handed on at once.
constexpr std::size_t kPiece = std::size_t{1} << 18;
// Inflating costs about as much as the transfer: it runs on a thread of its own, a few
// megabytes behind at most.
constexpr std::size_t kMostQueued = std::size_t{8} << 20;
// Decoding holds two rows of up to 8 bytes a pixel beside the picture's 4: four rows more.
constexpr std::uint64_t kRowsAtWork = 4;

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

PngStream::PngStream(std::unique_ptr<ByteStream> source, std::size_t budget, Use use,
                     std::size_t readAhead)
    : m_source(std::move(source)),
      m_budget(budget),
      m_use(use),
      m_parser({[this](const PngHeader& header) {
                  RequireWithinBudget(header.width, header.height, m_budget, kRowsAtWork);
                },
                [this] { ImageStarts(); },
                [this](std::span<const std::uint8_t> data) {
                  m_piece.insert(m_piece.end(), data.begin(), data.end());
                }}),
      m_buffer(std::make_unique_for_overwrite<std::uint8_t[]>(kPiece)) {
  // The signature decides whether this is a PNG at all.
  m_start.resize(kPngSignature.size());
  std::size_t got = 0;
  while (got < m_start.size()) {
    const std::size_t part = m_source->Read(std::span(m_start).subspan(got));
    if (part == 0) {
      break;
    }
    got += part;
  }
  m_start.resize(got);
  if (!std::equal(kPngSignature.begin(), kPngSignature.end(), m_start.begin(), m_start.end())) {
    return;
  }
  m_isPng = true;
  (void)m_parser.Feed(m_start);
  m_start.clear();
  while (!m_imageStarted && ReadMore()) {
  }
  if (Passes()) {
    for (std::size_t ahead = 0;;) {
      ahead += m_piece.size();
      Flush();
      if (ahead >= readAhead || m_parser.Ended() || !ReadMore()) {
        break;
      }
    }
    return;
  }
  Flush(m_take);
  while (!m_parser.Ended() && ReadMore()) {
    Flush(m_take);
  }
  m_finish();
  Drain();
}

PngStream::~PngStream() = default;

std::vector<std::uint8_t> PngStream::ReadWhole() {
  if (m_isPng) {
    throw Error(ErrorNumber::InvalidCall, "PNG はもう読み始めています。");
  }
  std::vector<std::uint8_t> whole = std::move(m_start);
  const std::vector<std::uint8_t> rest = ReadToEnd(*m_source);
  whole.insert(whole.end(), rest.begin(), rest.end());
  return whole;
}

bool PngStream::ReadMore() {
  const std::size_t got = m_source->Read({m_buffer.get(), kPiece});
  if (got == 0) {
    m_parser.Finish();
    return false;
  }
  // What follows the PNG's end is not the picture's.
  (void)m_parser.Feed({m_buffer.get(), got});
  return true;
}

void PngStream::Drain() {
  // The rest is read too, so that the owner's transfer ends as it should.
  while (m_source->Read({m_buffer.get(), kPiece}) > 0) {
  }
}

void PngStream::ImageStarts() {
  m_imageStarted = true;
  const PngHeader& header = m_parser.Header();
  const bool carried = PdfCanCarry(header);
  if (carried && m_use == Use::Stream) {
    m_check = std::make_unique<Check>(header);
    return;
  }
  // Kept, it is only checked now unless it is to be looked at: what else is wanted of its
  // rows is found when asked.
  std::shared_ptr<PngDecoder> decoder;
  if (!carried || m_use == Use::Decode) {
    decoder =
        std::make_shared<PngDecoder>(header, m_parser.Palette(), m_parser.TransparentColour());
  }
  auto inflater = std::make_shared<ImageDataInflater>(
      header, decoder == nullptr ? RowHandler{}
                                 : [decoder](std::size_t pass, std::uint32_t row,
                                             std::span<const std::uint8_t> samples) {
                                     decoder->Row(pass, row, samples);
                                   });
  if (carried) {
    m_kept.emplace();
  }
  m_take = [this, inflater](std::span<const std::uint8_t> data) {
    inflater->Feed(data);
    if (m_kept) {
      DeclareWholeWindow(m_kept->data.emplace_back(data.begin(), data.end()), m_handedOn);
    }
  };
  m_finish = [this, inflater, decoder] {
    inflater->End();
    if (decoder) {
      m_decoded = decoder->Finish();
    }
  };
}

void PngStream::Flush(const std::function<void(std::span<const std::uint8_t>)>& put) {
  if (m_piece.empty()) {
    return;
  }
  if (m_check) {
    m_check->Feed(m_piece);
    DeclareWholeWindow(m_piece, m_handedOn);
  }
  const std::size_t size = m_piece.size();
  if (put) {
    put(m_piece);
    m_piece.clear();
  } else {
    m_ahead.push_back(std::move(m_piece));
    m_piece = {};
  }
  m_handedOn += size;
}

void PngStream::PassImageData(const std::function<void(std::span<const std::uint8_t>)>& put) {
  if (!m_check) {
    throw Error(ErrorNumber::InvalidCall, "この画像はそのまま渡せません。");
  }
  for (; !m_ahead.empty(); m_ahead.pop_front()) {
    put(m_ahead.front());
  }
  while (!m_parser.Ended() && ReadMore()) {
    Flush(put);
  }
  const std::unique_ptr<Check> check = std::move(m_check);
  check->End();
  Drain();
}

std::optional<PngStream::Kept> PngStream::TakeKept() {
  return std::exchange(m_kept, std::nullopt);
}

std::optional<RgbImage> PngStream::TakeDecoded() {
  return std::exchange(m_decoded, std::nullopt);
}

}  // namespace mirablot::pdf
