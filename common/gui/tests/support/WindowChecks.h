#pragma once
// Checks that hold for every window: each text fits the control that shows
// it; and the close request a click on the close box sends.

#include <QStringList>

class QWidget;

namespace testsupport {

// The object names of the labels, buttons and check boxes of window whose
// text is cut off (wider, or taller once wrapped, than the room they have).
QStringList TextsCutOff(const QWidget* window);

// The object names of the text boxes of window whose text cursor blinks: a
// box blinks from the focus it receives until the focus leaves it, so more
// than one name means the window shows two cursors.
QStringList BlinkingCursors(const QWidget* window);

// Asks window to close as its close box does (a spontaneous close event).
// True when the window accepted.
bool CloseFromWindowSystem(QWidget* window);

}  // namespace testsupport
