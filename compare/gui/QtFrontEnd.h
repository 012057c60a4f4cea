#pragma once
// The windows of compare: its frmMain and frmCompare on the shared front end.

#include <string>

#include "common/gui/QtFrontEnd.h"
#include "compare/gui/frmMain.h"

namespace compare {

class Globales;

class QtFrontEnd : public common::QtFrontEnd {
 public:
  // Needs a QApplication; g outlives the front end.
  explicit QtFrontEnd(Globales& g);

  frmMain& ShowMainWindow(const std::string& origen) {
    return static_cast<frmMain&>(common::QtFrontEnd::ShowMainWindow(origen));
  }
};

}  // namespace compare
