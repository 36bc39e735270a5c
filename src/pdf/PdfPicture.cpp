// SPDX-License-Identifier: MIT
#include "PdfPicture.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "core/Error.h"
#include "core/LightPrint.h"
#include "pdf/PngDecoder.h"
#include "pdf/PngImageData.h"
#include "pdf/PngStream.h"

namespace mirablot::pdf {
namespace {

// Each row's blankness, as BlankRows says.
std::vector<bool> BlankRowsOf(const RgbImage& image) {
  std::vector<bool> blank(image.height);
  const std::size_t rowBytes = std::size_t{image.width} * 3;
  for (std::size_t y = 0; y < blank.size(); ++y) {
    blank[y] = IsBlankRow(std::span(image.rgb).subspan(y * rowBytes, rowBytes), 3, 3);
  }
  return blank;
}

// Read whole and checked already, and decoded too when it was read to be looked at. Rows not
// decoded are inflated again whenever they are looked at: most prints never look, and those
// that do look once.
class PngData final : public Picture::Data {
 public:
  PngData(const PngHeader& header, PngStream::Kept kept, std::optional<RgbImage> pixels)
      : m_header(header), m_kept(std::move(kept)), m_pixels(std::move(pixels)) {}
  [[nodiscard]] int Width() const override { return static_cast<int>(m_header.width); }
  [[nodiscard]] int Height() const override { return static_cast<int>(m_header.height); }
  [[nodiscard]] const PngHeader& Header() const { return m_header; }
  [[nodiscard]] const std::optional<RgbImage>& Pixels() const { return m_pixels; }
  [[nodiscard]] std::vector<bool> BlankRows() const override {
    if (m_pixels) {
      return BlankRowsOf(*m_pixels);
    }
    std::vector<bool> blank;
    blank.reserve(m_header.height);
    const auto channels = static_cast<std::size_t>(m_header.Channels());
    Rows([&](std::size_t, std::uint32_t, std::span<const std::uint8_t> row) {
      blank.push_back(IsBlankRow(row, channels, channels));
    });
    return blank;
  }
  // Hands each row to `rows`, unfiltered, in the order they are stored.
  void Rows(const RowHandler& rows) const {
    ImageDataInflater inflater(m_header, rows);
    for (const std::vector<std::uint8_t>& part : m_kept.data) {
      inflater.Feed(part);
    }
    inflater.End();
  }
  [[nodiscard]] ImageData Data() const {
    std::vector<std::span<const std::uint8_t>> parts(m_kept.data.begin(), m_kept.data.end());
    return DataIn(std::move(parts));
  }

 private:
  PngHeader m_header;
  PngStream::Kept m_kept;
  std::optional<RgbImage> m_pixels;
};

// Its rows cannot be looked at before they pass: BlankRows says nothing.
class StreamedPngData final : public Picture::Data {
 public:
  StreamedPngData(std::unique_ptr<PngStream> png, std::shared_ptr<const void> reader)
      : m_reader(std::move(reader)), m_png(std::move(png)) {}
  [[nodiscard]] int Width() const override { return static_cast<int>(m_png->Header().width); }
  [[nodiscard]] int Height() const override { return static_cast<int>(m_png->Header().height); }
  [[nodiscard]] const PngHeader& Header() const { return m_png->Header(); }
  void Pass(const ByteSink& sink) const {
    m_png->PassImageData(sink);
    m_passed = true;
  }
  void RequireReadWhole() const {
    if (!m_passed) {
      throw Error(ErrorNumber::InvalidCall, "画像をまだ読み終えていません。");
    }
  }

 private:
  std::shared_ptr<const void> m_reader;  // first: the stream reads through it
  std::unique_ptr<PngStream> m_png;
  mutable bool m_passed = false;
};

class RgbData final : public Picture::Data {
 public:
  explicit RgbData(RgbImage image) : m_image(std::move(image)) {}
  [[nodiscard]] int Width() const override { return static_cast<int>(m_image.width); }
  [[nodiscard]] int Height() const override { return static_cast<int>(m_image.height); }
  [[nodiscard]] const RgbImage& Image() const { return m_image; }
  [[nodiscard]] std::vector<bool> BlankRows() const override { return BlankRowsOf(m_image); }

 private:
  RgbImage m_image;
};

// Rows of `bytesPerPixel` samples per pixel, deflated now and kept by the image data.
ImageData Deflated(const RgbImage& image, const std::vector<std::uint8_t>& rows,
                   int bytesPerPixel) {
  const std::size_t rowBytes = std::size_t{image.width} * static_cast<std::size_t>(bytesPerPixel);
  auto deflated = std::make_shared<const std::vector<std::uint8_t>>(
      DeflateRows(rows.data(), image.height, rowBytes, rowBytes, bytesPerPixel));
  return [deflated](const ByteSink& sink) { sink(*deflated); };
}

// The pixels of a PNG kept whole: 8-bit grey or RGB, its image data sound already.
RgbImage Decoded(const PngData& png, std::size_t budget) {
  const PngHeader& header = png.Header();
  RequireWithinBudget(header.width, header.height, budget);
  PngDecoder decoder(header, {}, {});
  png.Rows([&decoder](std::size_t pass, std::uint32_t row, std::span<const std::uint8_t> samples) {
    decoder.Row(pass, row, samples);
  });
  return decoder.Finish();
}

constexpr PixelLayout kRgb{};

}  // namespace

Picture LightPicture(const Picture& picture, std::size_t budget) {
  std::optional<RgbImage> decoded;
  const RgbImage* image = RgbOf(picture);
  if (const auto* png = dynamic_cast<const PngData*>(picture.Pixels())) {
    if (png->Pixels()) {
      image = &*png->Pixels();
    } else {
      decoded = Decoded(*png, budget);
      image = &*decoded;
    }
  }
  if (image == nullptr) {
    return picture;
  }
  LightPrint light;
  // Rows without padding: the whole picture is one run of pixels.
  light.Look(image->rgb, kRgb, image->alpha);
  if (!light.MostlyDark()) {
    return picture;
  }
  RgbImage turned = decoded ? std::move(*decoded) : *image;
  light.Turn(turned.rgb, kRgb);
  return MakeRgbPicture(std::move(turned));
}

Picture MakePngPicture(std::unique_ptr<PngStream> png, std::shared_ptr<const void> reader) {
  if (png->Passes()) {
    return Picture(std::make_shared<StreamedPngData>(std::move(png), std::move(reader)));
  }
  if (std::optional<PngStream::Kept> kept = png->TakeKept()) {
    return Picture(std::make_shared<PngData>(png->Header(), std::move(*kept), png->TakeDecoded()));
  }
  std::optional<RgbImage> decoded = png->TakeDecoded();
  if (!decoded) {
    throw Error(ErrorNumber::InvalidCall, "PNG ではありません。");
  }
  return MakeRgbPicture(std::move(*decoded));
}

Picture MakeRgbPicture(RgbImage image) {
  if (image.width == 0 || image.height == 0) {
    return {};
  }
  return Picture(std::make_shared<RgbData>(std::move(image)));
}

const RgbImage* RgbOf(const Picture& picture) {
  const auto* data = dynamic_cast<const RgbData*>(picture.Pixels());
  return data != nullptr ? &data->Image() : nullptr;
}

void RequireReadWhole(const Picture& picture) {
  if (const auto* streamed = dynamic_cast<const StreamedPngData*>(picture.Pixels())) {
    streamed->RequireReadWhole();
  }
}

FlateImage FlateImageOf(const Picture& picture) {
  if (const auto* data = dynamic_cast<const PngData*>(picture.Pixels())) {
    const PngHeader& header = data->Header();
    return {header.width, header.height, header.Channels(), data->Data(), {}};
  }
  if (const auto* streamed = dynamic_cast<const StreamedPngData*>(picture.Pixels())) {
    const PngHeader& header = streamed->Header();
    return {header.width,
            header.height,
            header.Channels(),
            [streamed](const ByteSink& sink) { streamed->Pass(sink); },
            {}};
  }
  if (const auto* rgb = dynamic_cast<const RgbData*>(picture.Pixels())) {
    const RgbImage& image = rgb->Image();
    FlateImage flate{image.width, image.height, 3, Deflated(image, image.rgb, 3), {}};
    if (!image.alpha.empty()) {
      flate.opacity = Deflated(image, image.alpha, 1);
    }
    return flate;
  }
  throw Error(ErrorNumber::InvalidPicture);
}

}  // namespace mirablot::pdf
