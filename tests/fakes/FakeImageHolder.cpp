// SPDX-License-Identifier: MIT
#include "FakeImageHolder.h"

#include <sstream>
#include <utility>

namespace mirablot::fake {
namespace {
std::string Call(std::string_view name, float value) {
  std::ostringstream text;
  text << "Img." << name << "(" << value << ")";
  return text.str();
}
}  // namespace

void FakeImageHolder::SetPicture(Picture picture) {
  m_log.Add("Img.SetPicture(" + std::to_string(picture.Width()) + "x" +
            std::to_string(picture.Height()) + ")");
  PictureHolder::SetPicture(std::move(picture));
}

const Picture& FakeImageHolder::GetPicture() {
  m_log.Add("Img.GetPicture");
  return PictureHolder::GetPicture();
}

float FakeImageHolder::Width() {
  m_log.Add("Img.Width");
  return PictureHolder::Width();
}

float FakeImageHolder::Height() {
  m_log.Add("Img.Height");
  return PictureHolder::Height();
}

void FakeImageHolder::SetWidth(float width) {
  m_log.Add(Call("SetWidth", width));
  PictureHolder::SetWidth(width);
}

void FakeImageHolder::SetHeight(float height) {
  m_log.Add(Call("SetHeight", height));
  PictureHolder::SetHeight(height);
}

void FakeImageHolder::SetStretch(bool stretch) {
  m_log.Add(stretch ? "Img.SetStretch(true)" : "Img.SetStretch(false)");
  PictureHolder::SetStretch(stretch);
}

}  // namespace mirablot::fake
