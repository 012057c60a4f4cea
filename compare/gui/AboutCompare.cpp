#include "compare/gui/AboutCompare.h"

#include "common/gui/ProgramIcon.h"

namespace compare {

common::AboutInfo AboutCompare() {
  common::AboutInfo info;
  info.title = QStringLiteral("Compare");
  info.major = COMPARE_VERSION_MAJOR;
  info.minor = COMPARE_VERSION_MINOR;
  info.revision = COMPARE_VERSION_REVISION;
  info.description = QStringLiteral(
      "Compara dos copias de una carpeta. Ideal para validar una copia de seguridad creada y "
      "mantenida por Update u otra herramienta de copia de seguridad incremental. V\u00e9ase "
      "Create.txt para m\u00e1s informaci\u00f3n.");
  info.legalNotice = QStringLiteral(LEGAL_NOTICE);
  info.icon = common::ProgramIcon(QStringLiteral("compare"));
  return info;
}

}  // namespace compare
