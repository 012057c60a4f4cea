#pragma once
// Screenshots of the windows as the X server shows them, for review. With
// no window manager there is no title bar, so a plain strip with the
// window's title is drawn above each picture.

#include <QApplication>
#include <QString>
#include <functional>

class QWidget;

namespace common {
class FolderPairForm;
class ProgressWindow;
}

namespace testsupport {

class ModalDriver;

// Waits until window is on screen, grabs it from the screen and saves it
// as a PNG in folder/name. False when it could not be saved.
bool SaveScreenshot(QWidget* window, const QString& folder, const QString& name);

// The frame of a program that saves screenshots (<program> <carpeta>): the
// application with the windows' font, the folder, and the pictures that
// could not be saved.
class ScreenshotRun {
 public:
  ScreenshotRun(int& argc, char** argv, const char* program);

  // False after a wrong command line, which was reported.
  bool Usable() const { return !out_.isEmpty(); }
  void Save(QWidget* window, const char* name);
  // Once the progress bar reaches 40 %, shoot() runs and Cancelar is clicked.
  void CancelHalfWay(common::ProgressWindow& progress, std::function<void()> shoot);
  // F1's About box, then a run from the run button, cancelled half way
  // (shoot() runs then), its question answered S\u00ed and the error list:
  // <prefix>-frmAbout.png, <prefix>-question.png, <prefix>-frmErrores.png.
  void AboutAndACancelledRun(common::FolderPairForm& main, common::ProgressWindow& progress,
                             ModalDriver& driver, const char* prefix, std::function<void()> shoot);
  // 0 when every picture was saved and every window expected was seen.
  int ExitStatus(const ModalDriver& driver);

 private:
  QApplication app_;
  const char* program_;
  QString out_;
  int failures_ = 0;
};

}  // namespace testsupport
