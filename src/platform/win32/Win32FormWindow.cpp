// SPDX-License-Identifier: MIT
#include "Win32FormWindow.h"

#include <algorithm>
#include <cmath>
#include <commctrl.h>
#include <imm.h>
#include <string>

#include "Win32ScreenMetrics.h"
#include "Win32Text.h"
#include "core/Bitmap.h"
#include "core/Conversions.h"
#include "forms/ErrorHandling.h"
#include "forms/Form.h"
#include "forms/Utf16Caret.h"
#include "ports/Windowing.h"

namespace mirablot::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"MirablotForm";
constexpr wchar_t kPictureClass[] = L"MirablotPicture";
constexpr int kFirstControlId = 100;
constexpr int kDialogFontPoints = 9;
constexpr int kComboListRows = 8;
// The fonts Japanese Windows draws its dialogs with, newest first; IPA Gothic for Wine.
constexpr const wchar_t* kDialogFaces[] = {L"Yu Gothic UI", L"Meiryo UI", L"MS UI Gothic",
                                           L"IPAGothic", L"IPAゴシック"};

bool FontInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  HDC screen = GetDC(nullptr);
  bool found = false;
  EnumFontFamiliesExW(
      screen, &wanted,
      [](const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM flag) -> int {
        *reinterpret_cast<bool*>(flag) = true;
        return 0;
      },
      reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

HFONT CreateDialogFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  for (const wchar_t* face : kDialogFaces) {
    if (FontInstalled(face)) {
      wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
      font.lfCharSet = SHIFTJIS_CHARSET;
      break;
    }
  }
  font.lfHeight = -MulDiv(kDialogFontPoints, static_cast<int>(dpi), 72);
  font.lfWidth = 0;
  return CreateFontIndirectW(&font);
}

}  // namespace

// A picture control's pixels, ready for GDI: top-down BGRA, transparent parts in the window's
// face colour.
struct PaintingPixels {
  BITMAPINFO info{};
  std::vector<std::uint32_t> pixels;
};

namespace {

PaintingPixels ToPixels(const Bitmap& bitmap, COLORREF transparent) {
  // A COLORREF is 0x00BBGGRR; a 32-bit DIB pixel is 0xAARRGGBB, as the palette.
  const std::uint32_t face = (std::uint32_t{GetRValue(transparent)} << 16) |
                             (std::uint32_t{GetGValue(transparent)} << 8) | GetBValue(transparent);
  PaintingPixels result;
  result.info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  result.info.bmiHeader.biWidth = bitmap.width;
  result.info.bmiHeader.biHeight = -bitmap.height;
  result.info.bmiHeader.biPlanes = 1;
  result.info.bmiHeader.biBitCount = 32;
  result.info.bmiHeader.biCompression = BI_RGB;
  result.pixels.reserve(bitmap.pixels.size());
  for (const std::uint8_t index : bitmap.pixels) {
    const std::uint32_t argb = bitmap.palette[index];
    result.pixels.push_back((argb >> 24) == 0 ? face : argb);
  }
  return result;
}

HICON CreateIconFrom(const Bitmap& bitmap) {
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof header;
  header.bV5Width = bitmap.width;
  header.bV5Height = -bitmap.height;
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (colour == nullptr) {
    return nullptr;
  }
  auto* pixels = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < bitmap.pixels.size(); ++i) {
    pixels[i] = bitmap.palette[bitmap.pixels[i]];
  }
  HBITMAP mask = CreateBitmap(bitmap.width, bitmap.height, 1, 1, nullptr);
  ICONINFO icon{TRUE, 0, 0, mask, colour};
  HICON result = CreateIconIndirect(&icon);
  DeleteObject(mask);
  DeleteObject(colour);
  return result;
}

// The picture at natural size (scaled with the window's DPI) from the top-left corner, cut off
// at the edges, inside a one-pixel black border.
void PaintPicture(HWND window, HDC dc) {
  RECT area;
  GetClientRect(window, &area);
  FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
  if (const auto* pixels =
          reinterpret_cast<const PaintingPixels*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
    const UINT dpi = GetDpiForWindow(window);
    const int width = pixels->info.bmiHeader.biWidth;
    const int height = -pixels->info.bmiHeader.biHeight;
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchDIBits(dc, 0, 0, MulDiv(width, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI),
                  MulDiv(height, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI), 0, 0, width,
                  height, pixels->pixels.data(), &pixels->info, DIB_RGB_COLORS, SRCCOPY);
  }
  FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

LRESULT CALLBACK PictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST:
      return HTTRANSPARENT;  // clicks go to what lies beneath, as on a painted picture
    case WM_PAINT: {
      PAINTSTRUCT paint;
      PaintPicture(window, BeginPaint(window, &paint));
      EndPaint(window, &paint);
      return 0;
    }
    case WM_PRINTCLIENT:  // PrintWindow, and whoever wants the picture in a DC of its own
      PaintPicture(window, reinterpret_cast<HDC>(wParam));
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

// Once, for the first window: a print that shows none does not pay for it.
void RegisterClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = DefWindowProcW;  // replaced per window once it knows its FormWindow
    form.hInstance = GetModuleHandleW(nullptr);
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);
    WNDCLASSEXW picture = form;
    picture.lpfnWndProc = PictureProcedure;
    picture.lpszClassName = kPictureClass;
    RegisterClassExW(&picture);
    return true;
  }();
  static_cast<void>(registered);
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

FormWindow::FormWindow(Form& form, Windowing& windowing) : m_form(form), m_windowing(windowing) {
  RegisterClasses();
  POINT cursor{};
  GetCursorPos(&cursor);
  HMONITOR monitor = MonitorFromPoint(cursor, MONITOR_DEFAULTTOPRIMARY);
  m_dpi = static_cast<UINT>(ScreenDotsPerInch(false));
  const FormDesign& design = form.Design();
  // Fixed size, and no dialog frame, so that the caption shows the program's icon.
  constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;
  constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;
  RECT frame{0, 0, Pixels(design.clientWidth), Pixels(design.clientHeight)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
  MONITORINFO screen{};
  screen.cbSize = sizeof screen;
  GetMonitorInfoW(monitor, &screen);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const RECT& work = screen.rcWork;
  m_window = CreateWindowExW(kExStyle, kFormClass, Wide(design.caption).c_str(), kStyle,
                             work.left + (work.right - work.left - width) / 2,
                             work.top + (work.bottom - work.top - height) / 2, width, height,
                             nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (m_window == nullptr) {
    ThrowLastError("ウィンドウを作れません", ErrorNumber::OutOfMemory);
  }
  SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FormWindow::Procedure));
  // Windows may have put it on a screen of another DPI than the primary one.
  const UINT windowDpi = GetDpiForWindow(m_window);
  if (windowDpi != 0 && windowDpi != m_dpi) {
    m_dpi = windowDpi;
    frame = {0, 0, Pixels(design.clientWidth), Pixels(design.clientHeight)};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, m_dpi);
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (design.icon != nullptr) {
    m_icon = CreateIconFrom(*design.icon);
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
  }
  m_font = CreateDialogFont(m_dpi);
  try {
    Build();
  } catch (...) {
    Release();  // a destructor does not run for a half-made window
    throw;
  }
  Arrange();
}

FormWindow::~FormWindow() {
  Release();
}

void FormWindow::Release() {
  Detach();
  if (m_window != nullptr) {
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
  }
  if (m_font != nullptr) {
    DeleteObject(m_font);
  }
  if (m_icon != nullptr) {
    DestroyIcon(m_icon);
  }
  m_window = nullptr;
  m_font = nullptr;
  m_icon = nullptr;
}

int FormWindow::Pixels(float twips) const {
  return static_cast<int>(std::lround(twips * static_cast<float>(m_dpi) / kTwipsPerInch));
}

HWND FormWindow::HandleOf(const Control& control) const {
  const auto found =
      std::find_if(m_children.begin(), m_children.end(),
                   [&control](const Child& child) { return child.control == &control; });
  return found != m_children.end() ? found->window : nullptr;
}

Control* FormWindow::ControlOf(int id) const {
  if (id == IDOK) {
    // Enter on a focused push button presses that button, as in a dialog; elsewhere the default.
    HWND focus = GetFocus();
    for (const Child& child : m_children) {
      if (child.window == focus && dynamic_cast<CommandButton*>(child.control) != nullptr) {
        return child.control;
      }
    }
  }
  if (id == IDOK || id == IDCANCEL) {
    return ButtonWithRole(m_form, id == IDOK ? ButtonRole::Default : ButtonRole::Cancel);
  }
  const int index = id - kFirstControlId;
  return index >= 0 && index < static_cast<int>(m_children.size())
             ? m_children[static_cast<std::size_t>(index)].control
             : nullptr;
}

void FormWindow::Build() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  for (Control* control : m_form.Controls()) {
    const ControlDesign& design = control->Design();
    const wchar_t* className = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    std::wstring text = Wide(design.caption);
    int id = kFirstControlId + static_cast<int>(m_children.size());
    // What the child window is, and what it needs once it exists.
    std::function<void(HWND)> finish = [](HWND /*child*/) {};
    VisitControl(
        *control,
        Overloaded{
            [&](GroupBox& /*box*/) { style |= BS_GROUPBOX; },
            [&](OptionButton& /*option*/) { style |= BS_RADIOBUTTON; },  // the model decides
            [&](CheckBox& /*check*/) { style |= BS_3STATE; },  // greyed may come from the settings
            [&](ComboBox& list) {
              className = L"COMBOBOX";
              style |= CBS_DROPDOWNLIST | WS_VSCROLL;
              text.clear();
              finish = [&list](HWND child) {
                for (const std::string& item : list.Items()) {
                  SendMessageW(child, CB_ADDSTRING, 0,
                               reinterpret_cast<LPARAM>(Wide(item).c_str()));
                }
              };
            },
            [&](TextBox& box) {
              const TextBoxStyle& boxStyle = box.Style();
              className = L"EDIT";
              style |= ES_AUTOHSCROLL | (boxStyle.alignment == TextAlignment::Right    ? ES_RIGHT
                                         : boxStyle.alignment == TextAlignment::Center ? ES_CENTER
                                                                                       : ES_LEFT);
              text.clear();
              finish = [&boxStyle](HWND child) {
                if (boxStyle.maxLength > 0) {
                  SendMessageW(child, EM_LIMITTEXT, static_cast<WPARAM>(boxStyle.maxLength), 0);
                }
                if (!boxStyle.inputMethod) {
                  ImmAssociateContextEx(child, nullptr, 0);
                }
              };
            },
            [&](CommandButton& command) {
              const ButtonRole role = command.Role();
              style |= role == ButtonRole::Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
              // Enter and Escape arrive as these two ids.
              id = role == ButtonRole::Default ? IDOK : role == ButtonRole::Cancel ? IDCANCEL : id;
            },
            [&](ImageBox& image) {
              className = kPictureClass;
              text.clear();
              finish = [this, &image](HWND child) {
                m_paintings.push_back(std::make_unique<PaintingPixels>(
                    ToPixels(image.Picture(), GetSysColor(COLOR_BTNFACE))));
                SetWindowLongPtrW(child, GWLP_USERDATA,
                                  reinterpret_cast<LONG_PTR>(m_paintings.back().get()));
              };
            },
        });
    if (design.tabIndex && control->Kind() != ControlKind::GroupBox &&
        control->Kind() != ControlKind::Image) {
      style |= WS_TABSTOP;
    }
    const DWORD exStyle = control->Kind() == ControlKind::TextBox ? WS_EX_CLIENTEDGE : 0;
    HWND child =
        CreateWindowExW(exStyle, className, text.c_str(), style, 0, 0, 0, 0, m_window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (child == nullptr) {
      ThrowLastError("ウィンドウの部品を作れません", ErrorNumber::OutOfMemory);
    }
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    m_children.push_back({control, child});
    finish(child);
    for (const ControlProperty property : {ControlProperty::Value, ControlProperty::Caret,
                                           ControlProperty::Enabled, ControlProperty::Geometry}) {
      Mirror(*control, property);
    }
    control->SetObserver([this, control](ControlProperty property) { Mirror(*control, property); });
  }
}

// Windows takes both the tab order and the drawing order from the order of siblings: the
// design's tab order first, then the rest, then pictures (later ones above earlier ones),
// then the frames beneath everything.
void FormWindow::Arrange() {
  std::vector<const Child*> order;
  const auto rank = [](const Child& child) {
    switch (child.control->Kind()) {
      case ControlKind::GroupBox:
        return 3;
      case ControlKind::Image:
        return 2;
      default:
        return child.control->Design().tabIndex ? 0 : 1;
    }
  };
  for (const Child& child : m_children) {
    order.push_back(&child);
  }
  std::stable_sort(order.begin(), order.end(), [&rank](const Child* a, const Child* b) {
    if (rank(*a) != rank(*b)) {
      return rank(*a) < rank(*b);
    }
    if (rank(*a) == 0) {
      return *a->control->Design().tabIndex < *b->control->Design().tabIndex;
    }
    return rank(*a) == 2 && a > b;  // pictures: the later above
  });
  HWND previous = HWND_TOP;
  for (const Child* child : order) {
    SetWindowPos(child->window, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    previous = child->window;
  }
}

void FormWindow::Present() {
  ShowWindow(m_window, SW_SHOWNORMAL);
  SetForegroundWindow(m_window);
  HWND first = GetNextDlgTabItem(m_window, nullptr, FALSE);
  if (first != nullptr) {
    SetFocus(first);
  }
}

void FormWindow::Hide() {
  ShowWindow(m_window, SW_HIDE);
}

void FormWindow::Detach() {
  if (!m_attached) {
    return;
  }
  m_attached = false;
  for (Control* control : m_form.Controls()) {
    control->SetObserver({});
  }
}

void FormWindow::Place(const Control& control) {
  HWND child = HandleOf(control);
  float left = control.Left();
  float top = control.Top();
  for (const GroupBox* frame = control.Design().container; frame != nullptr;
       frame = frame->Design().container) {
    left += frame->Left();
    top += frame->Top();
  }
  int height = Pixels(control.Height());
  if (control.Kind() == ControlKind::ComboBox) {
    // A drop-down list's window height includes its open list.
    height += kComboListRows * static_cast<int>(SendMessageW(child, CB_GETITEMHEIGHT, 0, 0));
  }
  SetWindowPos(child, nullptr, Pixels(left), Pixels(top), Pixels(control.Width()), height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (control.Kind() == ControlKind::GroupBox) {
    for (const Child& inner : m_children) {
      if (inner.control->Design().container == &control) {
        Place(*inner.control);
      }
    }
  }
}

void FormWindow::Mirror(const Control& control, ControlProperty property) {
  HWND child = HandleOf(control);
  if (child == nullptr) {
    return;
  }
  m_mirroring = true;
  switch (property) {
    case ControlProperty::Enabled:
      EnableWindow(child, control.Enabled() ? TRUE : FALSE);
      break;
    case ControlProperty::Geometry:
      Place(control);
      break;
    case ControlProperty::Value:
    case ControlProperty::Caret:
      VisitControl(
          control,
          Overloaded{
              [child](const OptionButton& option) {
                SendMessageW(child, BM_SETCHECK, option.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
              },
              [child](const CheckBox& check) {
                const std::int16_t value = check.Value();
                SendMessageW(child, BM_SETCHECK,
                             value == CheckBox::kChecked  ? BST_CHECKED
                             : value == CheckBox::kGrayed ? BST_INDETERMINATE
                                                          : BST_UNCHECKED,
                             0);
              },
              [child](const ComboBox& list) {
                SendMessageW(child, CB_SETCURSEL, static_cast<WPARAM>(list.ListIndex()), 0);
              },
              [child](const TextBox& box) {
                const std::wstring text = Wide(box.Text());
                if (WindowText(child) != text) {
                  SetWindowTextW(child, text.c_str());
                }
                const auto caret =
                    UnitsBefore(Utf16(text), static_cast<std::size_t>(box.SelStart()));
                SendMessageW(child, EM_SETSEL, caret, static_cast<LPARAM>(caret));
              },
              [](const Control& /*rest*/) {},
          });
      break;
  }
  m_mirroring = false;
}

void FormWindow::ApplyDpi(UINT dpi) {
  m_dpi = dpi;
  HFONT old = m_font;
  m_font = CreateDialogFont(dpi);
  for (const Child& child : m_children) {
    SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
  }
  if (old != nullptr) {
    DeleteObject(old);
  }
  for (const Child& child : m_children) {
    Place(*child.control);
  }
}

void FormWindow::Forward(const std::function<void()>& input) {
  HandleUserInput(m_windowing, input);
}

void FormWindow::OnCommand(int id, int code) {
  Control* control = ControlOf(id);
  if (control == nullptr) {
    if (id == IDCANCEL) {
      Forward([this] { m_windowing.Unload(m_form); });  // Escape without a cancel button
    }
    return;
  }
  if (!m_attached || m_mirroring || !control->Enabled()) {
    return;
  }
  HWND child = HandleOf(*control);
  const bool clicked = code == BN_CLICKED;
  VisitControl(*control, Overloaded{
                             [&](OptionButton& option) {
                               if (clicked) {
                                 Forward([&option] { option.Click(); });
                               }
                             },
                             [&](CheckBox& check) {
                               if (clicked) {
                                 Forward([&check] { check.Click(); });
                               }
                             },
                             [&](CommandButton& command) {
                               if (clicked) {
                                 Forward([&command] { command.Press(); });
                               }
                             },
                             [&](ComboBox& list) {
                               if (code == CBN_SELCHANGE) {
                                 const auto index = static_cast<std::int16_t>(
                                     SendMessageW(child, CB_GETCURSEL, 0, 0));
                                 Forward([&list, index] { list.Choose(index); });
                               }
                             },
                             [&](TextBox& box) {
                               if (code != EN_CHANGE) {
                                 return;
                               }
                               const std::wstring text = WindowText(child);
                               if (HasLoneSurrogate(Utf16(text))) {
                                 return;
                               }
                               DWORD caret = 0;
                               SendMessageW(child, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
                               const auto characters = CharactersBefore(Utf16(text), caret);
                               Forward([&box, &text, characters] {
                                 box.Edit(Utf8(text), static_cast<int>(characters));
                               });
                             },
                             [](Control& /*rest*/) {},
                         });
}

LRESULT CALLBACK FormWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self != nullptr ? self->OnMessage(message, wParam, lParam)
                         : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_CLOSE:
      // The close box unloads the form; hiding is the windowing layer's business.
      if (m_attached) {
        Forward([this] { m_windowing.Unload(m_form); });
      }
      return 0;
    case WM_ACTIVATE:
      // Focus comes back to where the user left it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        m_lastFocus = GetFocus();
      } else if (m_lastFocus != nullptr && IsChild(m_window, m_lastFocus)) {
        SetFocus(m_lastFocus);
        return 0;
      }
      break;
    case WM_DPICHANGED: {
      ApplyDpi(HIWORD(wParam));
      const auto* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                   suggested->right - suggested->left, suggested->bottom - suggested->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace mirablot::win32
