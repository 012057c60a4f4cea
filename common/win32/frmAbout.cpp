#include "common/win32/frmAbout.h"

#include <array>
#include <cstdio>

#include "common/win32/MessageBox.h"

namespace common::win32 {

namespace {

enum ControlId { kOK = IDOK, kSysInfo = 100, kOther };

const wchar_t kDisclaimer[] =
    L"$. Esta utilidad se distribuye sin garant\u00eda alguna; su autor no responde de "
    L"ning\u00fan da\u00f1o causado directa o indirectamente por su uso.";

std::wstring Replaced(std::wstring text, wchar_t mark, const std::wstring& with) {
  for (size_t at = text.find(mark); at != std::wstring::npos; at = text.find(mark, at + with.size()))
    text.replace(at, 1, with);
  return text;
}

bool IsNormalFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool GetKeyValue(HKEY root, const std::string& keyName, const std::string& valueName,
                 std::string& value) {
  HKEY key = nullptr;
  bool read = false;
  if (RegOpenKeyExA(root, keyName.c_str(), 0, 0x2003F, &key) == ERROR_SUCCESS) {
    std::array<unsigned char, 1024> buffer{};
    DWORD type = 0;
    DWORD size = buffer.size();
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &type, buffer.data(), &size) ==
        ERROR_SUCCESS) {
      // A value that ends in its terminating zero loses it.
      if (size > 0 && buffer[size - 1] == 0) --size;
      if (type == REG_SZ) {
        value.assign(reinterpret_cast<const char*>(buffer.data()), size);
      } else if (type == REG_DWORD) {
        std::string digits = "&h";
        for (DWORD i = size; i > 0; --i) {
          char hex[4];
          std::snprintf(hex, sizeof hex, "%X", buffer[i - 1]);
          digits += hex;
        }
        value = digits;
      }
      read = true;
    }
  }
  if (key) RegCloseKey(key);
  if (!read) value.clear();
  return read;
}

frmAbout::frmAbout(AboutInfo info, HWND owner) : ModalForm(owner), info_(std::move(info)) {
  CreateForm(L"frmAbout", L"", 5940, 3555, WS_POPUP | WS_CAPTION | WS_SYSMENU,
             WS_EX_DLGMODALFRAME, owner);
  const DWORD label = SS_LEFT | SS_NOPREFIX;
  AddControl(L"cmdOK", L"BUTTON", L"Aceptar", WS_TABSTOP | BS_DEFPUSHBUTTON,
             {4320, 2625, 1500, 345}, kOK);
  HWND picIcon = AddControl(L"picIcon", L"STATIC", L"", SS_ICON | SS_CENTERIMAGE,
                            {240, 240, 540, 540}, kOther);
  AddControl(L"cmdSysInfo", L"BUTTON", L"&Info. del sistema...", WS_TABSTOP | BS_PUSHBUTTON,
             {4320, 3075, 1485, 345}, kSysInfo);
  AddControl(L"lblDescription", L"STATIC", info_.description.c_str(), label,
             {1050, 1125, 3885, 1170}, kOther);
  AddControl(L"lblDisclaimer", L"STATIC", kDisclaimer, label, {240, 2625, 3975, 825}, kOther);
  HWND lblTitle = AddControl(L"lblTitle", L"STATIC", L"T\u00edtulo de la aplicaci\u00f3n", label,
                             {1050, 240, 3885, 480}, kOther);
  AddControl(L"lblVersion", L"STATIC", L"Versi\u00f3n", label, {1050, 780, 3885, 225}, kOther);

  titleFont_ = CreateFontW(-MulDiv(12, SystemDpi(), 72), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                           DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
  SendMessageW(lblTitle, WM_SETFONT, reinterpret_cast<WPARAM>(titleFont_), FALSE);
  if (info_.iconId) {
    // 32 pixels at 96 dpi, more at more dots per inch.
    const int size = MulDiv(32, SystemDpi(), 96);
    icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(info_.iconId),
                                          IMAGE_ICON, size, size, 0));
    SendMessageW(picIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
  }

  // Loading: caption, version (the third of the four numbers is not
  // shown), title, and the disclaimer with the legal notice.
  SetWindowTextW(Hwnd(), (L"Acerca de " + info_.title).c_str());
  SetWindowTextW(Control(L"lblVersion"), (L"Versi\u00f3n " + std::to_wstring(info_.major) + L"." +
                                          std::to_wstring(info_.minor) + L"." +
                                          std::to_wstring(info_.revision))
                                             .c_str());
  SetWindowTextW(lblTitle, info_.title.c_str());
  SetWindowTextW(Control(L"lblDisclaimer"), Replaced(kDisclaimer, L'$', info_.legalNotice).c_str());
  CentreOn(owner);
}

frmAbout::~frmAbout() {
  DestroyForm();  // before the font and icon its labels use
  DeleteObject(titleFont_);
  if (icon_) DestroyIcon(icon_);
}

void frmAbout::Show() { ShowModal(Control(L"cmdOK")); }

bool frmAbout::StartSysInfo(HKEY root) {
  std::string tool;
  if (!GetKeyValue(root, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH", tool)) {
    std::string folder;
    if (GetKeyValue(root, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO", folder) &&
        IsNormalFile(folder + "\\MSINFO32.EXE")) {
      tool = folder + "\\MSINFO32.EXE";
    }
  }
  if (!tool.empty()) {
    // Started in a normal window with the focus; the About box goes on.
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + tool + "\"";
    if (CreateProcessA(tool.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      return true;
    }
  }
  ShowMessageBox(Hwnd(), info_.title,
                 L"La informaci\u00f3n del sistema no est\u00e1 disponible en este momento", MB_OK);
  return false;
}

LRESULT frmAbout::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    // An etched separator: a grey line with a white one just below it.
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Hwnd(), &paint);
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    HPEN white = CreatePen(PS_SOLID, 2, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, grey);
    MoveToEx(dc, Twips(90), Twips(2445), nullptr);
    LineTo(dc, Twips(5654), Twips(2445));
    SelectObject(dc, white);
    MoveToEx(dc, Twips(105), Twips(2460) + 1, nullptr);
    LineTo(dc, Twips(5654), Twips(2460) + 1);
    SelectObject(dc, old);
    DeleteObject(grey);
    DeleteObject(white);
    EndPaint(Hwnd(), &paint);
    return 0;
  }
  return Form::WndProc(message, wParam, lParam);
}

void frmAbout::OnCommand(int id, int, HWND) {
  // Aceptar is both the default and the cancel button.
  if (id == kOK || id == IDCANCEL) EndModal();
  if (id == kSysInfo) StartSysInfo();
}

}  // namespace common::win32
