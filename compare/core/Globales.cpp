#include "compare/core/Globales.h"

#include <utility>

#include "common/core/Console.h"
#include "common/core/LogWriter.h"
#include "common/core/RunStatus.h"
#include "common/core/mCmdLine.h"
#include "compare/core/CompareEngine.h"

namespace compare {

namespace {

const common::Clock& DefaultClock() {
  static const common::SystemClock clock;
  return clock;
}

constexpr int kLogDashes = 79;

}  // namespace

Globales::Globales(common::FaultInjector* faults) : Globales(faults, DefaultClock()) {}

Globales::Globales(common::FaultInjector* faults, const common::Clock& clock)
    : fs_(faults), clock_(clock) {}

int Globales::RunCompare(std::string origen, std::string destino, bool quick,
                         common::UserInterface& ui) {
  std::string current = CurrentFolder();
  origen = ResolvePath(origen, current);
  destino = ResolvePath(destino, current);
  errorList.Clear();

  CompareEngine engine(options, errorList, fs_, ui.Progress());
  try {
    engine.Compare(origen, destino, quick);
  } catch (const common::DebugStop& stop) {
    // Unattended, nobody sees standard error: the stop goes to the log,
    // after the lines recorded before it.
    if (options.Unattended) {
      std::vector<std::string> lines = errorList.Lines();
      lines.push_back(stop.Line());
      WriteLog(origen, destino, lines);
    }
    throw;
  }

  int status = common::kExitOk;
  if (errorList.Failures() > 0)
    status = common::kExitFailures;
  else if (errorList.Differences() > 0 || engine.Cancelled())
    status = common::kExitDifferences;

  if (errorList.Count() == 0) return status;
  if (options.Unattended) {
    // A report that cannot be written is a failure of the run.
    if (!WriteLog(origen, destino, errorList.Lines())) status = common::kExitFailures;
  } else if (ui.AskToShowErrors("Comparar")) {
    ui.ShowErrorList(errorList.Lines());
  }
  return status;
}

bool Globales::WriteLog(const std::string& origen, const std::string& destino,
                       const std::vector<std::string>& lines) {
  if (options.LogFileName.empty()) options.LogFileName = "update.log";
  const common::FsError e = common::AppendLogBlock(
      options.LogFileName, common::ComposeLogBlock(clock_.Now(), origen, destino, false, lines, kLogDashes));
  if (e) common::ReportLostLog(options.LogFileName, e);
  return !e;
}

int CompareMain(const std::vector<std::string>& args, Globales& g, common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  g.errorList.Clear();

  common::mCmdLine cmd;
  cmd.ParseCommandLine(common::BuildArgumentText(args, kSwitchNames));

  common::ConsoleUserInterface console;
  common::UserInterface& ui = windows ? windows->Ui() : console;

  std::string origen, destino;
  if (!ReadOptions(cmd, g.options, origen, destino, CurrentFolder())) {
    ui.ShowUsage(UsageText());
    return common::kExitOk;
  }
  // A mistyped switch or a folder too many: nothing runs on what is left.
  if (std::string problem = common::CommandLineProblem(cmd, kSwitchNames, 2); !problem.empty()) {
    ui.ShowUsageError(problem, UsageText());
    return common::kExitFailures;
  }
  g.QuickSwitch = cmd.HasOption("q");

  if (!origen.empty() && !destino.empty()) {
    try {
      return g.RunCompare(origen, destino, g.QuickSwitch, ui);
    } catch (const common::DebugStop& stop) {
      ui.ShowDebugFailure(stop);
      return common::kExitDebugStop;
    }
  }
  if (windows) return windows->RunMainWindow(origen);
  console.ShowMessage("Compare",
                      "No hay pantalla disponible para abrir la ventana de Compare. "
                      "Indique la carpeta de origen y la de destino en la línea de órdenes "
                      "(compare /? muestra la ayuda).");
  return common::kExitFailures;
}

}  // namespace compare
