// SPDX-License-Identifier: MIT
// Puts one thing on the Windows clipboard for the end-to-end tests, as another program would,
// says "ready" on stdout and stays until it is stopped: under Wine the clipboard's contents
// live only as long as some program of the session does.
//
//   mirablot-put-clipboard dib FILE.bmp    the bitmap's DIB (the file without its file header)
//   mirablot-put-clipboard png FILE.png    the file under the registered "PNG" format only
//   mirablot-put-clipboard text TEXT       Unicode text
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBmpFileHeader = 14;

bool Put(UINT format, const void* data, std::size_t size) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (memory == nullptr) {
    return false;
  }
  std::memcpy(GlobalLock(memory), data, size);
  GlobalUnlock(memory);
  return SetClipboardData(format, memory) != nullptr;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string kind = argc == 3 ? argv[1] : "";
  std::vector<char> bytes;
  if (kind == "dib" || kind == "png") {
    std::ifstream file(argv[2], std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(file), {});
  }
  // The clipboard's owner is a window; a message-only one will do.
  HWND owner =
      CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (owner == nullptr || !OpenClipboard(owner)) {
    std::fprintf(stderr, "mirablot-put-clipboard: no clipboard (error %lu)\n", GetLastError());
    return 1;
  }
  EmptyClipboard();
  bool put = false;
  if (kind == "dib") {
    put = bytes.size() > kBmpFileHeader &&
          Put(CF_DIB, bytes.data() + kBmpFileHeader, bytes.size() - kBmpFileHeader);
  } else if (kind == "png") {
    put = !bytes.empty() && Put(RegisterClipboardFormatW(L"PNG"), bytes.data(), bytes.size());
  } else if (kind == "text") {
    const int length = MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, argv[2], -1, text.data(), length);
    put = Put(CF_UNICODETEXT, text.c_str(), text.size() * sizeof(wchar_t));
  }
  CloseClipboard();
  if (!put) {
    std::fprintf(stderr, "usage: mirablot-put-clipboard dib|png FILE | text TEXT\n");
    return 2;
  }
  std::puts("ready");
  std::fflush(stdout);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
  return 0;
}
