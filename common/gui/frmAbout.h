#pragma once
// frmAbout: the About box of both programs. Icon, title, version and
// description of the program, a disclaimer with the build's legal notice,
// OK and a button that starts the system's information tool.

#include <QDialog>
#include <QIcon>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace common {

struct AboutInfo {
  QString title;  // the program's title, "Update" or "Compare"
  int major = 0;
  int minor = 0;
  int revision = 0;
  QString description;
  QString legalNotice;
  QIcon icon;
};

class frmAbout : public QDialog {
  Q_OBJECT

 public:
  frmAbout(AboutInfo info, QWidget* owner = nullptr);

  // The system information tools tried in turn on PATH.
  static QStringList SysInfoTools();
  // Starts the first tool found, without waiting for it; otherwise tells
  // the user that the information is not available.
  void StartSysInfo();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void FitTexts();

  AboutInfo info_;
  QPushButton* cmdOK;
  QLabel* picIcon;
  QPushButton* cmdSysInfo;
  QLabel* lblDescription;
  QLabel* lblDisclaimer;
  QLabel* lblTitle;
  QLabel* lblVersion;
};

}  // namespace common
