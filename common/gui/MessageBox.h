#pragma once
// Message boxes with the programs' titles, icons and buttons. The buttons
// carry Spanish captions whether or not Qt's own translations are installed.

#include <QMessageBox>
#include <QString>

#include "common/core/UserInterface.h"

class QWidget;

namespace common {

// Shows a modal message box and returns the button that closed it.
QMessageBox::StandardButton ShowMessageBox(QWidget* owner, QMessageBox::Icon icon,
                                           const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton);

// Information icon and OK.
void ShowInformation(QWidget* owner, const QString& title, const QString& text);

// Warning icon, Yes and No, Yes the default unless told. True for Yes.
bool AskYesNo(QWidget* owner, const QString& title, const QString& text,
              DefaultAnswer preset = DefaultAnswer::Yes);

}  // namespace common
