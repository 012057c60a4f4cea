#include "update/core/Globales.h"

#include "common/core/RunControl.h"
#include "update/core/UpdateEngine.h"

namespace update {

Globales::Globales(common::FaultInjector* faults, const common::Clock* clock)
    : clock_(clock ? clock : &systemClock_), fs_(faults) {}

int Globales::RunUpdate(std::string origen, std::string destino, common::UserInterface& ui) {
  if (options.ExpandVars) {
    origen = ExpandPathMacros(std::move(origen), *clock_);
    destino = ExpandPathMacros(std::move(destino), *clock_);
  }
  const common::RunSettings settings{options.Unattended, options.LogFileName, options.TestMode, kLogDashes,
                                     "Actualizar"};
  return common::RunAndReport(settings, *clock_, origen, destino, errorList, ui, [&] {
    UpdateEngine engine(options, errorList, fs_, ui.Progress(), *clock_);
    // Unattended, nobody is asked: an empty source then keeps the copy.
    if (!options.Unattended)
      engine.ConfirmEmptySource = [&ui] { return ui.AskToEmptyDestination("Actualizar"); };
    engine.Update(origen, destino);
    return engine.Cancelled;
  });
}

namespace {

common::ProgramStart ProgramOf(Globales& g) {
  return {.switchNames = kSwitchNames,
          .usage = UsageText(),
          .readOptions =
              [&g](const common::mCmdLine& cmd, std::string& origen, std::string& destino) {
                return ReadOptions(cmd, g.options, origen, destino);
              },
          .run =
              [&g](const std::string& origen, const std::string& destino, common::UserInterface& ui) {
                return g.RunUpdate(origen, destino, ui);
              },
          .noDisplayTitle = "Actualizar",
          .noDisplayText = "update: no hay pantalla para mostrar la ventana principal. "
                           "Indique las dos carpetas: update [opciones] <origen> <destino> "
                           "(update /? muestra la ayuda)."};
}

}  // namespace

int UpdateMain(const std::vector<std::string>& args, Globales& g, common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  return common::ProgramMain(args, ProgramOf(g), windows);
}

int UpdateMainFromText(const std::string& argumentText, Globales& g, common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  return common::ProgramMainFromText(argumentText, ProgramOf(g), windows);
}

}  // namespace update
