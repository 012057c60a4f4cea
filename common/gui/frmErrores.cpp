#include "common/gui/frmErrores.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "common/gui/FormLayout.h"

namespace common {

QString frmErrores::ListText(const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines) {
    text += QString::fromStdString(line);
    text += QStringLiteral("\r\n");
  }
  return text;
}

frmErrores::frmErrores(const std::vector<std::string>& lines, QWidget* owner)
    : QDialog(owner), text_(ListText(lines)) {
  setObjectName(QStringLiteral("frmErrores"));
  setWindowTitle(QStringLiteral("Errores"));
  setFont(FormFont());
  // Owned by the main window, it stays above it; after a run from the
  // command line it is the program's only window.
  setWindowFlags((owner ? Qt::Dialog : Qt::Window) | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                 Qt::WindowCloseButtonHint);
  resize(TwipsSize(6015, 3135));
  setSizeGripEnabled(false);

  Text1 = new QPlainTextEdit(this);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The lines are a report: they can be selected and copied, not edited.
  Text1->setReadOnly(true);
  Text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Text1->setPlainText(text_);
  Text1->installEventFilter(this);

  // The box fills the client area without margins, whatever its size.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Text1);

  CentreOnScreen(this);
}

void frmErrores::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool frmErrores::eventFilter(QObject* watched, QEvent* event) {
  // The window sees Escape before the text box does.
  if (watched == Text1 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    close();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace common
