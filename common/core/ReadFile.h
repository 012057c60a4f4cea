#pragma once
// A file opened for reading through the file-system layer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "common/core/FsError.h"

namespace common {

class FaultInjector;

// Whether a read is one of the fault checks' reads, or a further piece of
// the read that the last checked call began (a block read in pieces).
enum class ReadCheck { Checked, PartOfLast };

// A file opened for reading; closed when destroyed.
class ReadFile {
 public:
  ReadFile() = default;
  ReadFile(const ReadFile&) = delete;
  ReadFile& operator=(const ReadFile&) = delete;
  ReadFile(ReadFile&& other) noexcept
      : fd_(std::exchange(other.fd_, -1)),
        size_(std::exchange(other.size_, 0)),
        path_(std::move(other.path_)),
        faults_(std::exchange(other.faults_, nullptr)) {}
  ReadFile& operator=(ReadFile&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
      size_ = std::exchange(other.size_, 0);
      path_ = std::move(other.path_);
      faults_ = std::exchange(other.faults_, nullptr);
    }
    return *this;
  }
  ~ReadFile() { Close(); }

  // Reads up to size bytes, looping until size bytes or the end of the file.
  FsError Read(void* buffer, size_t size, size_t& got, ReadCheck check = ReadCheck::Checked);
  int64_t Size() const { return size_; }  // from fstat at open
  bool IsOpen() const { return fd_ >= 0; }
  void Close();  // the platform's close; read-only, so nothing to lose

 private:
  friend class FileSystem;
  int fd_ = -1;
  int64_t size_ = 0;
  std::string path_;
  FaultInjector* faults_ = nullptr;
};

}  // namespace common
