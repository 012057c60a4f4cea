#pragma once
// The folder picker as the main windows' browse buttons use it.

#include <QString>

class QWidget;

namespace common {

// Opens frmSelDir titled title in start (the current folder when start is
// empty). Returns the accepted folder, or "" when the user cancelled.
QString BrowseFolder(QWidget* owner, const QString& title, const QString& start);

}  // namespace common
