#pragma once
// The program icons painted at build time and carried as resources.

#include <QIcon>
#include <QString>

namespace common {

// name: "update" or "compare"; every painted size of that icon.
QIcon ProgramIcon(const QString& name);

// The browse buttons' picture: a yellow folder with a magnifying glass.
QIcon BrowsePicture();

}  // namespace common
