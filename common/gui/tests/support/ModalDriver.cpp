#include "common/gui/tests/support/ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "common/gui/frmErrores.h"

namespace testsupport {

ModalDriver::ModalDriver() {
  connect(&timer_, &QTimer::timeout, this, &ModalDriver::Poll);
  timer_.start(5);
}

ModalDriver& ModalDriver::Then(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

void ModalDriver::Poll() {
  QWidget* window = QApplication::activeModalWidget();
  if (!window || !window->isVisible()) return;
  // A window whose step opened a message of its own is modal again once the
  // message closes: it is still that step's.
  for (const QPointer<QWidget>& handled : handled_) {
    if (handled == window) return;
  }
  handled_.push_back(window);
  seen_ << window->windowTitle();
  if (steps_.empty()) {
    ++unexpected_;
    window->close();
    return;
  }
  Step step = std::move(steps_.front());
  steps_.pop_front();
  // Run outside this timer's slot: a step may open a modal window of its own.
  QPointer<QWidget> target = window;
  QTimer::singleShot(0, window, [this, step, target] {
    if (!target) return;
    step(target);
    // A step that failed half way leaves its window open: close it so the
    // test reports the failure instead of waiting for ever.
    if (target && target->isVisible() && QApplication::activeModalWidget() == target) {
      ++unexpected_;
      target->close();
    }
  });
}

void ClickButton(QWidget* window, const char* name) {
  auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
  QVERIFY2(button, name);
  QTest::mouseClick(button, Qt::LeftButton);
}

void ClickMessageButton(QWidget* window, QMessageBox::StandardButton which) {
  auto* box = qobject_cast<QMessageBox*>(window);
  QVERIFY2(box, "a message box");
  QAbstractButton* button = box->button(which);
  QVERIFY2(button, "the button asked for");
  QTest::mouseClick(button, Qt::LeftButton);
}

ModalDriver::Step Answer(QMessageBox::StandardButton button, MessageSeen& seen) {
  return [&seen, button](QWidget* window) {
    auto* box = qobject_cast<QMessageBox*>(window);
    QVERIFY2(box, "a message box");
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    for (QAbstractButton* b : box->buttons()) seen.buttons << b->text();
    seen.buttons.sort();
    if (box->defaultButton()) seen.defaultButton = box->defaultButton()->text();
    ClickMessageButton(window, button);
  };
}

ModalDriver::Step ReadErrorList(QString& list) {
  return [&list](QWidget* window) {
    auto* errors = qobject_cast<common::frmErrores*>(window);
    QVERIFY2(errors, "the error list");
    list = errors->Text();
    QTest::keyClick(errors, Qt::Key_Escape);
  };
}

}  // namespace testsupport
