#include "compare/core/Options.h"

#include <unistd.h>

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
  if (!path.empty() && path[0] == sep) return path;
  // Without a known current folder a relative path stays relative, rather
  // than being taken for one below the root.
  if (base.empty()) return path;
  if (base.size() == 1 && base[0] == sep) return base + path;

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
  std::vector<char> buffer(4096);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE) return "";
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace compare
