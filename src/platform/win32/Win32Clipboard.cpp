// SPDX-License-Identifier: MIT
#include "Win32Clipboard.h"

#include <windows.h>

#include <climits>
#include <string>
#include <vector>
#include <wincodec.h>

#include "Win32Dib.h"
#include "Win32Text.h"
#include "core/Error.h"

namespace mirablot::win32 {
namespace {

// Another program may hold the clipboard for a moment (a clipboard manager copying it, say).
constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryMs = 25;

class OpenClipboardScope {
 public:
  OpenClipboardScope() {
    for (int attempt = 1; !OpenClipboard(nullptr); ++attempt) {
      if (attempt == kOpenAttempts) {
        ThrowLastError("クリップボードを開けません", ErrorNumber::ClipboardUnavailable);
      }
      Sleep(kOpenRetryMs);
    }
  }
  ~OpenClipboardScope() { CloseClipboard(); }
  OpenClipboardScope(const OpenClipboardScope&) = delete;
  OpenClipboardScope& operator=(const OpenClipboardScope&) = delete;
};

class GlobalLockScope {
 public:
  explicit GlobalLockScope(HANDLE memory)
      : m_memory(memory), m_data(static_cast<const std::uint8_t*>(GlobalLock(memory))) {
    if (m_data == nullptr) {
      ThrowLastError("クリップボードのデータを読めません", ErrorNumber::ClipboardUnavailable);
    }
  }
  ~GlobalLockScope() { GlobalUnlock(m_memory); }
  GlobalLockScope(const GlobalLockScope&) = delete;
  GlobalLockScope& operator=(const GlobalLockScope&) = delete;

  [[nodiscard]] const std::uint8_t* Data() const { return m_data; }
  [[nodiscard]] std::size_t Size() const { return GlobalSize(m_memory); }

 private:
  HANDLE m_memory;
  const std::uint8_t* m_data;
};

template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (m_pointer != nullptr) {
      m_pointer->Release();
    }
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* operator->() const { return m_pointer; }
  Interface** Out() { return &m_pointer; }
  Interface* Get() const { return m_pointer; }

 private:
  Interface* m_pointer = nullptr;
};

// `source` names the picture in the user's words ("クリップボードの PNG", "ファイル a.txt").
void Check(HRESULT result, const std::string& source, const char* step) {
  if (FAILED(result)) {
    throw Error(ErrorNumber::InvalidPicture, source + " を読めません (" + step + "): " +
                                                 SystemMessage(static_cast<unsigned long>(result)));
  }
}

// The decoded picture must fit in a third of the memory still free, as on the other desktops,
// and in the 4 GB that WIC copies pixels into at most.
void RequireWithinBudget(UINT width, UINT height) {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  const std::uint64_t needed = std::uint64_t{width} * height * 4;
  if (needed > UINT_MAX || (GlobalMemoryStatusEx(&status) && needed > status.ullAvailPhys / 3)) {
    throw Error(ErrorNumber::OutOfMemory, "画像が大きすぎて印刷できません (" +
                                              std::to_string(width) + " × " +
                                              std::to_string(height) + " ピクセル)。");
  }
}

// Windows decodes pictures through its imaging component (WIC); no library of our own needed.
Picture Decode(const std::uint8_t* data, std::size_t size, const std::string& source) {
  if (size > MAXDWORD) {
    throw Error(ErrorNumber::OutOfMemory,
                source + " (" + std::to_string(size) + " バイト) は大きすぎて印刷できません。");
  }
  const HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  struct Uninitialise {
    bool owned;
    ~Uninitialise() {
      if (owned) {
        CoUninitialize();
      }
    }
  } uninitialise{SUCCEEDED(initialised)};

  ComPtr<IWICImagingFactory> factory;
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out())),
        source, "WIC");
  ComPtr<IWICStream> stream;
  Check(factory->CreateStream(stream.Out()), source, "stream");
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(data), static_cast<DWORD>(size)), source,
        "stream");
  ComPtr<IWICBitmapDecoder> decoder;
  Check(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                         decoder.Out()),
        source, "decoder");
  ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.Out()), source, "frame");
  UINT width = 0;
  UINT height = 0;
  Check(frame->GetSize(&width, &height), source, "size");
  RequireWithinBudget(width, height);
  ComPtr<IWICBitmapSource> bgra;
  Check(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(), bgra.Out()), source,
        "convert");
  const UINT stride = width * 4;
  std::vector<std::uint8_t> rows(std::size_t{stride} * height);
  Check(bgra->CopyPixels(nullptr, stride, static_cast<UINT>(rows.size()), rows.data()), source,
        "pixels");
  return Picture(
      DibPicture::FromBgra(static_cast<int>(width), static_cast<int>(height), std::move(rows)));
}

}  // namespace

Picture Win32Clipboard::FetchBitmap() {
  std::vector<std::uint8_t> png;
  {
    const OpenClipboardScope open;
    // CF_DIBV5 keeps alpha where the owner gave it; Windows offers CF_DIB for any bitmap.
    // Either may be one Windows makes from the other on request, which fails when the owner's
    // bitmap is broken: the owner's own format then tells what is wrong with it.
    bool offered = false;
    for (const UINT dibFormat : {UINT{CF_DIBV5}, UINT{CF_DIB}}) {
      if (IsClipboardFormatAvailable(dibFormat)) {
        offered = true;
        if (HANDLE memory = GetClipboardData(dibFormat)) {
          const GlobalLockScope lock(memory);
          return Picture(DibPicture::FromPacked(lock.Data(), lock.Size()));
        }
      }
    }
    if (offered) {
      ThrowLastError("クリップボードのビットマップを取り出せません",
                     ErrorNumber::ClipboardUnavailable);
    }
    const UINT pngFormat = RegisterClipboardFormatW(L"PNG");
    if (pngFormat == 0 || !IsClipboardFormatAvailable(pngFormat)) {
      return {};
    }
    HANDLE memory = GetClipboardData(pngFormat);
    if (memory == nullptr) {
      ThrowLastError("クリップボードの PNG を取り出せません", ErrorNumber::ClipboardUnavailable);
    }
    const GlobalLockScope lock(memory);
    png.assign(lock.Data(), lock.Data() + lock.Size());
  }
  // Decoding takes a while: other programs have the clipboard back first.
  return Decode(png.data(), png.size(), "クリップボードの PNG");
}

Picture Win32PictureFile::FetchBitmap() {
  const bool standardInput = m_path == "-";
  const std::string source = standardInput ? "標準入力の画像" : "ファイル " + m_path;
  HANDLE file = standardInput ? GetStdHandle(STD_INPUT_HANDLE)
                              : CreateFileW(Wide(m_path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || file == nullptr) {
    const DWORD code = GetLastError();
    ThrowLastError(source + " を開けません",
                   code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND
                       ? ErrorNumber::FileNotFound
                       : ErrorNumber::FileAccess);
  }
  const struct Close {
    HANDLE file;
    bool owned;
    ~Close() {
      if (owned) {
        CloseHandle(file);
      }
    }
  } close{file, !standardInput};
  // Standard input is read for as long as it is open: a capture tool waits for the user.
  std::vector<std::uint8_t> bytes;
  std::vector<std::uint8_t> chunk(std::size_t{1} << 20);
  for (DWORD got = 0;; bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got)) {
    if (!ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) {
      if (GetLastError() == ERROR_BROKEN_PIPE) {
        break;  // the writer closed its end: the end of the picture
      }
      ThrowLastError(source + " を読めません", ErrorNumber::FileAccess);
    }
    if (got == 0) {
      break;
    }
    if (bytes.size() + got > MAXDWORD) {
      throw Error(ErrorNumber::OutOfMemory, source + " は大きすぎて印刷できません。");
    }
  }
  return Decode(bytes.data(), bytes.size(), source);
}

}  // namespace mirablot::win32
