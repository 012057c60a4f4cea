// Temporary names of the atomic copy on Windows.

#include <atomic>
#include <chrono>
#include <thread>

#include "common/core/FileSystem.h"
#include "common/core/win32/Win32Detail.h"

namespace common::win32 {

std::string NewTempName() {
  // splitmix64 over the clock, the thread and a counter: distinct from other
  // threads and processes writing alongside.
  static std::atomic<uint64_t> counter{0};
  uint64_t z = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (static_cast<uint64_t>(::GetCurrentProcessId()) << 32) ^
               std::hash<std::thread::id>{}(std::this_thread::get_id()) ^
               (counter.fetch_add(1) * 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = ".~tmp-";
  for (int i = 0; i < 16; ++i) name += kHex[(z >> (4 * i)) & 0xF];
  name += ".part";
  return name;
}

}  // namespace common::win32

namespace common {

bool FileSystem::IsTemporaryName(std::string_view name) {
  constexpr std::string_view prefix = ".~tmp-";
  constexpr std::string_view suffix = ".part";
  if (name.size() != prefix.size() + 16 + suffix.size()) return false;
  if (name.substr(0, prefix.size()) != prefix) return false;
  if (name.substr(name.size() - suffix.size()) != suffix) return false;
  for (char c : name.substr(prefix.size(), 16))
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

}  // namespace common
