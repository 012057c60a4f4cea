#include "common/gui/MessageBox.h"

#include <QAbstractButton>

#include "common/gui/FormLayout.h"

namespace common {

namespace {

void SetSpanishCaptions(QMessageBox& box) {
  struct Caption {
    QMessageBox::StandardButton button;
    const char* text;
  };
  static const Caption kCaptions[] = {
      {QMessageBox::Ok, "Aceptar"},
      {QMessageBox::Yes, "&S\u00ed"},
      {QMessageBox::No, "&No"},
      {QMessageBox::Cancel, "Cancelar"},
  };
  for (const Caption& c : kCaptions) {
    if (QAbstractButton* b = box.button(c.button)) b->setText(QString::fromUtf8(c.text));
  }
}

}  // namespace

QMessageBox::StandardButton ShowMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                           const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
  QMessageBox box(icon, title, text, buttons, owner);
  // Without an owner (a run from the command line) the message is the
  // program's only window: a window of its own for the window manager.
  if (!owner) box.setWindowFlags(FixedWindowFlags(WindowKind::TopLevel));
  // Usage texts hold "<origen>": never let them pass for markup.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(defaultButton);
  SetSpanishCaptions(box);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
}

void ShowInformation(QWidget* owner, const QString& title, const QString& text) {
  ShowMessageBox(owner, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool AskYesNo(QWidget* owner, const QString& title, const QString& text, DefaultAnswer preset) {
  return ShowMessageBox(owner, QMessageBox::Warning, title, text,
                        QMessageBox::Yes | QMessageBox::No,
                        preset == DefaultAnswer::Yes ? QMessageBox::Yes : QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace common
