#include "compare/core/Options.h"

#ifdef _WIN32
#include "common/core/win32/Win32Detail.h"
#else
#include <unistd.h>
#endif

#include <cerrno>
#include <vector>

#include "common/core/FileFunction.h"

namespace compare {

bool ReadOptions(const common::mCmdLine& cmd, Options& opts, std::string& origen,
                 std::string& destino, const std::string& currentFolder) {
  if (cmd.HasOption("?")) return false;
  opts.DebugMode = cmd.HasOption("debug");
  opts.Unattended = cmd.HasOption("u");
  opts.LogFileName = cmd.GetOptionValue("logfile");
  opts.Quick = cmd.HasOption("q");
  origen = cmd.GetArg(1);
  if (!origen.empty()) origen = ResolvePath(origen, currentFolder);
  destino = cmd.GetArg(2);
  if (!destino.empty()) destino = ResolvePath(destino, currentFolder);
  return true;
}

std::string UsageText() {
  // The text names the command UPDATE, in capitals; it is kept exactly as users know it.
  static const char* const kLines[] = {
      "Compara una carpeta con una copia suya.",
      "",
      "Uso:",
      "    UPDATE /?",
      "    UPDATE [<origen>]",
      "    UPDATE [/u [/logfile:<registro>]] [/q] <origen> <destino>",
      "",
      "/u activa el modo desatendido. La salida se escribe en el archivo de registro.",
      "/logfile:<registro> especifica la ruta y el nombre del archivo de registro.",
      "/q activa el modo de comparación rápida.",
  };
  std::string text;
  for (const char* line : kLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::string ResolvePath(const std::string& path, const std::string& base) {
  constexpr char sep = common::kPathSeparator;
#ifdef _WIN32
  // A drive and its root ("C:\datos") and a network path ("\\servidor\datos")
  // are absolute already.
  if (path.size() >= 3 && path[1] == ':' && path[2] == sep) return path;
  if (path.size() >= 2 && path[0] == sep && path[1] == sep) return path;
  // "D:datos" starts at the current folder of drive D, which the system
  // keeps for each drive.
  if (path.size() >= 2 && path[1] == ':') {
    std::wstring w = common::win32::Widen(path);
    DWORD n = ::GetFullPathNameW(w.c_str(), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring full(n, L'\0');
    n = ::GetFullPathNameW(w.c_str(), n, full.data(), nullptr);
    full.resize(n);
    return common::win32::Narrow(full);
  }
  if (base.empty()) return path;
  if (base.size() == 3 && base[1] == ':' && base[2] == sep) return base + path;
#else
  if (!path.empty() && path[0] == sep) return path;
  // Without a known current folder a relative path stays relative, rather
  // than being taken for one below the root.
  if (base.empty()) return path;
  if (base.size() == 1 && base[0] == sep) return base + path;
#endif

  std::string result = base;
  size_t start = 0;
  for (;;) {
    size_t end = path.find(sep, start);
    std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") {
      result = common::GetParentPath(result);
    } else if (part != ".") {
      result += sep;
      result += part;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // Going up from the first level of an absolute base leaves nothing; the
  // folder meant is the root, not an empty path.
  if (result.empty() && base[0] == sep) result = std::string(1, sep);
  return result;
}

std::string CurrentFolder() {
#ifdef _WIN32
  // The current folder of the current drive, in UTF-8 like every path.
  DWORD n = ::GetCurrentDirectoryW(0, nullptr);
  if (n == 0) return "";
  std::wstring w(n, L'\0');
  n = ::GetCurrentDirectoryW(n, w.data());
  w.resize(n);
  return common::win32::Narrow(w);
#else
  std::vector<char> buffer(4096);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE) return "";
    buffer.resize(buffer.size() * 2);
  }
#endif
}

}  // namespace compare
