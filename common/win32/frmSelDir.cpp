#include "common/win32/frmSelDir.h"

#include <shellapi.h>

#include <algorithm>
#include <cwctype>

#include "common/win32/MessageBox.h"

namespace common::win32 {

namespace {

enum ControlId { kDrive1 = 101, kLabel1, kDir1, kAceptar = IDOK, kCancelar = IDCANCEL };

constexpr int kIndentTwips = 120;

std::wstring FullPath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return {};
  std::wstring full(n, L'\0');
  full.resize(GetFullPathNameW(path.c_str(), n, full.data(), nullptr));
  return full;
}

std::wstring CurrentFolder() {
  const DWORD n = GetCurrentDirectoryW(0, nullptr);
  std::wstring folder(n, L'\0');
  folder.resize(GetCurrentDirectoryW(n, folder.data()));
  return folder;
}

std::wstring ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n;
  while ((n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
         path.size())
    path.resize(path.size() * 2);
  path.resize(n);
  return path.substr(0, path.find_last_of(L'\\'));
}

bool SameText(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The part of an absolute path that names its root: "C:\" or "\\server\share\".
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    size_t at = path.find(L'\\', 2);
    if (at != std::wstring::npos) at = path.find(L'\\', at + 1);
    return at == std::wstring::npos ? path.size() : at + 1;
  }
  return std::min<size_t>(3, path.size());
}

bool Readable(const std::wstring& folder) {
  std::wstring pattern = folder;
  if (!pattern.empty() && pattern.back() != L'\\') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

HICON StockIcon(SHSTOCKICONID id) {
  SHSTOCKICONINFO info{};
  info.cbSize = sizeof(info);
  if (SHGetStockIconInfo(id, SHGSI_ICON | SHGSI_SMALLICON, &info) != S_OK) return nullptr;
  return info.hIcon;
}

}  // namespace

std::vector<std::wstring> frmSelDir::LogicalDrives() {
  std::vector<std::wstring> drives;
  const DWORD mask = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (mask & (1u << i)) drives.push_back(std::wstring(1, static_cast<wchar_t>(L'A' + i)) + L":");
  }
  return drives;
}

frmSelDir::frmSelDir(HWND owner, std::vector<std::wstring> drives)
    : ModalForm(owner), drives_(std::move(drives)) {
  CreateForm(L"frmSelDir", L"Form1", 2775, 2895, WS_POPUP | WS_CAPTION | WS_SYSMENU,
             WS_EX_DLGMODALFRAME, owner);
  Drive1 = AddControl(L"Drive1", L"COMBOBOX", L"",
                      WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, {120, 360, 2532, 2000}, kDrive1);
  AddControl(L"Label1", L"STATIC", L"Seleccione una carpeta.", SS_LEFT | SS_NOPREFIX,
             {120, 120, 2412, 252}, kLabel1);
  Dir1 = AddControl(L"Dir1", L"LISTBOX", L"",
                    WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                        LBS_OWNERDRAWFIXED,
                    {120, 720, 2532, 1440}, kDir1, WS_EX_CLIENTEDGE);
  AddControl(L"cmdAceptar", L"BUTTON", L"&Aceptar", WS_TABSTOP | BS_DEFPUSHBUTTON,
             {1440, 2400, 1212, 372}, kAceptar);
  AddControl(L"cmdCancelar", L"BUTTON", L"&Cancelar", WS_TABSTOP | BS_PUSHBUTTON,
             {120, 2400, 1212, 372}, kCancelar);

  for (const std::wstring& drive : drives_) {
    std::wstring shown = drive;
    // Volume names only of fixed drives: asking an empty removable drive
    // may keep the user waiting.
    const std::wstring root = drive + L"\\";
    const UINT type = GetDriveTypeW(root.c_str());
    wchar_t label[MAX_PATH + 1] = {};
    if ((type == DRIVE_FIXED || type == DRIVE_REMOTE) &&
        GetVolumeInformationW(root.c_str(), label, MAX_PATH + 1, nullptr, nullptr, nullptr,
                              nullptr, 0) &&
        label[0])
      shown += std::wstring(L"  [") + label + L"]";
    SendMessageW(Drive1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
  }
  SendMessageW(Drive1, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  openIcon_ = StockIcon(SIID_FOLDEROPEN);
  closedIcon_ = StockIcon(SIID_FOLDER);
}

frmSelDir::~frmSelDir() {
  if (openIcon_) DestroyIcon(openIcon_);
  if (closedIcon_) DestroyIcon(closedIcon_);
}

std::wstring frmSelDir::Drive() const {
  const LRESULT index = SendMessageW(Drive1, CB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<size_t>(index) >= drives_.size()) return {};
  return drives_[static_cast<size_t>(index)];
}

std::wstring frmSelDir::SelDir(const std::wstring& start) {
  const std::wstring own = ProgramFolder();
  // Steps that fail fall back on the program's own folder.
  const std::wstring drive =
      start.size() >= 2 && start[1] == L':' ? start.substr(0, 2) : CurrentFolder().substr(0, 2);
  if (!SetDrive(drive) || !SetDirPath(start)) {
    SetDrive(own.substr(0, 2));
    SetDirPath(own);
  }
  lastGoodDrive_ = Drive();
  result_.clear();

  CentreOn(owner_);
  ShowModal(Dir1);
  return result_;
}

bool frmSelDir::SetDrive(const std::wstring& drive) {
  for (size_t i = 0; i < drives_.size(); ++i) {
    if (SameText(drives_[i], drive)) {
      SendMessageW(Drive1, CB_SETCURSEL, i, 0);
      Drive1_Change();
      return true;
    }
  }
  return false;
}

bool frmSelDir::SetDirPath(const std::wstring& path) {
  // A drive alone ("D:") opens that drive's current folder.
  const std::wstring folder = FullPath(path);
  if (folder.empty()) return false;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      !Readable(folder))
    return false;
  dirPath_ = folder;
  FillFolderList();
  return true;
}

void frmSelDir::FillFolderList() {
  entries_.clear();
  // The open folder's ancestors from its root down, then its subfolders.
  const size_t rootLength = RootLength(dirPath_);
  std::wstring walked = dirPath_.substr(0, rootLength);
  entries_.push_back({walked, walked, 0, true});
  int level = 0;
  size_t at = rootLength;
  while (at < dirPath_.size()) {
    size_t end = dirPath_.find(L'\\', at);
    if (end == std::wstring::npos) end = dirPath_.size();
    if (end > at) {
      const std::wstring part = dirPath_.substr(at, end - at);
      if (walked.back() != L'\\') walked += L'\\';
      walked += part;
      entries_.push_back({part, walked, ++level, true});
    }
    at = end + 1;
  }
  const size_t open = entries_.size() - 1;

  // Hidden and system folders too: both programs treat them like any other.
  std::vector<std::wstring> names;
  std::wstring pattern = dirPath_;
  if (pattern.back() != L'\\') pattern += L'\\';
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileExW((pattern + L"*").c_str(), FindExInfoBasic, &data,
                                 FindExSearchLimitToDirectories, nullptr, 0);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = data.cFileName;
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..")
        continue;
      names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
  });
  for (const std::wstring& name : names) entries_.push_back({name, pattern + name, level + 1, false});

  SendMessageW(Dir1, WM_SETREDRAW, FALSE, 0);
  SendMessageW(Dir1, LB_RESETCONTENT, 0, 0);
  for (size_t i = 0; i < entries_.size(); ++i) SendMessageW(Dir1, LB_ADDSTRING, 0, i);
  SendMessageW(Dir1, LB_SETCURSEL, open, 0);
  // The open folder near the top, with its parent above it.
  SendMessageW(Dir1, LB_SETTOPINDEX, open > 0 ? open - 1 : 0, 0);
  SendMessageW(Dir1, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(Dir1, nullptr, TRUE);
}

std::vector<std::wstring> frmSelDir::FolderEntries() const {
  std::vector<std::wstring> texts;
  for (const Entry& entry : entries_) texts.push_back(entry.text);
  return texts;
}

void frmSelDir::OpenEntry(int index) {
  if (index < 0 || static_cast<size_t>(index) >= entries_.size()) return;
  const std::wstring path = entries_[static_cast<size_t>(index)].path;
  if (path == dirPath_) return;
  if (!SetDirPath(path)) MessageBeep(MB_OK);
}

void frmSelDir::Drive1_Change() {
  const std::wstring drive = Drive();
  if (!drive.empty() && SetDirPath(drive)) {
    lastGoodDrive_ = drive;
    return;
  }
  // Back to the last drive that could be read, the folder list unchanged.
  LRESULT back = -1;
  for (size_t i = 0; i < drives_.size(); ++i) {
    if (!lastGoodDrive_.empty() && SameText(drives_[i], lastGoodDrive_)) back = static_cast<LRESULT>(i);
  }
  SendMessageW(Drive1, CB_SETCURSEL, static_cast<WPARAM>(back), 0);
  ShowInformation(Hwnd(), Caption(), L"No se tiene acceso a la unidad seleccionada.");
}

void frmSelDir::DrawEntry(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemData >= entries_.size()) return;
  const Entry& entry = entries_[item.itemData];
  const bool selected = item.itemState & ODS_SELECTED;
  HDC dc = item.hDC;
  FillRect(dc, &item.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int iconSize = GetSystemMetrics(SM_CXSMICON);
  int x = item.rcItem.left + 2 + entry.level * Twips(kIndentTwips);
  const int height = item.rcItem.bottom - item.rcItem.top;
  if (HICON icon = entry.open ? openIcon_ : closedIcon_) {
    DrawIconEx(dc, x, item.rcItem.top + (height - iconSize) / 2, icon, iconSize, iconSize, 0,
               nullptr, DI_NORMAL);
  }
  x += iconSize + 3;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT text = item.rcItem;
  text.left = x;
  DrawTextW(dc, entry.text.c_str(), static_cast<int>(entry.text.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &item.rcItem);
}

LRESULT frmSelDir::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      measure->itemHeight = std::max(GetSystemMetrics(SM_CYSMICON) + 2, Twips(240));
      return TRUE;
    }
    case WM_DRAWITEM:
      DrawEntry(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    default:
      break;
  }
  return Form::WndProc(message, wParam, lParam);
}

void frmSelDir::OnCommand(int id, int code, HWND) {
  // Enter accepts the folder that is open, wherever the focus is.
  switch (id) {
    case kDrive1:
      if (code == CBN_SELCHANGE) Drive1_Change();
      break;
    case kDir1:
      if (code == LBN_DBLCLK) OpenEntry(static_cast<int>(SendMessageW(Dir1, LB_GETCURSEL, 0, 0)));
      break;
    case kAceptar:
      result_ = dirPath_;
      EndModal();
      break;
    case kCancelar:
      EndModal();
      break;
    default:
      break;
  }
}

std::wstring BrowseFolder(HWND owner, const std::wstring& title, const std::wstring& start) {
  frmSelDir picker(owner);
  SetWindowTextW(picker.Hwnd(), title.c_str());
  return picker.SelDir(start.empty() ? CurrentFolder() : start);
}

}  // namespace common::win32
