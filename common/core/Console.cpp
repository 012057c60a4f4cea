#include "common/core/Console.h"

#ifdef _WIN32
#include <io.h>

#include "common/core/win32/Win32Detail.h"
#else
#include <libintl.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace common {
namespace {

// A redraw reads the clock only every this many calls, and draws at most
// this often: ProcessEvents runs once per file.
constexpr unsigned kCallsPerClockRead = 32;
constexpr long long kRedrawIntervalNs = 250'000'000;

// The few calls that differ between the platforms.
#ifdef _WIN32
constexpr int kStdin = 0;
constexpr int kStderr = 2;

long long MonotonicNs() { return static_cast<long long>(::GetTickCount64()) * 1'000'000; }

// A console, not just any character device (the NUL device is one too).
bool IsTerminal(int fd) {
  DWORD mode = 0;
  return ::GetConsoleMode(win32::HandleOf(fd), &mode) != 0;
}

unsigned TerminalColumns(int) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(::GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  return static_cast<unsigned>(info.srWindow.Right - info.srWindow.Left + 1);
}

long WriteSome(int fd, const char* data, size_t size) { return ::_write(fd, data, static_cast<unsigned>(size)); }
#else
constexpr int kStdin = STDIN_FILENO;
constexpr int kStderr = STDERR_FILENO;

long long MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return static_cast<long long>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

unsigned TerminalColumns(int fd) {
  winsize ws{};
  if (::ioctl(fd, TIOCGWINSZ, &ws) == 0) return ws.ws_col;
  return 0;
}

long WriteSome(int fd, const char* data, size_t size) { return ::write(fd, data, size); }
#endif

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    long n = WriteSome(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;  // a progress line is not worth retrying
    done += static_cast<size_t>(n);
  }
}

// A folder name as one terminal line of at most maxColumns characters:
// control bytes become "?", and a long name keeps its end.
std::string FitToLine(const std::string& text, size_t maxColumns) {
  std::string clean;
  clean.reserve(text.size());
  size_t columns = 0;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) c = '?';
    if ((c & 0xC0) != 0x80) ++columns;  // count UTF-8 lead bytes only
    clean += static_cast<char>(c);
  }
  if (columns <= maxColumns) return clean;
  // Drop characters from the front until it fits, after a leading "...".
  size_t drop = columns - maxColumns + 3;
  size_t i = 0;
  while (i < clean.size() && drop > 0) {
    ++i;
    while (i < clean.size() && (static_cast<unsigned char>(clean[i]) & 0xC0) == 0x80) ++i;
    --drop;
  }
  return "..." + clean.substr(i);
}

bool IsYes(const std::string& answer) {
  return answer == "s" || answer == "si" || answer == "s\xC3\xAD" || answer == "s\xC3\x8D" ||
         answer == "y" || answer == "yes";
}

bool IsNo(const std::string& answer) { return answer == "n" || answer == "no"; }

enum class Answer { No, Yes };

// Asks on the terminal until the answer is a yes or a no; an empty line or
// the end of input gives the preset answer, shown in capitals.
bool AskOnTerminal(const std::string& title, const char* question, Answer preset) {
  const bool yes = preset == Answer::Yes;
  for (;;) {
    std::fprintf(stderr, "%s: %s %s ", title.c_str(), question, yes ? "[S/n]" : "[s/N]");
    std::fflush(stderr);
    std::string answer;
    int c;
    bool sawEnd = true;
    while ((c = std::fgetc(stdin)) != EOF) {
      if (c == '\n') {
        sawEnd = false;
        break;
      }
      answer += static_cast<char>(c);
    }
    if (sawEnd && answer.empty()) {
      std::fputc('\n', stderr);
      return yes;  // end of input: the preset answer
    }
    size_t first = answer.find_first_not_of(" \t\r");
    size_t last = answer.find_last_not_of(" \t\r");
    answer = first == std::string::npos ? "" : answer.substr(first, last - first + 1);
    for (char& ch : answer) {
      if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    if (answer.empty()) return yes;
    if (IsYes(answer)) return true;
    if (IsNo(answer)) return false;
    if (sawEnd) return yes;
  }
}

}  // namespace

#ifdef _WIN32
void UseUserMessages() {
  // The system's messages come in its own language (FormatMessageW); the
  // console is told that every text is UTF-8.
  ::SetConsoleOutputCP(CP_UTF8);
  ::SetConsoleCP(CP_UTF8);
  // The progress line is redrawn in place with the terminal sequences.
  HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (::GetConsoleMode(err, &mode)) ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool DisplayAvailable() {
  // A program started from a console (cmd, PowerShell, a script) stays in
  // it, as on Linux; so does one that runs where nobody sees a desktop (a
  // Task Scheduler task that runs whether the user is logged on or not, a
  // service): it never shows a window.
  DWORD processes[2];
  if (::GetConsoleProcessList(processes, 2) > 1) return false;
  USEROBJECTFLAGS flags{};
  HWINSTA station = ::GetProcessWindowStation();
  if (station == nullptr ||
      !::GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
    return false;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}
#else
void UseUserMessages() {
  std::setlocale(LC_MESSAGES, "");
  bind_textdomain_codeset("libc", "UTF-8");
}

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}
#endif

ConsoleProgressView::ConsoleProgressView() : toTerminal_(IsTerminal(kStderr)) {}

ConsoleProgressView::~ConsoleProgressView() {
  if (open_) Close();
}

void ConsoleProgressView::Open(std::function<void()> onCancel) {
  onCancel_ = std::move(onCancel);
  path_.clear();
  bar_ = 0;
  lastDrawNs_ = 0;
  callsSinceClock_ = 0;
  drawn_ = false;
  columns_ = 80;
  if (toTerminal_) {
    if (unsigned columns = TerminalColumns(kStderr); columns > 0) columns_ = columns;
  }
  signals_.Install();
  open_ = true;
}

void ConsoleProgressView::Close() {
  if (!open_) return;
  open_ = false;
  signals_.Restore();
  onCancel_ = nullptr;
  if (drawn_) WriteAll(kStderr, "\r\x1b[K");
  drawn_ = false;
}

void ConsoleProgressView::SetFileLabel(std::string_view) {}

void ConsoleProgressView::SetPathLabel(std::string_view text) { path_.assign(text); }

void ConsoleProgressView::SetBar(float percent) { bar_ = percent; }

void ConsoleProgressView::ProcessEvents() {
  if (CancelSignals::TakePending() && onCancel_) onCancel_();
  if (!toTerminal_ || !open_) return;
  if (++callsSinceClock_ < kCallsPerClockRead) return;
  callsSinceClock_ = 0;
  long long now = MonotonicNs();
  if (now - lastDrawNs_ < kRedrawIntervalNs) return;
  lastDrawNs_ = now;
  Redraw();
}

void ConsoleProgressView::Redraw() {
  char percent[16];
  std::snprintf(percent, sizeof percent, "%5.1f%% ", static_cast<double>(bar_));
  std::string line = "\r";
  line += percent;
  size_t room = columns_ > 9 ? columns_ - 9 : 1;
  line += FitToLine(path_, room);
  line += "\x1b[K";
  WriteAll(kStderr, line);
  drawn_ = true;
}

namespace {

// The usage text's lines are joined by CR LF; a terminal wants LF and a last one.
std::string TerminalText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  if (out.empty() || out.back() != '\n') out += '\n';
  return out;
}

}  // namespace

void ConsoleUserInterface::ShowUsage(const std::string& text) {
  const std::string out = TerminalText(text);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

void ConsoleUserInterface::ShowUsageError(const std::string& problem, const std::string& text) {
  const std::string out = problem + "\n" + TerminalText(text);
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

bool ConsoleUserInterface::AskToShowErrors(const std::string& title) {
  // With no terminal to ask, the list is printed: never silently dropped.
  if (!IsTerminal(kStdin)) return true;
  return AskOnTerminal(title, kErrorQuestion, Answer::Yes);
}

bool ConsoleUserInterface::AskToEmptyDestination(const std::string& title) {
  // With no terminal to ask, the copy is kept.
  if (!IsTerminal(kStdin)) return false;
  return AskOnTerminal(title, kEmptySourceQuestion, Answer::No);
}

void ConsoleUserInterface::ShowErrorList(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
}

void ConsoleUserInterface::ShowDebugFailure(const DebugStop& stop) {
  std::fprintf(stderr, "%s\n", stop.Line().c_str());
  std::fflush(stderr);
}

void ConsoleUserInterface::ShowMessage(const std::string& /*title*/, const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace common
