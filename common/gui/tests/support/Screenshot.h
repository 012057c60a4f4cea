#pragma once
// Screenshots of the windows as the X server shows them, for review. With
// no window manager there is no title bar, so a plain strip with the
// window's title is drawn above each picture.

#include <QString>

class QWidget;

namespace testsupport {

// Waits until window is on screen, grabs it from the screen and saves it
// as a PNG in folder/name. False when it could not be saved.
bool SaveScreenshot(QWidget* window, const QString& folder, const QString& name);

}  // namespace testsupport
