// The Windows helpers of the file-system layer.

#include <io.h>

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common::win32 {

std::wstring Widen(std::string_view text) {
  if (text.empty()) return {};
  int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view text) {
  if (text.empty()) return {};
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

namespace {

// A path the "\\?\" prefix can take as it is: absolute, only "\", no "."
// or ".." part (the prefix turns off every rewriting of the path).
bool IsPlainAbsolute(const std::wstring& w) {
  const bool drive = w.size() >= 3 && w[1] == L':' && w[2] == L'\\';
  const bool unc = w.size() >= 3 && w[0] == L'\\' && w[1] == L'\\' && w[2] != L'?' && w[2] != L'.';
  if (!drive && !unc) return false;
  if (w.find(L'/') != std::wstring::npos) return false;
  for (size_t i = 0; i < w.size();) {
    size_t j = w.find(L'\\', i);
    if (j == std::wstring::npos) j = w.size();
    std::wstring_view part(w.data() + i, j - i);
    if (part == L"." || part == L"..") return false;
    i = j + 1;
  }
  return true;
}

}  // namespace

std::wstring LongPath(const std::string& path) {
  std::wstring w = Widen(path);
  if (w.rfind(L"\\\\?\\", 0) == 0 || w.rfind(L"\\\\.\\", 0) == 0) return w;
  if (!IsPlainAbsolute(w)) {
    // The current folder of the drive, "\" at its root, "." and "..".
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return w;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    full.resize(n);
    w = std::move(full);
  }
  if (w.size() >= 2 && w[0] == L'\\' && w[1] == L'\\') return L"\\\\?\\UNC\\" + w.substr(2);
  if (w.size() >= 2 && w[1] == L':') return L"\\\\?\\" + w;
  return w;
}

std::string LastComponent(std::string_view path) {
  while (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);
  size_t sep = path.find_last_of('\\');
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

namespace {
// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochTicks = 116444736000000000LL;
constexpr int64_t kTicksPerSecond = 10000000;
}  // namespace

FileTime FromFiletime(const FILETIME& ft) {
  int64_t ticks = static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime) -
                  kEpochTicks;
  int64_t sec = ticks / kTicksPerSecond;
  int64_t rest = ticks % kTicksPerSecond;
  if (rest < 0) {
    rest += kTicksPerSecond;
    --sec;
  }
  return FileTime{sec, rest * 100};
}

FILETIME ToFiletime(const FileTime& t) {
  const uint64_t ticks = static_cast<uint64_t>(t.sec * kTicksPerSecond + t.nsec / 100 + kEpochTicks);
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

void FillEntry(EntryInfo& entry, DWORD attributes, DWORD reparseTag, uint64_t size, const FILETIME& written) {
  if (IsLinkLike(attributes, reparseTag))
    entry.kind = EntryKind::Special;  // listed with the files, never opened or entered
  else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    entry.kind = EntryKind::Directory;
  else if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0)
    entry.kind = EntryKind::Special;
  else
    entry.kind = EntryKind::File;
  entry.mode = attributes;
  entry.size = entry.kind == EntryKind::File ? static_cast<int64_t>(size) : 0;
  entry.mtime = FromFiletime(written);
}

DWORD ReparseTagOf(const std::string& path, DWORD attributes, DWORD listedTag) {
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return 0;
  if (listedTag != 0) return listedTag;
  Handle h(::CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if (h.Valid() && ::GetFileInformationByHandleEx(h.Get(), FileAttributeTagInfo, &tag, sizeof tag) &&
      tag.ReparseTag != 0)
    return tag.ReparseTag;
  // A reparse point of unknown kind is taken for a link: never followed.
  return IO_REPARSE_TAG_SYMLINK;
}

int QueryPath(const std::string& path, PathInfo& out) {
  const std::wstring w = LongPath(path);
  WIN32_FIND_DATAW data;
  // FindFirstFile tells a reparse point's tag without opening it; a root
  // ("C:\") is no entry of a folder and is asked for its attributes only.
  HANDLE find = ::FindFirstFileExW(w.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0);
  if (find != INVALID_HANDLE_VALUE) {
    ::FindClose(find);
    out.attributes = data.dwFileAttributes;
    out.reparseTag = ReparseTagOf(path, data.dwFileAttributes, data.dwReserved0);
    out.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    out.written = data.ftLastWriteTime;
    return 0;
  }
  const int findError = LastError();
  WIN32_FILE_ATTRIBUTE_DATA attr;
  if (!::GetFileAttributesExW(w.c_str(), GetFileExInfoStandard, &attr)) return LastError();
  // A wildcard in the name, or a root: what the attributes say.
  if ((attr.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return findError;
  out.attributes = attr.dwFileAttributes;
  out.reparseTag = 0;
  out.size = (static_cast<uint64_t>(attr.nFileSizeHigh) << 32) | attr.nFileSizeLow;
  out.written = attr.ftLastWriteTime;
  return 0;
}

int SetAttributes(const std::string& path, DWORD attributes) {
  if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileAttributesW(LongPath(path).c_str(), attributes) ? 0 : LastError();
}

int DescriptorOf(HANDLE handle) {
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), 0);
  if (fd < 0) ::CloseHandle(handle);
  return fd;
}

HANDLE HandleOf(int descriptor) { return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor)); }

}  // namespace common::win32

namespace common {

std::string fsshared::ParentFolder(const std::string& path) {
  size_t sep = path.find_last_of('\\');
  if (sep == std::string::npos) return path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) : ".";
  // The root of a drive stays with its "\".
  if (sep == 0 || (sep == 2 && path[1] == ':')) return path.substr(0, sep + 1);
  return path.substr(0, sep);
}

std::string FsError::Description() const {
  // The system's text in its own language, without the line end it carries.
  wchar_t* text = nullptr;
  DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                             nullptr, static_cast<DWORD>(number), 0, reinterpret_cast<wchar_t*>(&text), 0,
                             nullptr);
  std::wstring message = n != 0 && text != nullptr ? std::wstring(text, n) : std::wstring();
  if (text != nullptr) ::LocalFree(text);
  while (!message.empty() && (message.back() == L' ' || message.back() == L'\r' || message.back() == L'\n'))
    message.pop_back();
  if (message.empty()) return "Error " + std::to_string(number);
  return win32::Narrow(message);
}

}  // namespace common
