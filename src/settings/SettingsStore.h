// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

#include "ports/SettingsBackend.h"

namespace mirablot {

/// Where the program keeps its settings, and the keys it keeps there. Every value is a string.
namespace settings {
inline constexpr std::string_view kApplication = "Quillery";
inline constexpr std::string_view kSection = "Startup";

/// "0" portrait, "1" landscape, "2" chosen from the picture's shape.
inline constexpr std::string_view kOrientation = "Orientation";
/// "1" scales the picture to fit the paper.
inline constexpr std::string_view kZoom = "Zoom";
/// "0" left, "1" centre, "2" right.
inline constexpr std::string_view kPositionH = "PositionH";
/// "0" top, "1" middle, "2" bottom.
inline constexpr std::string_view kPositionV = "PositionV";
/// "1" applies the binding margin on the left edge.
inline constexpr std::string_view kSpace0 = "Space0";
/// "1" applies the binding margin on the top edge.
inline constexpr std::string_view kSpace1 = "Space1";
/// The binding margin's width in millimetres.
inline constexpr std::string_view kSpaceMM = "SpaceMM";
}  // namespace settings

/// Reads and writes the program's settings (application kApplication, section kSection)
/// through the per-user back end. Nothing is cached: every read asks the back end afresh.
class SettingsStore {
 public:
  explicit SettingsStore(SettingsBackend& backend) : m_backend(backend) {}

  /// The stored text, or defaultValue when the key is not stored.
  [[nodiscard]] std::string GetSetting(std::string_view key, std::string_view defaultValue = {});
  /// Stores all entries or, on an Error, none of them.
  void SaveSettings(const SettingEntries& entries);

 private:
  SettingsBackend& m_backend;
};

}  // namespace mirablot
