// How finely a folder's file system keeps modification times, on Windows:
// known from the file system's name (NTFS and ReFS 100 ns, exFAT 10 ms,
// FAT 2 s); for any other, a probe file is given a time and read back.

#include <algorithm>
#include <cwctype>

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common {
namespace {

using namespace win32;

// A probe time with a digit in every decimal place down to 100 ns and an
// odd second, so that each coarser precision keeps less of it.
constexpr FileTime kProbeTime{1234567891, 987654300};

// FILETIME counts 100 ns.
int64_t ProbePrecision(const FileTime& kept) { return PrecisionFromProbe(kProbeTime, kept, 100); }

int64_t PrecisionOfFileSystem(std::wstring name) {
  for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
  if (name == L"NTFS" || name == L"REFS") return 100;
  if (name == L"EXFAT") return 10000000;
  if (name == L"FAT" || name == L"FAT32" || name == L"FAT12" || name == L"FAT16") return 2 * kNanosPerSecond;
  return 0;
}

}  // namespace

FsError FileSystem::ProbeTimePrecision(const Folder& folder, ProbeNaming naming, int64_t& precision) const {
  precision = kNanosPerSecond;
  const std::string probePath = folder.PathOf(kTimeProbeName);
  wchar_t fsName[MAX_PATH + 1] = {};
  if (folder.IsOpen() &&
      ::GetVolumeInformationByHandleW(HandleOf(folder.fd_), nullptr, 0, nullptr, nullptr, nullptr, fsName,
                                      MAX_PATH + 1)) {
    if (int64_t known = PrecisionOfFileSystem(fsName)) {
      // Coarse times that a test asks for count as the file system's.
      if (faults_ != nullptr) known = std::max(known, ProbePrecision(faults_->StoredTime(probePath, kProbeTime)));
      precision = known;
      return {};
    }
  }
  // No unnamed files on Windows: a dry run learns nothing more.
  if (naming == ProbeNaming::AnonymousOnly) return {};

  if (int e = Fault(faults_, FsOp::Open, probePath)) return Failed(e, FsOp::Open, probePath);
  const std::string path = JoinName(folder.Path(), NewTempName());
  const std::wstring w = LongPath(path);
  Handle probe(::CreateFileW(w.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!probe.Valid()) return Failed(LastError(), FsOp::Open, probePath);
  const FILETIME t = ToFiletime(faults_ != nullptr ? faults_->StoredTime(probePath, kProbeTime) : kProbeTime);
  if (int e = Fault(faults_, FsOp::SetTimes, probePath)) return Failed(e, FsOp::SetTimes, probePath);
  if (!::SetFileTime(probe.Get(), nullptr, nullptr, &t)) return Failed(LastError(), FsOp::SetTimes, probePath);
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(probe.Get(), &info)) return Failed(LastError(), FsOp::Lstat, probePath);
  precision = ProbePrecision(FromFiletime(info.ftLastWriteTime));
  return {};  // the probe is deleted as its handle closes
}

}  // namespace common
