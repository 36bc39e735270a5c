// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace mirablot {

/// Bytes that arrive in order (a clipboard owner's answer, a file, standard input), read as
/// they come, so that a large picture never has to be held whole.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  ByteStream(const ByteStream&) = delete;
  ByteStream& operator=(const ByteStream&) = delete;

  /// Fills the start of `into` with the next bytes and says how many; 0 only at the end (or
  /// for an empty `into`). Every failure, and a wait the source's limits do not allow, is an
  /// Error.
  [[nodiscard]] virtual std::size_t Read(std::span<std::uint8_t> into) = 0;

 protected:
  ByteStream() = default;
};

/// The rest of the stream, to its end.
[[nodiscard]] std::vector<std::uint8_t> ReadToEnd(ByteStream& stream);

}  // namespace mirablot
