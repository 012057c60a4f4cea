#pragma once
// The log file both programs append their report block to.
// Appended, created when missing, CR LF line ends, names written as the file
// system gives their bytes, and an exclusive lock while a block is written so
// that two runs never interleave their blocks. Writing it never blocks the
// program: only a regular file is written, and another run's lock is waited
// for a bounded time.

#include <chrono>
#include <string>
#include <vector>

#include "common/core/Clock.h"
#include "common/core/FileSystem.h"

namespace common {

// "d/m/yyyy h:nn:ss", e.g. 6/12/2026 17:05:09.
std::string FormatLogDate(const LocalTime& t);

// The block: "Fecha y hora: <date>", "Origen: <origen>", "Destino: <destino>",
// "Modo prueba activado" when testModeLine, the lines, and dashCount "-".
// Control characters in the two folders are escaped as QuotePath does, so
// that each header stays one line.
std::vector<std::string> ComposeLogBlock(const LocalTime& now, const std::string& origen,
                                         const std::string& destino, bool testModeLine,
                                         const std::vector<std::string>& lines, int dashCount);

// How long a block waits for the lock another writer holds on the log.
inline constexpr std::chrono::milliseconds kLogLockWait{10000};

// Appends the lines, each followed by CR LF, under an exclusive lock.
// A relative name is resolved against the current folder. A path that is
// not a regular file (a FIFO, a device, a folder) is refused with ENOTSUP
// (EISDIR for a folder), and a lock still held after lockWait gives
// EWOULDBLOCK. Returns the failure; no error when the whole block is written.
// The file is opened and written through fs (FileSystem::OpenAppend and
// Append), so that faults can be injected into a run's log.
FsError AppendLogBlock(const std::string& fileName, const std::vector<std::string>& lines,
                       std::chrono::milliseconds lockWait = kLogLockWait,
                       const FileSystem& fs = FileSystem());

// The locked write of AppendLogBlock on a descriptor already open for
// appending, which it does not close.
FsError WriteLogBlock(int fd, const std::vector<std::string>& lines,
                      std::chrono::milliseconds lockWait = kLogLockWait);

// Says on standard error that the report could not be written to fileName:
// No se pudo escribir el registro "<fileName>": <description> (<number>)
void ReportLostLog(const std::string& fileName, const FsError& failure);

}  // namespace common
