#pragma once
// What a real window manager knows of the windows, read back with xprop:
// the window type, the window a dialog belongs to (WM_TRANSIENT_FOR) and
// the stacking order. For the tests that scripts/with-wm.sh runs on a
// virtual display managed by openbox.

#include <QList>
#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace testsupport {

// Empty when the windows run under an X window manager (and xprop can ask
// it); otherwise why not, for QSKIP.
QString WhyNoWindowManager();

// Waits until the window manager manages window (lists it as a client).
bool WaitUntilManaged(const QWidget* window);

// _NET_WM_WINDOW_TYPE, e.g. "_NET_WM_WINDOW_TYPE_NORMAL"; the first when
// several are given.
QString WindowType(const QWidget* window);
// The X window that WM_TRANSIENT_FOR names, 0 when the property is missing.
quint64 TransientFor(const QWidget* window);
quint64 XWindow(const QWidget* window);
// True when the window manager stacks upper above lower.
bool StackedAbove(const QWidget* upper, const QWidget* lower);

// A normal window owned by none: its own entry in the task bar and Alt+Tab.
void ExpectTopLevel(const QWidget* window);
// A dialog that belongs to owner: transient for it and stacked above it.
void ExpectOwnedBy(const QWidget* window, const QWidget* owner);

// One program's windows, for the scenarios below. origen and destino
// differ, so that a run ends with the question and the error list.
struct ProgramWindows {
  std::function<QWidget*(const std::string& origen)> showMainWindow;
  QWidget* progress = nullptr;
  const char* runButton = nullptr;
  // The run that two folders on the command line start, without a main window.
  std::function<void()> runFromCommandLine;
  QString origen;
  QString destino;
};

// Started with one folder: a window of its own, active, with the focus
// and the only cursor in txtDestino.
void CheckMainWindow(const ProgramWindows& program);
// About, the folder picker, the progress, the question and the error list
// of a run started from the main window all belong to it.
void CheckWindowsOfTheMainWindow(const ProgramWindows& program);
// From the command line the progress window, the question and the error
// list are windows of their own.
void CheckWindowsOfACommandLineRun(const ProgramWindows& program);

}  // namespace testsupport
