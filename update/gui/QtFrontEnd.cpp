#include "update/gui/QtFrontEnd.h"

#include "update/core/Globales.h"
#include "update/gui/frmUpdate.h"

namespace update {

QtFrontEnd::QtFrontEnd(Globales& g)
    : common::QtFrontEnd(QStringLiteral("Update"), QStringLiteral("update"), std::make_unique<frmUpdate>(g.MainFormLoaded),
                         [&g](common::QtUserInterface& ui) { return std::make_unique<frmMain>(g, ui); }) {}

}  // namespace update
