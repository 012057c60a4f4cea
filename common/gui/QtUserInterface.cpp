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

QtUserInterface::QtUserInterface(QString title, ProgressView& progress)
    : title_(std::move(title)), progress_(progress) {}

void QtUserInterface::ShowUsage(const std::string& text) {
  ShowInformation(owner_, QStringLiteral("Ayuda"), DisplayText(text));
}

void QtUserInterface::ShowUsageError(const std::string& problem, const std::string& text) {
  // The usage box, with a warning icon: the program ends without running.
  ShowMessageBox(owner_, QMessageBox::Warning, QStringLiteral("Ayuda"),
                 DisplayText(problem + "\r\n\r\n" + text), QMessageBox::Ok, QMessageBox::Ok);
}

bool QtUserInterface::AskToShowErrors(const std::string& title) {
  return AskYesNo(owner_, QString::fromStdString(title),
                  QStringLiteral("Se han producido errores durante la operaci\u00f3n. "
                                 "\u00bfDesea ver la lista de errores?"));
}

bool QtUserInterface::AskToEmptyDestination(const std::string& title) {
  return AskYesNo(owner_, QString::fromStdString(title),
                  QStringLiteral("El origen est\u00e1 vac\u00edo. "
                                 "\u00bfDesea borrar todo el contenido del destino?"),
                  DefaultAnswer::No);
}

void QtUserInterface::ShowErrorList(const std::vector<std::string>& lines) {
  frmErrores window(lines, owner_);
  window.exec();
}

void QtUserInterface::ShowDebugFailure(const DebugStop& stop) {
  ShowMessageBox(owner_, QMessageBox::Critical, title_, QString::fromStdString(stop.Line()),
                 QMessageBox::Ok, QMessageBox::Ok);
}

void QtUserInterface::ShowMessage(const std::string& title, const std::string& text) {
  ShowInformation(owner_, QString::fromStdString(title), DisplayText(text));
}

}  // namespace common
