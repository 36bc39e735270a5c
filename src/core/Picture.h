// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

namespace mirablot {

/// A bitmap as the core sees it: something to pass along, with a pixel size. Only the adapter
/// that made the pixel data knows how to draw it.
class Picture {
 public:
  /// Pixel data owned by an adapter.
  class Data {
   public:
    virtual ~Data() = default;
    [[nodiscard]] virtual int Width() const = 0;
    [[nodiscard]] virtual int Height() const = 0;

   protected:
    Data() = default;
    Data(const Data&) = default;
    Data& operator=(const Data&) = default;
  };

  /// The empty picture.
  Picture() = default;
  explicit Picture(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}

  [[nodiscard]] bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
  [[nodiscard]] int Width() const { return m_data ? m_data->Width() : 0; }
  [[nodiscard]] int Height() const { return m_data ? m_data->Height() : 0; }
  [[nodiscard]] const Data* Pixels() const { return m_data.get(); }

 private:
  std::shared_ptr<const Data> m_data;
};

}  // namespace mirablot
