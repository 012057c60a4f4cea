#pragma once
// Answers the modal windows a test opens, one step per window, in order
// (each window object once).
// Each step runs once, on the next modal window that appears. A modal window
// that finds no step left is recorded as unexpected and closed, so that a
// faulty window makes the test fail instead of hang.

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace testsupport {

class ModalDriver : public QObject {
  Q_OBJECT

 public:
  using Step = std::function<void(QWidget* window)>;

  ModalDriver();

  ModalDriver& Then(Step step);

  int Pending() const { return static_cast<int>(steps_.size()); }
  // The title of every modal window seen, in order, unexpected ones too.
  const QStringList& Seen() const { return seen_; }
  // Windows that found no step, or that their step left open.
  int Unexpected() const { return unexpected_; }

 private:
  void Poll();

  QTimer timer_;
  std::deque<Step> steps_;
  std::vector<QPointer<QWidget>> handled_;
  QStringList seen_;
  int unexpected_ = 0;
};

// Clicks the child button of that name (a control name such as "cmdAceptar").
void ClickButton(QWidget* window, const char* name);
// Clicks the message box's standard button.
void ClickMessageButton(QWidget* window, QMessageBox::StandardButton button);

// What a message box showed; buttons by caption, sorted.
struct MessageSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QStringList buttons;
  QString defaultButton;
};

// A step that notes what the message box shows into seen and closes it
// with the given button.
ModalDriver::Step Answer(QMessageBox::StandardButton button, MessageSeen& seen);
// A step that copies the error list's text into list and closes it.
ModalDriver::Step ReadErrorList(QString& list);

}  // namespace testsupport
