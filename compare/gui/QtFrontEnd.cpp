#include "compare/gui/QtFrontEnd.h"

#include "compare/core/Globales.h"
#include "compare/gui/frmCompare.h"

namespace compare {

QtFrontEnd::QtFrontEnd(Globales& g)
    : common::QtFrontEnd(QStringLiteral("Compare"), QStringLiteral("compare"), std::make_unique<frmCompare>(g.MainFormLoaded),
                         [&g](common::QtUserInterface& ui) { return std::make_unique<frmMain>(g, ui); }) {}

}  // namespace compare
