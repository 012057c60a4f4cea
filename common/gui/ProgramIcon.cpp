#include "common/gui/ProgramIcon.h"

namespace common {

QIcon ProgramIcon(const QString& name) {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(name).arg(size), QSize(size, size));
  return icon;
}

QIcon BrowsePicture() { return QIcon(QStringLiteral(":/images/explora.xpm")); }

}  // namespace common
