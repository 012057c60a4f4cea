#pragma once
// The log file both programs append their report block to.
// Appended, created when missing, CR LF line ends, names written as the file
// system gives their bytes, and an exclusive lock while a block is written so
// that two runs never interleave their blocks.

#include <string>
#include <vector>

#include "common/core/Clock.h"

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

// Appends the lines, each followed by CR LF, under an exclusive lock.
// A relative name is resolved against the current folder. Returns false when
// the file could not be opened or written; the callers report nothing.
bool AppendLogBlock(const std::string& fileName, const std::vector<std::string>& lines);

}  // namespace common
