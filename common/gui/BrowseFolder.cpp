#include "common/gui/BrowseFolder.h"

#include <QDir>

#include "common/gui/frmSelDir.h"

namespace common {

QString BrowseFolder(QWidget* owner, const QString& title, const QString& start) {
  frmSelDir picker(owner);
  picker.setWindowTitle(title);
  return picker.SelDir(start.isEmpty() ? QDir::currentPath() : start);
}

}  // namespace common
