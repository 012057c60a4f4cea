#include "common/win32/Win32Form.h"

#include <deque>
#include <utility>

namespace common::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"BackupToolsForm";
constexpr wchar_t kTaskClass[] = L"BackupToolsTasks";
constexpr wchar_t kFormProp[] = L"BackupToolsForm";
constexpr UINT kRunTask = WM_APP + 1;

int g_iconId = 0;

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kFormClass;
  RegisterClassExW(&wc);
}

std::deque<std::function<void()>>& Tasks() {
  static std::deque<std::function<void()>> tasks;
  return tasks;
}

LRESULT CALLBACK TaskProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunTask) {
    // One task a message: a task that opens a modal window leaves the next
    // one to that window's loop.
    if (!Tasks().empty()) {
      std::function<void()> task = std::move(Tasks().front());
      Tasks().pop_front();
      task();
    }
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND TaskWindow() {
  static HWND window = [] {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TaskProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTaskClass;
    RegisterClassExW(&wc);
    return CreateWindowExW(0, kTaskClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  }();
  return window;
}

}  // namespace

int SystemDpi() {
  static const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int value = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
  }();
  return dpi;
}

int Twips(int twips) { return MulDiv(twips, SystemDpi(), 1440); }

HFONT FormFont() {
  static HFONT font = CreateFontW(-MulDiv(825, SystemDpi(), 7200), 0, 0, 0, FW_NORMAL, FALSE,
                                  FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                  DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  return font;
}

void SetProgramIcon(int resourceId) { g_iconId = resourceId; }
int ProgramIconId() { return g_iconId; }

HICON ProgramIcon(int pixels) {
  if (!g_iconId) return nullptr;
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(g_iconId),
                                       IMAGE_ICON, pixels, pixels, LR_SHARED));
}

Form::Form() { RegisterClasses(); }

Form::~Form() { DestroyForm(); }

void Form::DestroyForm() {
  if (!hwnd_) return;
  RemovePropW(hwnd_, kFormProp);
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcW));
  DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

Form* Form::FromHwnd(HWND window) {
  return window ? static_cast<Form*>(GetPropW(window, kFormProp)) : nullptr;
}

void Form::CreateForm(const wchar_t* name, const wchar_t* caption, int clientWidth,
                      int clientHeight, DWORD style, DWORD exStyle, HWND owner) {
  RECT frame{0, 0, Twips(clientWidth), Twips(clientHeight)};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  hwnd_ = CreateWindowExW(exStyle, kFormClass, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                          frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                          GetModuleHandleW(nullptr), nullptr);
  SetPropW(hwnd_, kFormProp, this);
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StaticProc));
  controls_.emplace_back(name, hwnd_);
  if (HICON big = ProgramIcon(GetSystemMetrics(SM_CXICON)))
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (HICON small = ProgramIcon(GetSystemMetrics(SM_CXSMICON)))
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

HWND Form::AddControl(const wchar_t* name, const wchar_t* windowClass, const wchar_t* text,
                      DWORD style, TwipRect where, int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style,
                                 Twips(where.left), Twips(where.top), Twips(where.width),
                                 Twips(where.height), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont()), FALSE);
  controls_.emplace_back(name, control);
  return control;
}

HWND Form::Control(std::wstring_view name) const {
  for (const auto& [n, h] : controls_) {
    if (n == name) return h;
  }
  return nullptr;
}

std::vector<std::wstring> Form::TabOrder() const {
  std::vector<std::wstring> names;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    for (const auto& [n, h] : controls_) {
      if (h == child) names.push_back(n);
    }
  }
  return names;
}

std::wstring Form::Text(std::wstring_view control) const {
  HWND window = Control(control);
  if (!window) return {};
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring Form::Caption() const { return Text(controls_.front().first); }

bool Form::PreviewKey(const MSG&) { return false; }

void Form::OnCommand(int, int, HWND) {}

bool Form::OnClose() { return true; }

LRESULT CALLBACK Form::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Form* form = FromHwnd(hwnd);
  if (!form) return DefWindowProcW(hwnd, message, wParam, lParam);
  return form->WndProc(message, wParam, lParam);
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(defaultId_, DC_HASDEFID);
    case WM_CLOSE:
      if (OnClose()) ShowWindow(hwnd_, SW_HIDE);
      return 0;
    case WM_ACTIVATE:
      // A window of plain controls keeps the focus where it was when the
      // user comes back to it, as a dialog does.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
      } else if (savedFocus_ && IsWindow(savedFocus_) && IsWindowEnabled(savedFocus_)) {
        SetFocus(savedFocus_);
        return 0;
      } else if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) {
        SetFocus(first);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void Form::RunModal(HWND owner) {
  const bool ownerEnabled = owner && IsWindowEnabled(owner);
  if (ownerEnabled) EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
  modal_ = true;
  MSG msg;
  bool quit = false;
  while (modal_) {
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) {
      quit = true;
      break;
    }
    DispatchOne(msg);
  }
  modal_ = false;
  // The owner is enabled before this window goes, so that it gets the
  // activation back rather than some other program.
  if (ownerEnabled) EnableWindow(owner, TRUE);
  ShowWindow(hwnd_, SW_HIDE);
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
}

void Form::EndModal() {
  modal_ = false;
  PostMessageW(TaskWindow(), WM_NULL, 0, 0);  // wakes the loop
}

void Form::FocusOn(HWND control) {
  savedFocus_ = control;
  if (GetActiveWindow() == hwnd_) SetFocus(control);
}

void Form::CentreOn(HWND owner) {
  RECT frame;
  GetWindowRect(hwnd_, &frame);
  RECT area;
  if (owner && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::Click(HWND button) {
  if (!button || !IsWindowEnabled(button)) return;
  SendMessageW(hwnd_, WM_COMMAND,
               MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void DispatchOne(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  Form* form = Form::FromHwnd(root);
  if (form && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) &&
      IsWindowEnabled(root) && form->PreviewKey(msg))
    return;
  if (form && IsDialogMessageW(root, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

bool ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    DispatchOne(msg);
  }
  return true;
}

void PostTask(std::function<void()> task) {
  Tasks().push_back(std::move(task));
  PostMessageW(TaskWindow(), kRunTask, 0, 0);
}

HWND ActiveWindowOfThread() {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (GetGUIThreadInfo(GetCurrentThreadId(), &info) && info.hwndActive) return info.hwndActive;
  return GetActiveWindow();
}

}  // namespace common::win32
