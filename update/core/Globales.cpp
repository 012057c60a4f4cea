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
  errorList.Reset();

  UpdateEngine engine(options, errorList, fs_, ui.Progress(), *clock_);
  // Unattended, nobody is asked: an empty source then keeps the copy.
  if (!options.Unattended)
    engine.ConfirmEmptySource = [&ui] { return ui.AskToEmptyDestination("Actualizar"); };
  engine.Update(origen, destino);

  int status = errorList.FailureCount() > 0 ? common::kExitFailures
               : engine.Cancelled           ? common::kExitDifferences
                                            : common::kExitOk;
  if (errorList.ErrorCount() == 0) return status;

  if (options.Unattended) {
    if (options.LogFileName.empty()) options.LogFileName = "update.log";
    // A log that cannot be written is skipped without a message; the exit
    // status still tells a script whether the run had failures.
    common::AppendLogBlock(
        options.LogFileName,
        common::ComposeLogBlock(clock_->Now(), origen, destino, options.TestMode,
                                errorList.Lines(kReportedLines), kLogDashes));
  } else if (ui.AskToShowErrors("Actualizar")) {
    ui.ShowErrorList(errorList.Lines(kReportedLines));
  }
  return status;
}

int UpdateMain(const std::vector<std::string>& args, Globales& g,
               common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  common::mCmdLine cmd;
  cmd.ParseCommandLine(common::BuildArgumentText(args));

  common::ConsoleUserInterface console;
  common::UserInterface& ui = windows ? windows->Ui() : console;

  std::string origen;
  std::string destino;
  if (!ReadOptions(cmd, g.options, origen, destino)) {
    ui.ShowUsage(UsageText());
    return common::kExitOk;
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
    ui.ShowDebugFailure(stop.Number(), stop.Description());
    return common::kExitDebugStop;
  }
}

}  // namespace update
