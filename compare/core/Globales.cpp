#include "compare/core/Globales.h"

#include <utility>

#include "common/core/RunControl.h"
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
  const common::RunSettings settings{options.Unattended, options.LogFileName, false, kLogDashes, "Comparar"};
  return common::RunAndReport(settings, clock_, origen, destino, errorList, ui, [&] {
    CompareEngine engine(options, errorList, fs_, ui.Progress());
    engine.Compare(origen, destino, quick);
    return engine.Cancelled();
  });
}

namespace {

common::ProgramStart ProgramOf(Globales& g) {
  g.errorList.Clear();
  return {.switchNames = kSwitchNames,
          .usage = UsageText(),
          .readOptions =
              [&g](const common::mCmdLine& cmd, std::string& origen, std::string& destino) {
                return ReadOptions(cmd, g.options, origen, destino, CurrentFolder());
              },
          .run =
              [&g](const std::string& origen, const std::string& destino, common::UserInterface& ui) {
                return g.RunCompare(origen, destino, g.options.Quick, ui);
              },
          .noDisplayTitle = "Compare",
          .noDisplayText = "No hay pantalla disponible para abrir la ventana de Compare. "
                           "Indique la carpeta de origen y la de destino en la línea de órdenes "
                           "(compare /? muestra la ayuda)."};
}

}  // namespace

int CompareMain(const std::vector<std::string>& args, Globales& g, common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  return common::ProgramMain(args, ProgramOf(g), windows);
}

int CompareMainFromText(const std::string& argumentText, Globales& g, common::WindowFrontEnd* windows) {
  g.MainFormLoaded = false;
  return common::ProgramMainFromText(argumentText, ProgramOf(g), windows);
}

}  // namespace compare
