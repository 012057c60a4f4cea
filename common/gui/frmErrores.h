#pragma once
// frmErrores: the lines a run recorded, one per line, in a resizable window
// whose text box fills the client area. Escape closes it.

#include <QDialog>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace common {

class frmErrores : public QDialog {
  Q_OBJECT

 public:
  // lines: already limited by the caller (update shows at most 1001).
  explicit frmErrores(const std::vector<std::string>& lines, QWidget* owner = nullptr);

  // Every line followed by CR LF, in list order.
  static QString ListText(const std::vector<std::string>& lines);
  // The text as it was built, line ends included.
  const QString& Text() const { return text_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPlainTextEdit* Text1;
  QString text_;
};

}  // namespace common
