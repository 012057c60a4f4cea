#include "update/core/Options.h"

#include <cctype>
#include <cstdio>
#include <iterator>

namespace update {
namespace {

enum class MacroCase { Exact, AnyCase };

// n with at least width digits, zeros in front.
std::string Digits(int n, int width) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, n);
  return buf;
}

// Replaces every occurrence of marker+letter, scanning from the start; the
// text put in is not scanned again.
void ReplaceMacro(std::string& text, char marker, char letter, MacroCase matching,
                  const std::string& replacement) {
  std::string out;
  bool changed = false;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == marker && i + 1 < text.size()) {
      char c = text[i + 1];
      bool hit = matching == MacroCase::Exact
                     ? c == letter
                     : std::tolower(static_cast<unsigned char>(c)) == letter;
      if (hit) {
        if (!changed) {
          out.assign(text, 0, i);
          changed = true;
        }
        out += replacement;
        i += 2;
        continue;
      }
    }
    if (changed) out += text[i];
    ++i;
  }
  if (changed) text = std::move(out);
}

}  // namespace

int32_t ParseOps(std::string_view letters) {
  int32_t ops = 0;
  for (char ch : letters) {
    const int c = std::tolower(static_cast<unsigned char>(ch));
    ops |= c == 'c' ? OpCreate : c == 'u' ? OpUpdate : c == 'd' ? OpDelete : 0;
  }
  return ops;
}

bool ReadOptions(const common::mCmdLine& cmd, Options& options, std::string& origen,
                 std::string& destino) {
  if (cmd.HasOption("?")) return false;
  options.Unattended = cmd.HasOption("u");
  options.TestMode = cmd.HasOption("test");
  options.DebugMode = cmd.HasOption("debug");
  options.ExpandVars = cmd.HasOption("vars");
  options.CreateTarget = cmd.HasOption("ct") || cmd.HasOption("createtarget");
  options.LogOps = cmd.HasOption("log") ? ParseOps(cmd.GetOptionValue("log")) : 0;
  options.ExecOps = cmd.HasOption("exec") ? ParseOps(cmd.GetOptionValue("exec")) : OpAll;
  options.LogFileName = cmd.GetOptionValue("logfile");
  origen = cmd.GetArg(1);
  destino = cmd.GetArg(2);
  return true;
}

std::string UsageText() {
  static const char* const kLines[] = {
      "Sincroniza una copia de una carpeta con todas sus subcarpetas.",
      "",
      "Uso:",
      "    UPDATE",
      "    UPDATE /?",
      "    UPDATE <origen>",
      "    UPDATE [/u [/logfile:<registro>]] [/test] [/log:{CUD}] [/exec:{CUD}] <origen> <destino>",
      "",
      "/u activa el modo desatendido. La salida se escribe en el archivo de registro.",
      "/logfile:<registro> especifica la ruta y el nombre del archivo de registro.",
      "/test compara las carpetas pero no efectúa ningún cambio. Tiene preferencia sobre /exec.",
      "/log:CUD especifica las operaciones a registrar (C=creción, U=actualización, D=borrado).",
      "    Si no se especifica, sólo se registran los errores graves.",
      "/exec:CUD especifica las operaciones a ejecutar (C=creción, U=actualización, D=borrado).",
      "    Si no se especifica, se ejecutan todas las acciones.",
  };
  std::string text;
  for (size_t i = 0; i < std::size(kLines); ++i) {
    if (i > 0) text += "\r\n";
    text += kLines[i];
  }
  return text;
}

// The clock is read afresh before each macro, as a run near midnight may
// cross a day between two of them.
std::string ExpandPathMacros(std::string path, const common::Clock& clock) {
  if (path.find('$') == std::string::npos) return path;
  ReplaceMacro(path, '$', 'd', MacroCase::Exact, Digits(clock.Now().day, 2));
  ReplaceMacro(path, '$', 'w', MacroCase::Exact, std::to_string(clock.Now().weekday + 1));
  ReplaceMacro(path, '$', 'm', MacroCase::Exact, Digits(clock.Now().month, 2));
  ReplaceMacro(path, '$', 'y', MacroCase::Exact, Digits(clock.Now().year, 4));
  ReplaceMacro(path, '$', '$', MacroCase::Exact, "$");
  return path;
}

std::string ExpandPercentMacros(std::string path, const common::Clock& clock) {
  if (path.find('%') == std::string::npos) return path;
  ReplaceMacro(path, '%', 'd', MacroCase::AnyCase, Digits(clock.Now().day, 2));
  // LocalTime counts Sunday as 0; here Monday is 1 and Sunday 7.
  int weekday = clock.Now().weekday;
  ReplaceMacro(path, '%', 'w', MacroCase::AnyCase, std::to_string(weekday == 0 ? 7 : weekday));
  ReplaceMacro(path, '%', 'm', MacroCase::AnyCase, Digits(clock.Now().month, 2));
  ReplaceMacro(path, '%', 'y', MacroCase::AnyCase, Digits(clock.Now().year, 4));
  ReplaceMacro(path, '%', '%', MacroCase::AnyCase, "%");
  return path;
}

}  // namespace update
