#include "common/gui/QtUserInterface.h"

#include "common/gui/MessageBox.h"
#include "common/gui/frmErrores.h"

namespace common {

namespace {

// The core joins lines with CR LF; a label shows LF alone.
QString DisplayText(const std::string& text) {
  QString display = QString::fromStdString(text);
  display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return display;
}

}  // namespace

QtUserInterface::QtUserInterface(QString title, ProgressView &progress)
    : MessageBoxUserInterface(progress), title_(std::move(title)) {}

void QtUserInterface::ShowBox(BoxIcon icon, const std::string &title, const std::string &text) {
  ShowMessageBox(owner_, icon == BoxIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                 QString::fromStdString(title), DisplayText(text), QMessageBox::Ok,
                 QMessageBox::Ok);
}

bool QtUserInterface::AskYesNoBox(const std::string &title, const std::string &text,
                                  DefaultAnswer preset) {
  return AskYesNo(owner_, QString::fromStdString(title), QString::fromStdString(text), preset);
}

void QtUserInterface::ShowErrorList(const std::vector<std::string>& lines) {
  frmErrores window(lines, owner_);
  window.exec();
}

void QtUserInterface::ShowDebugFailure(const DebugStop& stop) {
  ShowMessageBox(owner_, QMessageBox::Critical, title_, QString::fromStdString(stop.Line()),
                 QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace common
