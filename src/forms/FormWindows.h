// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace mirablot {

class Form;

/// The windows a desktop has made for its loaded forms, one each. A window whose form unloads
/// stops mirroring it and hides at once, but is destroyed only by DropRetired: it may be
/// handling the very event that unloaded its form. A Window has Detach() and Hide().
template <typename Window>
class FormWindows {
 public:
  void Add(const Form& form, std::unique_ptr<Window> window) {
    m_windows[&form] = std::move(window);
  }

  /// The window showing the form, or nullptr.
  [[nodiscard]] Window* Of(const Form& form) const {
    const auto found = m_windows.find(&form);
    return found != m_windows.end() ? found->second.get() : nullptr;
  }

  /// True when some window of a loaded form satisfies the test.
  template <typename Test>
  [[nodiscard]] bool Any(Test&& test) const {
    return std::any_of(m_windows.begin(), m_windows.end(),
                       [&test](const auto& entry) { return test(*entry.second); });
  }

  void Retire(const Form& form) {
    if (const auto found = m_windows.find(&form); found != m_windows.end()) {
      found->second->Detach();
      found->second->Hide();
      m_retired.push_back(std::move(found->second));
      m_windows.erase(found);
    }
  }

  /// Destroys the retired windows; only where none of their events can be running.
  void DropRetired() { m_retired.clear(); }

 private:
  std::map<const Form*, std::unique_ptr<Window>> m_windows;
  std::vector<std::unique_ptr<Window>> m_retired;
};

}  // namespace mirablot
