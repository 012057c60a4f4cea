#include "update/gui/AboutUpdate.h"

#include "common/gui/ProgramIcon.h"

namespace update {

common::AboutInfo AboutUpdate() {
  common::AboutInfo info;
  info.title = QStringLiteral("Update");
  info.major = UPDATE_VERSION_MAJOR;
  info.minor = UPDATE_VERSION_MINOR;
  info.revision = UPDATE_VERSION_REVISION;
  info.description = QStringLiteral(
      "Mantiene sincronizadas dos copias de una carpeta. Ideal para copias de seguridad diarias "
      "sobre un segundo disco duro o un dispositivo removible. V\u00e9ase Update.txt para m\u00e1s "
      "informaci\u00f3n.");
  info.legalNotice = QStringLiteral(LEGAL_NOTICE);
  info.icon = common::ProgramIcon(QStringLiteral("update"));
  return info;
}

}  // namespace update
