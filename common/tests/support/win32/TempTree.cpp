// The real folder trees of the tests on Windows, made with Win32 calls
// directly (never through the layer under test). Relative paths may use "/"
// or "\"; Mode and Chmod speak of the file attributes (Chmod: read-only
// when the owner's write bit is missing, as the Linux tests write it).

#include "common/tests/support/TempTree.h"
#include "common/tests/support/Platform.h"

#include <cstdio>
#include <cstring>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "common/core/win32/Win32Detail.h"

#include <winioctl.h>

namespace testsupport {
namespace {

using common::win32::Narrow;
using common::win32::Widen;

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error(what + " " + path + ": error " + std::to_string(::GetLastError()));
}

std::wstring W(const std::string& path) { return common::win32::LongPath(path); }

std::string Backslashed(std::string rel) {
  for (char& c : rel)
    if (c == '/') c = '\\';
  return rel;
}

DWORD AttributesOf(const std::string& path) { return ::GetFileAttributesW(W(path).c_str()); }

void MakeDirs(const std::string& path) {
  if (path.empty() || AttributesOf(path) != INVALID_FILE_ATTRIBUTES) return;
  auto sep = path.rfind('\\');
  if (sep != std::string::npos && sep > 2) MakeDirs(path.substr(0, sep));
  if (!::CreateDirectoryW(W(path).c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) Fail("mkdir", path);
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((W(folder) + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring n = data.cFileName;
    if (n != L"." && n != L"..") names.push_back(Narrow(n));
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

void ReadInto(const std::string& path, std::ostringstream& out) {
  HANDLE h = ::CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("cannot read", path);
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) out.write(buffer, got);
  ::CloseHandle(h);
}

int64_t WriteTimeNsec(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA attr;
  if (!::GetFileAttributesExW(W(path).c_str(), GetFileExInfoStandard, &attr)) Fail("stat", path);
  common::FileTime t = common::win32::FromFiletime(attr.ftLastWriteTime);
  return t.sec * 1000000000 + t.nsec;
}

void Walk(const std::string& abs, const std::string& rel, bool withTimes, std::map<std::string, std::string>& out) {
  for (const auto& n : Names(abs)) {
    std::string a = abs + "\\" + n;
    std::string r = rel.empty() ? n : rel + "/" + n;
    const DWORD attributes = AttributesOf(a);
    std::ostringstream desc;
    char mode[16];
    std::snprintf(mode, sizeof mode, "%04lx", static_cast<unsigned long>(attributes & 0x27));
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      desc << "link " << mode;
    } else if (folder) {
      desc << "dir " << mode;
    } else {
      std::ostringstream content;
      ReadInto(a, content);
      desc << "file " << mode << " [" << content.str() << "]";
    }
    if (withTimes && !folder) desc << " @" << WriteTimeNsec(a);
    out[r] = desc.str();
    if (folder && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) Walk(a, r, withTimes, out);
  }
}

}  // namespace

void RemoveTree(const std::string& path) {
  const DWORD attributes = AttributesOf(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  ::SetFileAttributesW(W(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  // A link or junction goes itself; what it leads to stays.
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
    for (const auto& n : Names(path)) RemoveTree(path + "\\" + n);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    ::RemoveDirectoryW(W(path).c_str());
  else
    ::DeleteFileW(W(path).c_str());
}

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TempTree::TempTree() {
  wchar_t tmp[MAX_PATH + 1];
  DWORD n = ::GetTempPathW(MAX_PATH + 1, tmp);
  if (n == 0) Fail("temp", "");
  std::string base = Narrow(std::wstring(tmp, n));
  if (!base.empty() && base.back() == '\\') base.pop_back();
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = base + "\\bktest." + std::to_string(::GetCurrentProcessId()) + "." +
                       std::to_string(++counter) + "." + std::to_string(::GetTickCount64() % 100000);
    if (::CreateDirectoryW(W(path).c_str(), nullptr)) {
      root_ = path;
      return;
    }
  }
  Fail("mkdtemp", base);
}

TempTree::~TempTree() { RemoveTree(root_); }

std::string TempTree::Path(const std::string& rel) const {
  return rel.empty() ? root_ : root_ + "\\" + Backslashed(rel);
}

void TempTree::MakeDir(const std::string& rel) { MakeDirs(Path(rel)); }

void TempTree::WriteFile(const std::string& rel, const std::string& content, int64_t mtimeSec, int64_t mtimeNsec) {
  std::string p = Path(rel);
  MakeDirs(p.substr(0, p.rfind('\\')));
  HANDLE h = ::CreateFileW(W(p).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("open", p);
  DWORD written = 0;
  const bool ok = content.empty() ||
                  ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  ::CloseHandle(h);
  if (!ok) Fail("write", p);
  if (mtimeSec >= 0) SetMtime(rel, mtimeSec, mtimeNsec);
}

void TempTree::SetMtime(const std::string& rel, int64_t sec, int64_t nsec) {
  const std::string p = Path(rel);
  HANDLE h = ::CreateFileW(W(p).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) Fail("open", p);
  const FILETIME t = common::win32::ToFiletime(common::FileTime{sec, nsec});
  const bool ok = ::SetFileTime(h, nullptr, &t, &t);
  ::CloseHandle(h);
  if (!ok) Fail("settime", p);
}

void TempTree::Symlink(const std::string& rel, const std::string& target) {
  std::string p = Path(rel);
  MakeDirs(p.substr(0, p.rfind('\\')));
  const DWORD attributes = AttributesOf(target.size() > 1 && target[1] == ':' ? target : Path(target));
  DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
  if (!::CreateSymbolicLinkW(W(p).c_str(), Widen(Backslashed(target)).c_str(), flags)) Fail("symlink", p);
}

bool TempTree::FolderLink(const std::string& rel, const std::string& target) {
  // A mount-point reparse point on an empty folder: its data is the NT path
  // of the target ("\\??\\C:\\...") and the path as shown, both NUL-ended.
  const std::string p = Path(rel);
  MakeDirs(p.substr(0, p.rfind('\\')));
  if (!::CreateDirectoryW(W(p).c_str(), nullptr)) Fail("mkdir", p);
  const std::wstring shown = Widen(Path(target));
  const std::wstring nt = L"\\??\\" + shown;
  const size_t ntBytes = nt.size() * sizeof(wchar_t), shownBytes = shown.size() * sizeof(wchar_t);
  std::vector<unsigned char> data(16 + ntBytes + shownBytes + 2 * sizeof(wchar_t));
  auto put16 = [&data](size_t at, size_t value) {
    data[at] = static_cast<unsigned char>(value & 0xFF);
    data[at + 1] = static_cast<unsigned char>(value >> 8);
  };
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(data.data(), &tag, sizeof tag);
  put16(4, data.size() - 8);                   // the length of what follows the header
  put16(8, 0);                                 // the NT path: offset, length
  put16(10, ntBytes);
  put16(12, ntBytes + sizeof(wchar_t));        // the path as shown: offset, length
  put16(14, shownBytes);
  std::memcpy(data.data() + 16, nt.data(), ntBytes);
  std::memcpy(data.data() + 16 + ntBytes + sizeof(wchar_t), shown.data(), shownBytes);
  HANDLE h = ::CreateFileW(W(p).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  DWORD returned = 0;
  const bool made = h != INVALID_HANDLE_VALUE &&
                    ::DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()),
                                      nullptr, 0, &returned, nullptr);
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  if (made && (AttributesOf(p) & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return true;
  ::RemoveDirectoryW(W(p).c_str());
  return false;
}

bool TempTree::MakeSpecial(const std::string& rel) { return FolderLink(rel, ""); }

void TempTree::Chmod(const std::string& rel, unsigned mode) {
  const std::string p = Path(rel);
  DWORD attributes = AttributesOf(p);
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail("stat", p);
  attributes &= FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
  if ((mode & 0200) == 0)
    attributes |= FILE_ATTRIBUTE_READONLY;
  else
    attributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (!::SetFileAttributesW(W(p).c_str(), attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes)) Fail("chmod", p);
}

void TempTree::Remove(const std::string& rel) { RemoveTree(Path(rel)); }

bool TempTree::Exists(const std::string& rel) const { return AttributesOf(Path(rel)) != INVALID_FILE_ATTRIBUTES; }

std::string TempTree::ReadFile(const std::string& rel) const {
  std::ostringstream content;
  ReadInto(Path(rel), content);
  return content.str();
}

unsigned TempTree::Mode(const std::string& rel) const {
  const DWORD attributes = AttributesOf(Path(rel));
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail("stat", Path(rel));
  return attributes & 0xFFF;
}

int64_t TempTree::MtimeNsec(const std::string& rel) const { return WriteTimeNsec(Path(rel)); }

std::map<std::string, std::string> TempTree::Snapshot(const std::string& rel, bool withTimes) const {
  std::map<std::string, std::string> out;
  Walk(Path(rel), "", withTimes, out);
  return out;
}

}  // namespace testsupport
