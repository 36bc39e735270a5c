// SPDX-License-Identifier: MIT
// Runs a fuzz target over the inputs stored in the folders given, without libFuzzer, so the
// targets build and their corpora run in every ordinary test build.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize != nullptr) {
    LLVMFuzzerInitialize(&argc, &argv);
  }
  std::size_t count = 0;
  for (int i = 1; i < argc; ++i) {
    for (const auto& entry : std::filesystem::directory_iterator(argv[i])) {
      std::ifstream stream(entry.path(), std::ios::binary);
      const std::vector<char> bytes{std::istreambuf_iterator<char>(stream), {}};
      // libFuzzer never passes a null pointer, not even for an empty input.
      static const char none = 0;
      LLVMFuzzerTestOneInput(
          reinterpret_cast<const std::uint8_t*>(bytes.empty() ? &none : bytes.data()),
          bytes.size());
      ++count;
    }
  }
  std::cout << "replayed " << count << " inputs\n";
  return count == 0 ? 1 : 0;
}
