#include "common/core/RunControl.h"

#include "common/core/Console.h"
#include "common/core/LogWriter.h"
#include "common/core/RunStatus.h"

namespace common {

namespace {

// Appends the block of lines to the log; false, said on standard error,
// when it could not be written.
bool WriteLog(const RunSettings& settings, const Clock& clock, const std::string& origen,
              const std::string& destino, const std::vector<std::string>& lines) {
  if (settings.logFileName.empty()) settings.logFileName = "update.log";
  const FsError e = AppendLogBlock(
      settings.logFileName,
      ComposeLogBlock(clock.Now(), origen, destino, settings.testMode, lines, settings.logDashes));
  if (e) ReportLostLog(settings.logFileName, e);
  return !e;
}

}  // namespace

int RunAndReport(const RunSettings& settings, const Clock& clock, const std::string& origen,
                 const std::string& destino, ErrorList& list, UserInterface& ui,
                 const std::function<bool()>& engine) {
  list.Clear();
  bool cancelled = false;
  try {
    cancelled = engine();
  } catch (const DebugStop& stop) {
    // Unattended, nobody sees standard error: the stop goes to the log,
    // after the lines recorded before it.
    if (settings.unattended) {
      std::vector<std::string> lines = list.Lines();
      lines.push_back(stop.Line());
      WriteLog(settings, clock, origen, destino, lines);
    }
    throw;
  }

  int status = list.Failures() > 0                      ? kExitFailures
               : list.Differences() > 0 || cancelled ? kExitDifferences
                                                       : kExitOk;
  if (list.Count() == 0) return status;

  if (settings.unattended) {
    // A report that cannot be written is a failure of the run.
    if (!WriteLog(settings, clock, origen, destino, list.Lines())) status = kExitFailures;
  } else if (ui.AskToShowErrors(settings.title)) {
    ui.ShowErrorList(list.Lines());
  }
  return status;
}

int ProgramMain(const std::vector<std::string>& args, const ProgramStart& program, WindowFrontEnd* windows) {
  return ProgramMainFromText(BuildArgumentText(args, program.switchNames), program, windows);
}

int ProgramMainFromText(const std::string& argumentText, const ProgramStart& program, WindowFrontEnd* windows) {
  mCmdLine cmd;
  cmd.ParseCommandLine(argumentText);

  ConsoleUserInterface console;
  UserInterface& ui = windows ? windows->Ui() : console;

  std::string origen;
  std::string destino;
  if (!program.readOptions(cmd, origen, destino)) {
    ui.ShowUsage(program.usage);
    return kExitOk;
  }
  // A mistyped switch or a folder too many would otherwise run on what is
  // left, and a mirror run deletes.
  if (std::string problem = CommandLineProblem(cmd, program.switchNames, 2); !problem.empty()) {
    ui.ShowUsageError(problem, program.usage);
    return kExitFailures;
  }

  if (origen.empty() || destino.empty()) {
    if (windows) return windows->RunMainWindow(origen);
    ui.ShowMessage(program.noDisplayTitle, program.noDisplayText);
    return kExitFailures;
  }

  try {
    return program.run(origen, destino, ui);
  } catch (const DebugStop& stop) {
    ui.ShowDebugFailure(stop);
    return kExitDebugStop;
  }
}

}  // namespace common
