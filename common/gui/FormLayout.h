#pragma once
// The windows are drawn in twips, 15 to a device-independent pixel, with the
// font Tahoma 8.25 pt. These functions turn those measures into Qt geometry.

#include <QAnyStringView>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <utility>

class QWidget;

namespace common {

inline constexpr int kTwipsPerPixel = 15;

int TwipsToPixels(int twips);
QRect TwipsRect(int left, int top, int width, int height);
QSize TwipsSize(int width, int height);

// Tahoma 8.25 pt where the font exists, else the system's sans-serif at 8.25 pt.
QFont FormFont();

// How a window meets the window manager. A main window, or a progress
// window of a run started from the command line, is a window of its own,
// with its entry in the task bar and in Alt+Tab. A window that belongs to
// another (a modal dialog, the progress of a run started from the main
// window) is a dialog kept above its owner.
enum class WindowKind { TopLevel, Owned };

// The flags of a window that cannot be resized, with a close box but no
// minimise or maximise box.
Qt::WindowFlags FixedWindowFlags(WindowKind kind);

// Such a window with the given client area.
void MakeFixedDialog(QWidget* window, QSize client, WindowKind kind);

// Moves a window to the centre of the screen that holds it (or of the
// primary screen), or of its owner when one is given.
void CentreOnScreen(QWidget* window);
void CentreOnOwner(QWidget* window, const QWidget* owner);

// A control of window, under the name the window gives it, at its place;
// args are what the control's constructor takes before its parent (a caption).
template <class Control, class... Args>
Control* AddControl(QWidget* window, QAnyStringView name, QRect geometry, Args&&... args) {
  auto* control = new Control(std::forward<Args>(args)..., window);
  control->setObjectName(name);
  control->setGeometry(geometry);
  return control;
}

// The text a control shows, without the "&" that marks its access key.
QString VisibleText(const QString& caption);

}  // namespace common
