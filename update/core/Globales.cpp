#include "update/core/Globales.h"

#include "common/core/Console.h"
#include "common/core/LogWriter.h"
#include "common/core/RunStatus.h"
#include "common/core/mCmdLine.h"
#include "update/core/UpdateEngine.h"

namespace update {

Globales::Globales(common::FaultInjector* faults, const common::Clock* clock)
    : clock_(clock ? clock : &systemClock_), fs_(faults) {}

int Globales::RunUpdate(std::string origen, std::string destino, common::UserInterface& ui) {
  if (options.ExpandVars) {
    origen = ExpandPathMacros(std::move(origen), *clock_);
    destino = ExpandPathMacros(std::move(destino), *clock_);
  }
  errorList.Clear();

  UpdateEngine engine(options, errorList, fs_, ui.Progress(), *clock_);
  // Unattended, nobody is asked: an empty source then keeps the copy.
  if (!options.Unattended)
    engine.ConfirmEmptySource = [&ui] { return ui.AskToEmptyDestination("Actualizar"); };
  try {
    engine.Update(origen, destino);
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

  int status = errorList.Failures() > 0 ? common::kExitFailures
               : engine.Cancelled           ? common::kExitDifferences
                                            : common::kExitOk;
  if (errorList.Count() == 0) return status;

  if (options.Unattended) {
    // A report that cannot be written is a failure of the run.
    if (!WriteLog(origen, destino, errorList.Lines())) status = common::kExitFailures;
  } else if (ui.AskToShowErrors("Actualizar")) {
    ui.ShowErrorList(errorList.Lines());
  }
  return status;
}

bool Globales::WriteLog(const std::string& origen, const std::string& destino,
                       const std::vector<std::string>& lines) {
  if (options.LogFileName.empty()) options.LogFileName = "update.log";
  const common::FsError e = common::AppendLogBlock(
      options.LogFileName,
      common::ComposeLogBlock(clock_->Now(), origen, destino, options.TestMode, lines, kLogDashes));
  if (e) common::ReportLostLog(options.LogFileName, e);
  return !e;
}

int UpdateMain(const std::vector<std::string>& args, Globales& g,
               common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  common::mCmdLine cmd;
  cmd.ParseCommandLine(common::BuildArgumentText(args, kSwitchNames));

  common::ConsoleUserInterface console;
  common::UserInterface& ui = windows ? windows->Ui() : console;

  std::string origen;
  std::string destino;
  if (!ReadOptions(cmd, g.options, origen, destino)) {
    ui.ShowUsage(UsageText());
    return common::kExitOk;
  }
  // A mistyped switch or a folder too many would otherwise run on what is
  // left, and a mirror run deletes.
  if (std::string problem = common::CommandLineProblem(cmd, kSwitchNames, 2); !problem.empty()) {
    ui.ShowUsageError(problem, UsageText());
    return common::kExitFailures;
  }

  if (origen.empty() || destino.empty()) {
    if (windows) return windows->RunMainWindow(origen);
    ui.ShowMessage("Actualizar",
                   "update: no hay pantalla para mostrar la ventana principal. "
                   "Indique las dos carpetas: update [opciones] <origen> <destino> "
                   "(update /? muestra la ayuda).");
    return common::kExitFailures;
  }

  try {
    return g.RunUpdate(origen, destino, ui);
  } catch (const common::DebugStop& stop) {
    ui.ShowDebugFailure(stop);
    return common::kExitDebugStop;
  }
}

}  // namespace update
