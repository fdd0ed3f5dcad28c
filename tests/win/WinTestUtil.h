// Helpers of the Windows tests: dialog templates in memory, message boxes
// answered from inside the test's own thread, pixels of a memory bitmap.
#pragma once

#include <windows.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vsk::test {

// A DLGTEMPLATE with its items, laid out as the system reads it.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy, const wchar_t* title = L"Test",
                 const wchar_t* font = L"MS Shell Dlg", WORD points = 8) {
    style |= DS_SETFONT;
    Put(style);
    Put(DWORD{0});
    countAt_ = words_.size();
    Put(WORD{0});
    for (short v : {short(0), short(0), cx, cy}) Put(static_cast<WORD>(v));
    Put(WORD{0});  // menu
    Put(WORD{0});  // class
    PutText(title);
    Put(points);
    PutText(font);
  }

  // `cls` is one of the predefined atoms (0x80 button, 0x81 edit, 0x82
  // static) or 0 with `className` set.
  DialogTemplate& Add(WORD cls, DWORD style, short x, short y, short cx, short cy, WORD id,
                      const wchar_t* text = L"", const wchar_t* className = nullptr) {
    if (words_.size() % 2) Put(WORD{0});  // DWORD alignment
    Put(style | WS_CHILD | WS_VISIBLE);
    Put(DWORD{0});
    for (short v : {x, y, cx, cy}) Put(static_cast<WORD>(v));
    Put(id);
    if (className) {
      PutText(className);
    } else {
      Put(WORD{0xFFFF});
      Put(cls);
    }
    PutText(text);
    Put(WORD{0});
    ++words_[countAt_];
    return *this;
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Put(WORD w) { words_.push_back(w); }
  void Put(DWORD d) {
    Put(static_cast<WORD>(d & 0xFFFF));
    Put(static_cast<WORD>(d >> 16));
  }
  void PutText(const wchar_t* s) {
    for (; *s; ++s) Put(static_cast<WORD>(*s));
    Put(WORD{0});
  }
  std::vector<WORD> words_;
  size_t countAt_ = 0;
};

inline constexpr WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82;

inline constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);

// While alive, answers every message box of this thread with its first
// button and records caption and text. Works inside the box's own loop,
// since a thread timer's procedure is called from any GetMessage.
class MessageBoxAnswerer {
 public:
  struct Shown {
    std::wstring caption, text;
  };
  MessageBoxAnswerer() {
    current_ = this;
    timer_ = ::SetTimer(nullptr, 0, 30, &Tick);
  }
  ~MessageBoxAnswerer() {
    ::KillTimer(nullptr, timer_);
    current_ = nullptr;
  }
  std::vector<Shown> shown;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, 0);
  }
  static BOOL CALLBACK Visit(HWND wnd, LPARAM) {
    // A message box is a dialog with a static of id 0xFFFF holding the text.
    HWND textWnd = ::GetDlgItem(wnd, 0xFFFF);
    if (!textWnd || !::IsWindowVisible(wnd) || !current_) return TRUE;
    wchar_t caption[256] = {}, text[1024] = {};
    ::GetWindowTextW(wnd, caption, 256);
    ::GetWindowTextW(textWnd, text, 1024);
    current_->shown.push_back({caption, text});
    ::PostMessageW(wnd, WM_COMMAND, IDOK, 0);
    ::PostMessageW(wnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
  }
  static inline MessageBoxAnswerer* current_ = nullptr;
  UINT_PTR timer_ = 0;
};

// A 32-bit DIB section selected into a memory DC, with direct pixel reads.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
    BITMAPINFO bi{};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    RECT r{0, 0, width, height};
    HBRUSH b = ::CreateSolidBrush(fill);
    ::FillRect(dc_, &r, b);
    ::DeleteObject(b);
  }
  ~PixelCanvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    ::GdiFlush();
    const uint32_t p = bits_[y * width_ + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Count(COLORREF c, const RECT& r) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == c;
    return n;
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  int width_, height_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// A window's text, read without sending it a message (so also while its
// thread is busy).
inline std::wstring WindowText(HWND wnd) {
  wchar_t text[1024] = {};
  ::GetWindowTextW(wnd, text, 1024);
  return text;
}

// A file of `size` bytes that takes no room on disk: nothing is written, so
// every byte reads as zero. Long for a scan to read, quick to make.
inline bool MakeSparseFile(const std::wstring& path, long long size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER end{};
  end.QuadPart = size;
  const bool ok = ::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
  ::CloseHandle(file);
  return ok;
}

// Dispatches what is queued for this thread.
inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// While alive, runs `action` once on the first visible window of this
// thread whose class is `cls` (null: any) and whose title is `title`
// (null: any), from inside whatever message loop is running: a modal
// dialog's, a message box's or a menu's.
class WhenShown {
 public:
  WhenShown(const wchar_t* cls, const wchar_t* title, std::function<void(HWND)> action)
      : cls_(cls ? cls : L""), title_(title ? title : L""), anyTitle_(!title), action_(std::move(action)) {
    timer_ = ::SetTimer(nullptr, 0, 30, &Tick);
    live()[timer_] = this;
  }
  ~WhenShown() { Stop(); }
  bool done() const { return done_; }

 private:
  static std::map<UINT_PTR, WhenShown*>& live() {
    static std::map<UINT_PTR, WhenShown*> m;
    return m;
  }
  void Stop() {
    if (!timer_) return;
    ::KillTimer(nullptr, timer_);
    live().erase(timer_);
    timer_ = 0;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD) {
    auto it = live().find(id);
    if (it == live().end()) return;
    WhenShown* self = it->second;
    self->found_ = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &Visit, reinterpret_cast<LPARAM>(self));
    if (!self->found_) return;
    // Stopped first: the action may run a loop of its own.
    self->Stop();
    self->done_ = true;
    self->action_(self->found_);
  }
  static BOOL CALLBACK Visit(HWND wnd, LPARAM l) {
    auto* self = reinterpret_cast<WhenShown*>(l);
    if (!::IsWindowVisible(wnd)) return TRUE;
    wchar_t cls[64] = {}, title[256] = {};
    ::GetClassNameW(wnd, cls, 64);
    ::GetWindowTextW(wnd, title, 256);
    if (!self->cls_.empty() && self->cls_ != cls) return TRUE;
    if (!self->anyTitle_ && self->title_ != title) return TRUE;
    self->found_ = wnd;
    return FALSE;
  }
  std::wstring cls_, title_;
  bool anyTitle_;
  std::function<void(HWND)> action_;
  UINT_PTR timer_ = 0;
  HWND found_ = nullptr;
  bool done_ = false;
};

}  // namespace vsk::test
